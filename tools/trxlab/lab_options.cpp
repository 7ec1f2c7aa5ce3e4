#include "lab_options.h"

#include <cstdio>
#include <cstdlib>
#include <string>

#include "simlab.h"

namespace {

const char kLabUsage[] =
    "usage: trxlab [OPTION]...   (as root)\n"
    "Two network namespaces, each with a TAP interface, joined through two\n"
    "simulated K250 ports driven by Trx4n5 and cabled together:\n"
    "  NAME-0 (NAME0, 10.250.0.1/24, fd00:250::1/64) <-> port 0 =wire= port 1 <-> NAME-1 (NAME1, .2, ::2)\n"
    "Runs until interrupted (or --duration) and removes everything it made.\n"
    "\n"
    "  --name NAME            prefix of namespaces and interfaces (default trxlab, at most 12 characters)\n"
    "  --unlimited            the wire delivers at once instead of at the negotiated line rate\n"
    "  --connection-type N    ConnectionType of both ports (0 auto, 1 10H, 2 10F, 3 100H, 4 100F)\n"
    "  --pcap FILE            write every frame that crosses the wire to FILE\n"
    "  --ready FILE           write the lab's names and addresses (shell variables) to FILE once up\n"
    "  --control FIFO         read commands from FIFO: unplug, plug, stats, quit\n"
    "  --duration SECONDS     stop after this long\n"
    "  --kernel-image [PATH.sys]  drive the shipped i686 image in the emulator (default: the\n"
    "                         win32 preset's Trx4n5.sys)\n"
    "  --board NAME[:SEED]    board profile of both ports: kind (default), realistic, ...\n";

const char kRealPortsNote[] =
    "With --pci the ports are two real 21143 functions cabled to each other (real cards, or\n"
    "the QEMU PC's two tulips on one hub: ./run.sh lab --qemu); their cable is not this\n"
    "program's: no --unlimited, --pcap or --board, and the control FIFO refuses unplug and plug.\n";

// What only the simulated boards and their wire have, refused with --pci.
bool CheckRealPorts(const LabOptions& o, std::string* error) {
  if (o.pci.as_k250 && !o.pci.enabled) {
    *error = "--as-k250 goes with --pci";
    return false;
  }
  if (!o.pci.enabled) return true;
  const char* board_only = o.unlimited ? "--unlimited" : !o.pcap.empty() ? "--pcap" : !o.board.Kind() ? "--board" : nullptr;
  if (board_only != nullptr) {
    *error = std::string(board_only) + " describes the simulated wire and boards; with --pci the cable between the "
             "functions is not this program's";
    return false;
  }
  return true;
}

}  // namespace

void PrintLabUsage(FILE* to) { std::fprintf(to, "%s%s%s", kLabUsage, simlab::kPciUsage, kRealPortsNote); }

bool ParseLabOptions(int argc, char** argv, LabOptions* o, std::string* error) {
  for (int i = 1; i < argc; ++i) {
    std::string opt = argv[i];
    if (simlab::TakeKernelImageOption(argc, argv, &i, &o->kernel_image)) continue;
    if (simlab::TakePciOption(argc, argv, &i, &o->pci)) continue;
    if (opt == "--unlimited") {
      o->unlimited = true;
      continue;
    }
    if (i + 1 >= argc) {
      *error = opt.rfind("--", 0) == 0 ? "option " + opt + " needs a value or is unknown" : "unexpected " + opt;
      return false;
    }
    std::string value = argv[++i];
    if (opt == "--name") {
      o->name = value;
    } else if (opt == "--connection-type") {
      char* end = nullptr;
      long n = std::strtol(value.c_str(), &end, 10);
      if (*end != '\0' || n < 0 || n > 4) {
        *error = "--connection-type takes 0 to 4";
        return false;
      }
      o->connection_type = int(n);
    } else if (opt == "--pcap") {
      o->pcap = value;
    } else if (opt == "--ready") {
      o->ready_file = value;
    } else if (opt == "--control") {
      o->control = value;
    } else if (opt == "--board") {
      if (!sim::BoardProfile::Parse(value, &o->board)) {
        *error = "--board takes a profile name (kind, realistic, ...), optionally NAME:SEED";
        return false;
      }
    } else if (opt == "--duration") {
      char* end = nullptr;
      o->duration = std::strtod(value.c_str(), &end);
      if (*end != '\0' || o->duration < 0) {
        *error = "--duration takes seconds";
        return false;
      }
    } else {
      *error = "unknown option " + opt;
      return false;
    }
  }
  if (o->name.empty() || o->name.size() > 12) {
    *error = "--name takes 1 to 12 characters";
    return false;
  }
  return CheckRealPorts(*o, error);
}

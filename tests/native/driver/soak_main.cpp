// driver_soak: the long soak of two cabled ports (see soak.h).
//   driver_soak [--frames N] [--seed N] [--flap-every N] [--reset-every N] [--board NAME[:SEED]]
//               [--pci [ADDRESS,ADDRESS] [--as-k250]]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "simlab.h"
#include "soak.h"

namespace {

bool ParseCount(const char* text, uint64_t* value) {
  if (text == nullptr || *text == '\0') return false;
  char* end = nullptr;
  unsigned long long v = std::strtoull(text, &end, 10);
  if (*end != '\0' || text[0] == '-') return false;
  *value = v;
  return true;
}

int Usage(const char* why) {
  std::fprintf(stderr, "driver_soak: %s\nusage: driver_soak [--kernel-image [PATH.sys]] [--frames N] [--seed N] [--flap-every N] [--reset-every N] [--board NAME[:SEED]]\n%s",
               why, simlab::kPciUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  trx_test::SoakOptions options;
  options.progress = stdout;
  for (int i = 1; i < argc; ++i) {
    std::string flag = argv[i];
    if (flag == "--help" || flag == "-h") return Usage("two cabled ports, N frames each way, link flaps and resets");
    if (simlab::TakeKernelImageOption(argc, argv, &i, &options.kernel_image)) continue;
    if (simlab::TakePciOption(argc, argv, &i, &options.pci)) continue;
    if (flag == "--board") {
      if (i + 1 >= argc || !sim::BoardProfile::Parse(argv[i + 1], &options.board))
        return Usage("--board needs a profile name (kind, realistic, ...), optionally NAME:SEED");
      ++i;
      continue;
    }
    uint64_t value = 0;
    if (i + 1 >= argc || !ParseCount(argv[i + 1], &value)) return Usage(("a number must follow " + flag).c_str());
    ++i;
    if (flag == "--frames" && value > 0 && value <= 100000000)
      options.frames = value;
    else if (flag == "--seed" && value <= 0xffffffffu)
      options.seed = static_cast<uint32_t>(value);
    else if (flag == "--flap-every" && value > 0)
      options.flap_every = value;
    else if (flag == "--reset-every" && value > 0)
      options.reset_every = value;
    else
      return Usage(("unknown flag or value out of range: " + flag).c_str());
  }
  if (options.pci.as_k250 && !options.pci.enabled) return Usage("--as-k250 goes with --pci");
  if (options.pci.enabled && !options.board.Kind()) return Usage("--board describes simulated boards, not --pci");
  std::printf("soak: %llu frames each way, seed %u, %s\n", static_cast<unsigned long long>(options.frames),
              options.seed, options.pci.enabled ? "real functions" : (options.board.name + " board").c_str());
  trx_test::SoakSummary summary = trx_test::RunSoak(options);
  summary.Print(stdout);
  return summary.ok() ? 0 : 1;
}

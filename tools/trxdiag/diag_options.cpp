#include "diag_options.h"

#include <cstdlib>
#include <cstring>

const char kDiagUsage[] =
    "usage: trxdiag [OPTION]...\n"
    "Brings up one simulated K250 port with the Trx4n5 driver and prints what\n"
    "Initialize did, and the answers asked for, as JSON on stdout.\n"
    "\n"
    "Keywords and configuration:\n"
    "  --keyword NAME=NUMBER      an integer keyword (ConnectionType, MapThreshold,\n"
    "                             RxRingSize, TxRingSize, BusNumber, SlotNumber)\n"
    "  --keyword-string NAME=TEXT a string keyword (Options=\"0 134217728\")\n"
    "  --no-keyword NAME          leave a keyword out (ConnectionType is 0 by default)\n"
    "  --address XX-XX-XX-XX-XX-XX  the network address override (any length)\n"
    "Board:\n"
    "  --phy 1378|7810|unknown|none  the PHY (default 1378)\n"
    "  --phy-id HEX               identifier answered by the unknown PHY\n"
    "  --advertisement HEX        the PHY's register 4 after reset (1 = selector only)\n"
    "  --partner HEX|none         link partner abilities (default 0x1e0), or no cable\n"
    "  --eeprom ADDR=WORD         an EEPROM word (hex); station address in 0x2a..0x2c\n"
    "  --pci-id HEX  --subsystem HEX  --cache-line WORDS  --no-interrupt\n"
    "  --board NAME[:SEED]        board profile (the list below)\n"
    "Requests (after Initialize):\n"
    "  --set OID=HEXBYTES         e.g. OID_GEN_CURRENT_PACKET_FILTER=0b000000\n"
    "  --query OID[:LENGTH]       an OID by name or number (repeatable), with a\n"
    "                             buffer of LENGTH bytes (default 512)\n"
    "  --dump eeprom,phy,txring,setup,csr,filter,all\n"
    "                             csr: the 16 CSRs after the requests, CSR0 first;\n"
    "                             filter: the last setup frame decoded (perfect\n"
    "                             addresses or hash indices)\n"
    "Driver:\n"
    "  --kernel-image [PATH.sys]  the shipped i686 image in the emulator (default:\n"
    "                             the win32 preset's Trx4n5.sys)\n"
    "A real chip instead of the simulated board (no board options then):\n";

namespace {

bool ParseNumber(const std::string& text, uint64_t* value, int base = 0) {
  if (text.empty()) return false;
  char* end = nullptr;
  *value = std::strtoull(text.c_str(), &end, base);
  return *end == '\0';
}

bool SplitPair(const std::string& text, std::string* name, std::string* value) {
  size_t eq = text.find('=');
  if (eq == std::string::npos || eq == 0) return false;
  *name = text.substr(0, eq);
  *value = text.substr(eq + 1);
  return true;
}

bool ParseHexBytes(const std::string& text, std::vector<uint8_t>* bytes) {
  if (text.size() % 2 != 0) return false;
  bytes->clear();
  for (size_t i = 0; i < text.size(); i += 2) {
    uint64_t v;
    if (!ParseNumber(text.substr(i, 2), &v, 16)) return false;
    bytes->push_back(uint8_t(v));
  }
  return true;
}

void SetKeyword(simlab::PortSpec* port, const std::string& name, const hostndis::Keyword& value) {
  for (auto& kv : port->keywords) {
    if (kv.first == name) {
      kv.second = value;
      return;
    }
  }
  port->keywords.emplace_back(name, value);
}

}  // namespace

bool ParseDiagOptions(int argc, char** argv, DiagRequest* r, std::string* error) {
  std::string board_option;  // the last option given that describes the simulated board
  for (int i = 1; i < argc; ++i) {
    std::string opt = argv[i];
    if (simlab::TakeKernelImageOption(argc, argv, &i, &r->kernel_image)) continue;
    if (simlab::TakePciOption(argc, argv, &i, &r->pci)) continue;
    auto next = [&](std::string* value) {
      if (i + 1 >= argc) return false;
      *value = argv[++i];
      return true;
    };
    std::string arg, name, value;
    uint64_t number = 0;
    bool ok = true;
    if (opt == "--no-interrupt") {
      r->port.board.has_interrupt = false;
      board_option = opt;
      continue;
    }
    static const char* const kValueOptions[] = {
        "--keyword", "--keyword-string", "--no-keyword", "--address", "--phy", "--phy-id", "--advertisement",
        "--partner", "--eeprom", "--pci-id", "--subsystem", "--cache-line", "--set", "--query", "--dump", "--board"};
    bool known = false;
    for (const char* o : kValueOptions) known = known || opt == o;
    if (!known) {
      *error = "unknown option " + opt;
      return false;
    }
    if (!next(&arg)) {
      *error = "option " + opt + " needs a value";
      return false;
    }
    static const char* const kBoardOptions[] = {"--phy",    "--phy-id",    "--advertisement", "--partner", "--eeprom",
                                                "--pci-id", "--subsystem", "--cache-line",    "--board"};
    for (const char* o : kBoardOptions)
      if (opt == o) board_option = opt;
    if (opt == "--keyword") {
      ok = SplitPair(arg, &name, &value) && ParseNumber(value, &number) && number <= 0xffffffffu;
      if (ok) SetKeyword(&r->port, name, hostndis::Keyword::Integer(uint32_t(number)));
    } else if (opt == "--keyword-string") {
      ok = SplitPair(arg, &name, &value);
      if (ok) SetKeyword(&r->port, name, hostndis::Keyword::String(value));
    } else if (opt == "--no-keyword") {
      auto& kw = r->port.keywords;
      for (auto it = kw.begin(); it != kw.end();) it = it->first == arg ? kw.erase(it) : it + 1;
    } else if (opt == "--address") {
      std::vector<uint8_t> mac;
      ok = simlab::ParseMac(arg, &mac);
      if (ok) r->port.network_address = mac;
    } else if (opt == "--phy") {
      if (arg == "1378") r->port.board.phy = sim::PhyModel::kPhy1378;
      else if (arg == "7810") r->port.board.phy = sim::PhyModel::kPhy7810;
      else if (arg == "unknown") r->port.board.phy = sim::PhyModel::kUnknown;
      else if (arg == "none") r->port.board.phy = sim::PhyModel::kNone;
      else ok = false;
    } else if (opt == "--board") {
      ok = sim::BoardProfile::Parse(arg, &r->port.board.profile);
    } else if (opt == "--phy-id") {
      ok = ParseNumber(arg, &number, 16);
      r->port.board.unknown_phy_id = uint32_t(number);
    } else if (opt == "--advertisement") {
      ok = ParseNumber(arg, &number, 16) && number <= 0xffff;
      r->port.board.phy_advertisement = uint16_t(number);
    } else if (opt == "--partner") {
      if (arg == "none") r->partner.reset();
      else if ((ok = ParseNumber(arg, &number, 16) && number <= 0xffff)) r->partner = sim::Abilities(number);
    } else if (opt == "--eeprom") {
      uint64_t word = 0;
      ok = SplitPair(arg, &name, &value) && ParseNumber(name, &number, 16) && number < 64 &&
           ParseNumber(value, &word, 16) && word <= 0xffff;
      if (ok) r->port.board.eeprom[number] = uint16_t(word);
    } else if (opt == "--pci-id") {
      ok = ParseNumber(arg, &number, 16);
      r->port.board.pci_id = uint32_t(number);
    } else if (opt == "--subsystem") {
      ok = ParseNumber(arg, &number, 16);
      r->port.board.pci_subsystem = uint32_t(number);
    } else if (opt == "--cache-line") {
      ok = ParseNumber(arg, &number) && number <= 0xff;
      r->port.board.cache_line_words = uint8_t(number);
    } else if (opt == "--set") {
      NDIS_OID oid;
      std::vector<uint8_t> bytes;
      ok = SplitPair(arg, &name, &value) && simlab::OidFromName(name, &oid) && ParseHexBytes(value, &bytes);
      if (ok) r->sets.emplace_back(oid, bytes);
    } else if (opt == "--query") {
      NDIS_OID oid;
      uint64_t length = kDefaultQueryLength;
      size_t colon = arg.find(':');
      ok = simlab::OidFromName(arg.substr(0, colon), &oid) &&
           (colon == std::string::npos || (ParseNumber(arg.substr(colon + 1), &length) && length <= 0xffff));
      if (ok) r->queries.emplace_back(oid, uint32_t(length));
    } else if (opt == "--dump") {
      size_t start = 0;
      while (ok && start <= arg.size()) {
        size_t comma = arg.find(',', start);
        std::string item = arg.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        bool all = item == "all";
        if (all || item == "eeprom") r->dump_eeprom = true;
        if (all || item == "phy") r->dump_phy = true;
        if (all || item == "txring") r->dump_tx_ring = true;
        if (all || item == "setup") r->dump_setup = true;
        if (all || item == "csr") r->dump_csr = true;
        if (all || item == "filter") r->dump_filter = true;
        ok = all || item == "eeprom" || item == "phy" || item == "txring" || item == "setup" || item == "csr" ||
             item == "filter";
        if (comma == std::string::npos) break;
        start = comma + 1;
      }
    }
    if (!ok) {
      *error = "bad value for " + opt + ": " + arg;
      return false;
    }
  }
  if (r->pci.as_k250 && !r->pci.enabled) {
    *error = "--as-k250 goes with --pci";
    return false;
  }
  if (r->pci.enabled && !board_option.empty()) {
    *error = board_option + " describes the simulated board; with --pci the chip is what it is";
    return false;
  }
  return true;
}

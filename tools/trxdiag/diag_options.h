// What the diagnostics tool is asked to set up, do and print.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pci_ports.h"
#include "simlab.h"

struct DiagRequest {
  simlab::PortSpec port = simlab::Lab::DefaultSpec(0);
  // Link partner at the other end of the cable; none: no cable.
  std::optional<sim::Abilities> partner = sim::kAll4Modes;
  std::vector<std::pair<NDIS_OID, std::vector<uint8_t>>> sets;  // in order, before the queries
  // OID and the length of the buffer it is queried with.
  std::vector<std::pair<NDIS_OID, uint32_t>> queries;
  bool dump_eeprom = false, dump_phy = false, dump_tx_ring = false, dump_setup = false;
  bool dump_csr = false, dump_filter = false;
  std::string kernel_image;  // drive this image instead of the natively built driver
  simlab::PciChoice pci;     // a real function instead of the simulated board
};

// Fills `request` from the command line. On a usage error returns false with
// a message in `error`.
bool ParseDiagOptions(int argc, char** argv, DiagRequest* request, std::string* error);

extern const char kDiagUsage[];

// The buffer of a query given without a length: room for any answer.
constexpr uint32_t kDefaultQueryLength = 512;

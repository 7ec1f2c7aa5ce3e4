// Soak of two cabled K250 ports, each driven by its own Trx4n5 instance:
// frames of random sizes and shapes both ways, protocols that keep received
// packets for random times, link flaps and resets in the middle. Used by the
// driver_soak program and, in a short run, by the test suite.
//
// On two real 21143 functions (`pci`, cabled to each other, as the QEMU
// PC's are) there are no cable pulls, both filters are perfect ones, and
// what only a simulated board counts is not checked.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "pci_ports.h"
#include "sim/board_profile.h"

namespace trx_test {

struct SoakOptions {
  uint64_t frames = 1000000;   // packets each port sends
  uint32_t seed = 1;
  uint64_t flap_every = 0;     // packets (both ports together) between cable pulls; 0: about 40 in a run
  uint64_t reset_every = 0;    // packets between resets of one port; 0: about 20 in a run
  std::FILE* progress = nullptr;  // a line now and then, if given
  std::string kernel_image;    // drive this image instead of the natively built driver
  sim::BoardProfile board;        // both boards' profile; port 1 gets seed + 1
  simlab::PciChoice pci;          // real functions instead of simulated boards
};

struct SoakPortSummary {
  uint64_t sent = 0;           // packets completed
  uint64_t succeeded = 0;
  uint64_t failed = 0;         // completed with NDIS_STATUS_FAILURE
  uint64_t aborted = 0;        // flushed by a reset
  uint64_t refusals = 0;       // SendPackets answers of NDIS_STATUS_RESOURCES
  uint64_t indicated = 0;      // packets indicated to this port's protocol
  uint64_t due = 0;            // frames the peer sent successfully that this port's filter passes
  uint64_t kept = 0;           // of those, kept for a while
  uint64_t filtered = 0;       // frames the board's filter dropped
  uint64_t missed = 0;         // frames the board had no descriptor for
  uint64_t ignored = 0;        // frames arriving with no link or the receiver stopped
  uint64_t overflowed = 0;     // frames a full receive FIFO lost or cut short
};

struct SoakSummary {
  SoakPortSummary ports[2];
  uint64_t flaps = 0;
  uint64_t resets = 0;
  uint64_t frames_on_wire = 0;
  double virtual_seconds = 0;
  double real_seconds = 0;
  std::vector<std::string> failures;  // empty when every check held

  bool ok() const { return failures.empty(); }
  void Print(std::FILE* out) const;
};

SoakSummary RunSoak(const SoakOptions& options);

}  // namespace trx_test

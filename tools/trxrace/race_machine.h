// One K250 port under the kernel image with its descriptor stores watched:
// before each store of the driver into its descriptor area lands (a
// boundary), a policy may let the chip take one DMA step, and the descriptor
// race rule (kimage/descriptor_race.h) checks the store and every descriptor
// the chip reads.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "hostndis/host.h"
#include "kimage/descriptor_race.h"
#include "kimage/driver_loader.h"
#include "sim/board.h"
#include "sim/wire.h"

namespace trxrace {

struct RaceOptions {
  std::string image_path = kimage::DefaultImagePath();
  // The board runs on its own schedule too (descriptors stay chip-owned
  // across the driver's calls); its seed makes every run repeat.
  std::string board = "async-dma";
  uint32_t tx_ring = 8, rx_ring = 8;  // small, so that scenarios wrap them
  // Findings name the storing instruction itself rather than the first of
  // its block: many times slower (runs repeat, so a run with findings is
  // simply run again with it).
  bool exact_eip = false;
};

// Whether the chip takes a step at boundary `k` (0 = before the first store
// after arming).
using BoundaryPolicy = std::function<bool(uint64_t k)>;

class RaceDevice;
class ObservedDma;

class RaceMachine {
 public:
  explicit RaceMachine(const RaceOptions& options);
  ~RaceMachine();
  RaceMachine(const RaceMachine&) = delete;
  RaceMachine& operator=(const RaceMachine&) = delete;

  // Loads the image, initializes the adapter, waits for the link and sets
  // the directed + broadcast filter; then watches the descriptor area (found
  // from the ring addresses the driver programmed).
  // False with *error when any of it fails.
  bool BringUp(BoundaryPolicy policy, std::string* error);

  hostndis::Host& host() { return host_; }
  hostndis::Adapter& adapter() { return *adapter_; }
  sim::Board& board();
  sim::FrameEndpoint& peer() { return peer_; }

  // The protocol sends `packets` (refused ones go again, as NDIS does).
  void Send(const std::vector<PNDIS_PACKET>& packets);
  // A frame (without FCS) from the far end that arrives at the chip's next
  // step at a boundary.
  void QueueArrival(std::vector<uint8_t> frame) { arrivals_.push_back(std::move(frame)); }
  // The chip's step: one transmit descriptor, and one queued frame stored.
  void StepChip();
  // While muted the chip's interrupts reach nobody (as if the line were
  // masked); unmuting delivers them.
  void MuteInterrupts(bool on);
  // Lets the machine run: interrupts held back during a step are delivered.
  void Run(sim::Nanoseconds duration);

  // NDIS's reset: the request, then running until it has completed and the
  // link is up again (as NDIS holds requests back meanwhile).
  void Reset();
  // Runs until the driver sees the link up (false after `limit`).
  bool WaitForLink(sim::Nanoseconds limit = 5 * sim::kSecond);

  uint64_t boundaries() const { return boundaries_; }
  uint64_t steps() const { return steps_; }
  // Halts the adapter (the stand-in then reports whatever it still holds),
  // first reporting packets sent and never completed.
  void Halt();
  // Every verifier finding so far (race findings included), each with the
  // number of boundaries passed when it came.
  struct Finding {
    std::string message;
    uint64_t at_boundary;
  };
  const std::vector<Finding>& findings() const { return findings_; }

 private:
  bool Arm(BoundaryPolicy policy, std::string* error);

  RaceOptions options_;
  kimage::DriverLoader loader_;
  hostndis::Host host_;
  kimage::DriverLoader::Loaded driver_;
  std::unique_ptr<ObservedDma> dma_;
  RaceDevice* device_ = nullptr;
  hostndis::Adapter* adapter_ = nullptr;
  sim::FrameEndpoint peer_;
  std::unique_ptr<sim::Wire> wire_;
  std::unique_ptr<kimage::DescriptorRaceRule> rule_;
  BoundaryPolicy policy_;
  std::deque<std::vector<uint8_t>> arrivals_;
  uint64_t boundaries_ = 0, steps_ = 0;
  uint64_t packets_sent_ = 0, packets_completed_ = 0;
  std::vector<Finding> findings_;
};

}  // namespace trxrace

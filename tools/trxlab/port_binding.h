// The upper layer of one simulated port in the lab, playing a protocol bound
// to the miniport: frames the namespace's stack writes to the TAP interface
// go down through SendPackets; frames the driver indicates go up to the TAP.
// It sets the packet filter, keeps the adapter's multicast list equal to the
// interface's memberships, and follows the media indications with the
// interface's carrier.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "simlab.h"
#include "tap_device.h"
#include "tap_writer.h"

class PortBinding {
 public:
  struct Counters {
    uint64_t from_stack = 0;      // frames read from the TAP and sent
    uint64_t to_stack = 0;        // indicated frames written to the TAP
    uint64_t tap_write_failures = 0;  // dropped: the writer was full or the write failed
    uint64_t send_failures = 0;   // completed with an error status
    uint64_t media_connect = 0;
    uint64_t media_disconnect = 0;
    uint64_t multicast_updates = 0;
  };

  PortBinding(simlab::Port& port, TapDevice& tap, TapWriter& writer, int dev_mcast_fd);
  PortBinding(const PortBinding&) = delete;
  PortBinding& operator=(const PortBinding&) = delete;

  // Sets the packet filter and hooks the protocol callbacks.
  void Start();
  // Sends up to `budget` frames waiting at the TAP; returns how many.
  int PumpFromStack(int budget);
  // Packets with the miniport or queued for it stay below this.
  bool HasRoom() const { return outstanding_ < kMaxOutstanding; }
  // Reads the interface's multicast memberships and updates the adapter
  // when they changed. Above the adapter's list size it passes all multicast.
  void SyncMulticast();

  const std::vector<uint8_t>& station_address() const { return station_; }
  const std::vector<std::vector<uint8_t>>& multicast() const { return multicast_; }
  bool all_multicast() const { return all_multicast_; }
  Counters counters() const;
  simlab::Port& port() { return port_; }

 private:
  static constexpr uint32_t kMaxOutstanding = 1024;
  void SetFilter(uint32_t filter);
  std::vector<std::vector<uint8_t>> ReadMemberships();

  simlab::Port& port_;
  TapDevice& tap_;
  TapWriter& writer_;
  int dev_mcast_fd_;
  std::vector<uint8_t> station_;
  std::vector<std::vector<uint8_t>> multicast_;
  bool all_multicast_ = false;
  uint32_t outstanding_ = 0;
  Counters counters_;
  std::vector<uint8_t> frame_;  // read buffer
};

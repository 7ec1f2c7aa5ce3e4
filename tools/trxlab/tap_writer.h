// Hands frames to a TAP interface from a thread of its own. Writing a frame
// to a TAP runs the receiving stack's work (GRO, IP, TCP) in the writer's
// context; doing that beside the simulation instead of inside it lets both
// cores work.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

#include "tap_device.h"

class TapWriter {
 public:
  explicit TapWriter(TapDevice& tap);
  ~TapWriter();
  TapWriter(const TapWriter&) = delete;
  TapWriter& operator=(const TapWriter&) = delete;

  // Queues a frame; false (the frame is dropped, as a full receive queue
  // would) when the writer is that far behind.
  bool Push(const uint8_t* frame, uint32_t length);
  // Wakes the writer for what Push queued; one call per batch of frames
  // saves a wake-up per frame.
  void Kick();
  uint64_t write_failures() const { return write_failures_.load(); }

 private:
  static constexpr uint32_t kSlots = 2048;  // a power of two
  static constexpr uint32_t kSlotSize = 1520;
  void Run();

  TapDevice& tap_;
  std::vector<uint8_t> data_;
  std::vector<uint32_t> lengths_;
  std::atomic<uint32_t> head_{0};  // next slot to fill (producer)
  std::atomic<uint32_t> tail_{0};  // next slot to write (consumer)
  std::atomic<bool> stop_{false};
  std::atomic<bool> sleeping_{false};
  std::atomic<uint64_t> write_failures_{0};
  std::mutex mutex_;
  std::condition_variable wake_;
  std::thread thread_;
};

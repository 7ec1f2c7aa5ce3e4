#include "tap_writer.h"

#include <cstring>

TapWriter::TapWriter(TapDevice& tap)
    : tap_(tap), data_(size_t(kSlots) * kSlotSize), lengths_(kSlots), thread_([this] { Run(); }) {}

TapWriter::~TapWriter() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stop_ = true;
  }
  wake_.notify_one();
  thread_.join();
}

bool TapWriter::Push(const uint8_t* frame, uint32_t length) {
  uint32_t head = head_.load(std::memory_order_relaxed);
  if (length > kSlotSize || head - tail_.load(std::memory_order_acquire) == kSlots) return false;
  uint32_t slot = head & (kSlots - 1);
  std::memcpy(&data_[size_t(slot) * kSlotSize], frame, length);
  lengths_[slot] = length;
  head_.store(head + 1, std::memory_order_release);
  return true;
}

void TapWriter::Kick() {
  // seq_cst on both sides: the frames' publication and the sleeping flag
  // must not pass each other (store then load).
  std::atomic_thread_fence(std::memory_order_seq_cst);
  if (sleeping_.load() && head_.load() != tail_.load()) {
    std::lock_guard<std::mutex> lock(mutex_);
    wake_.notify_one();
  }
}

void TapWriter::Run() {
  for (;;) {
    uint32_t tail = tail_.load(std::memory_order_relaxed);
    if (tail == head_.load(std::memory_order_acquire)) {
      std::unique_lock<std::mutex> lock(mutex_);
      sleeping_.store(true);
      // Checked again under the lock: a Push that saw sleeping_ false has
      // already published its frame.
      wake_.wait(lock, [&] { return stop_ || tail != head_.load(); });
      sleeping_.store(false, std::memory_order_release);
      if (stop_ && tail == head_.load(std::memory_order_acquire)) return;
      continue;
    }
    uint32_t slot = tail & (kSlots - 1);
    if (!tap_.Write(&data_[size_t(slot) * kSlotSize], lengths_[slot])) ++write_failures_;
    tail_.store(tail + 1, std::memory_order_release);
  }
}

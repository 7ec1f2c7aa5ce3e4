#include "byte_chaos.h"

namespace trx_fuzz {

void ByteChaos::Queue(FuzzBytes& in) {
  uint8_t head = in.Byte();
  int point = head % static_cast<int>(sim::ChaosPoint::kCount);
  Mode mode = static_cast<Mode>((head >> 4) & 3);
  // Bit-banged reads come by the thousand: a set top bit counts in steps of 64.
  uint8_t wait = in.Byte();
  uint32_t delay = (wait & 0x80) ? (wait & 0x7fu) * 64 : wait;
  queues_[point].push_back(Distortion{mode, delay, in.Dword()});
}

uint32_t ByteChaos::Distort(sim::ChaosPoint point, uint32_t own) {
  std::deque<Distortion>& queue = queues_[static_cast<int>(point)];
  if (queue.empty()) return own;
  Distortion& next = queue.front();
  if (next.delay > 0) {
    --next.delay;
    return own;
  }
  Distortion d = next;
  queue.pop_front();
  switch (d.mode) {
    case Mode::kReplace: return d.operand;
    case Mode::kFlip: return own ^ d.operand;
    case Mode::kSet: return own | d.operand;
    case Mode::kClear: return own & ~d.operand;
  }
  return own;
}

void ByteChaos::Clear() {
  for (auto& queue : queues_) queue.clear();
}

}  // namespace trx_fuzz

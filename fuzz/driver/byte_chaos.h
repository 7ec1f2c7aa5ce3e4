// A chaos source fed from the fuzzer's bytes: per chaos point, a queue of
// distortions, each waiting a number of consultations before it applies
// once. An empty queue leaves the board honest at that point.
#pragma once

#include <cstdint>
#include <deque>

#include "fuzz_bytes.h"
#include "sim/chaos.h"

namespace trx_fuzz {

class ByteChaos : public sim::ChaosSource {
 public:
  // Queues one distortion from the input: 1 byte of point and mode, 1 byte
  // of delay, 4 bytes of operand.
  void Queue(FuzzBytes& in);
  uint32_t Distort(sim::ChaosPoint point, uint32_t own) override;
  void Clear();

 private:
  enum class Mode : uint8_t { kReplace, kFlip, kSet, kClear };
  struct Distortion {
    Mode mode;
    uint32_t delay;  // consultations to let pass first
    uint32_t operand;
  };
  std::deque<Distortion> queues_[static_cast<int>(sim::ChaosPoint::kCount)];
};

}  // namespace trx_fuzz

// A chaos source a test scripts point by point (sim and driver tests): at a
// scripted point the bits of `mask` read as in `value`, for the next `times`
// reads (every read when not given); the board's own values are kept.
#pragma once

#include <cstdint>
#include <map>

#include "sim/chaos.h"

namespace simtest {

struct ScriptedChaos : sim::ChaosSource {
  static constexpr uint32_t kEvery = UINT32_MAX;
  struct Script {
    uint32_t value, mask, times;
  };
  void Replace(sim::ChaosPoint point, uint32_t value, uint32_t times = kEvery) { Force(point, value, ~0u, times); }
  void Force(sim::ChaosPoint point, uint32_t value, uint32_t mask, uint32_t times = kEvery) {
    scripts[point] = {value, mask, times};
  }
  // Scripted reads of `point` still to come.
  uint32_t Left(sim::ChaosPoint point) { return scripts[point].times; }

  uint32_t Distort(sim::ChaosPoint point, uint32_t value) override {
    own[point] = value;
    auto it = scripts.find(point);
    if (it == scripts.end() || it->second.times == 0) return value;
    if (it->second.times != kEvery) --it->second.times;
    return (value & ~it->second.mask) | (it->second.value & it->second.mask);
  }

  std::map<sim::ChaosPoint, Script> scripts;
  std::map<sim::ChaosPoint, uint32_t> own;  // what the board would have said
};

}  // namespace simtest

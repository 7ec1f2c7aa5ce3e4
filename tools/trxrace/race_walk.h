// The race finder's two ways of choosing boundaries: a systematic walk of a
// short scenario (one run per boundary, the chip stepping there) and a long
// run with seeded random boundaries.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "race_machine.h"
#include "race_scenarios.h"

namespace trxrace {

struct RaceFinding {
  std::string message;  // the verifier's "[Rule] ..."
  std::string scenario;
  int64_t stepped;       // the boundary the chip stepped at (walk), -1 for none
  uint64_t at_boundary;  // boundaries passed when it came
};

struct WalkResult {
  std::string error;              // a run could not be set up
  uint64_t boundaries = 0;        // of the run without steps
  uint64_t runs = 0;
  uint64_t steps = 0;              // chip steps taken at boundaries, all runs
  uint64_t frames = 0;             // frames the chip sent and stored, all runs
  std::vector<RaceFinding> findings;  // each distinct message once
};

// Runs `scenario` once without steps to count its boundaries N, then N times
// from scratch with the chip stepping at boundary k on run k (k < limit when
// limit is not 0).
WalkResult SystematicWalk(const RaceOptions& options, const Scenario& scenario, uint64_t limit = 0);

// The long mixed scenario until `boundaries` stores were watched, the chip
// stepping at each boundary with a chance of 1 in `one_in`, drawn from `seed`.
WalkResult RandomRun(const RaceOptions& options, uint32_t seed, uint64_t boundaries, uint32_t one_in = 4);

}  // namespace trxrace

#include "race_walk.h"

#include <functional>
#include <memory>

namespace trxrace {
namespace {

void Collect(RaceMachine& m, const std::string& scenario, int64_t boundary, WalkResult* result) {
  result->steps += m.steps();
  result->frames += m.board().counters().tx_frames + m.board().counters().rx_frames;
  for (const RaceMachine::Finding& found : m.findings()) {
    bool seen = false;
    for (const RaceFinding& f : result->findings) seen = seen || f.message == found.message;
    if (!seen) result->findings.push_back({found.message, scenario, boundary, found.at_boundary});
  }
}

// One run from scratch, and once more with exact EIPs when it found
// anything (runs repeat); false with result->error when it cannot be set up.
bool RunOnce(const RaceOptions& options, const std::string& name, const std::function<void(RaceMachine&)>& body,
             const BoundaryPolicy& policy, int64_t boundary, WalkResult* result) {
  auto m = std::make_unique<RaceMachine>(options);
  if (!m->BringUp(policy, &result->error)) return false;
  body(*m);
  m->Halt();
  if (!m->findings().empty() && !options.exact_eip) {
    RaceOptions exact = options;
    exact.exact_eip = true;
    m = std::make_unique<RaceMachine>(exact);
    if (!m->BringUp(policy, &result->error)) return false;
    body(*m);
    m->Halt();
  }
  if (boundary < 0) result->boundaries = m->boundaries();
  ++result->runs;
  Collect(*m, name, boundary, result);
  return true;
}

}  // namespace

WalkResult SystematicWalk(const RaceOptions& options, const Scenario& scenario, uint64_t limit) {
  WalkResult result;
  auto body = [&](RaceMachine& m) { scenario.run(m); };
  if (!RunOnce(options, scenario.name, body, nullptr, -1, &result)) return result;
  uint64_t n = result.boundaries;
  if (limit != 0 && limit < n) n = limit;
  for (uint64_t k = 0; k < n; ++k) {
    BoundaryPolicy at_k = [k](uint64_t b) { return b == k; };
    if (!RunOnce(options, scenario.name, body, at_k, static_cast<int64_t>(k), &result)) return result;
  }
  return result;
}

WalkResult RandomRun(const RaceOptions& options, uint32_t seed, uint64_t boundaries, uint32_t one_in) {
  WalkResult result;
  uint64_t state = 0;
  BoundaryPolicy random = [&state, one_in](uint64_t) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return one_in <= 1 || state % one_in == 0;
  };
  auto body = [&](RaceMachine& m) {
    state = 0xd1b54a32d192ed03ull * (uint64_t(seed) + 7);  // again for the exact rerun
    MixedTraffic(m, seed, boundaries);
  };
  RunOnce(options, "mixed", body, random, -1, &result);
  return result;
}

}  // namespace trxrace

// The race finder's short systematic walks over the kernel image: every
// scenario, the chip stepping at each boundary in turn, finds nothing.
#include <gtest/gtest.h>

#include "race_walk.h"

namespace {

struct Walk {
  const char* scenario;
  uint32_t boundaries;  // at least: the descriptor words its stores must reach
  const char* why;
};

void PrintTo(const Walk& walk, std::ostream* out) { *out << walk.scenario; }

class RaceWalkTest : public ::testing::TestWithParam<Walk> {};

TEST_P(RaceWalkTest, TheChipSteppingAtAnyBoundaryRacesNothing) {
  const Walk& w = GetParam();
  const trxrace::Scenario* scenario = trxrace::FindScenario(w.scenario);
  ASSERT_NE(scenario, nullptr) << w.scenario;
  trxrace::WalkResult r = trxrace::SystematicWalk(trxrace::RaceOptions(), *scenario);
  ASSERT_EQ(r.error, "") << "the run could not be set up";
  EXPECT_GE(r.boundaries, w.boundaries) << w.why;
  EXPECT_EQ(r.runs, r.boundaries + 1) << "one run to count, then one per boundary";
  EXPECT_EQ(r.steps, r.boundaries) << "the chip stepped once in each stepping run";
  for (const trxrace::RaceFinding& f : r.findings)
    ADD_FAILURE() << f.scenario << ", chip stepped at boundary " << f.stepped << ": " << f.message;
}

INSTANTIATE_TEST_SUITE_P(
    Scenarios, RaceWalkTest,
    ::testing::Values(Walk{"send", 60, "four descriptor words for each of the 15 packets of one, a batch and a wrapping ring"},
                      Walk{"receive", 24, "three words for each of the 8 buffers returned in another order"},
                      Walk{"filter", 4 * 8, "a dummy and a setup descriptor for each of the 4 reloads back to back"},
                      Walk{"reset", 5 * 4, "the five packets sent around a reset with sends in flight"}),
    [](const ::testing::TestParamInfo<Walk>& info) { return std::string(info.param.scenario); });

}  // namespace

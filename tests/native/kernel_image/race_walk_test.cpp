// The race finder's short systematic walks over the kernel image: every
// scenario, the chip stepping at each boundary in turn, finds nothing.
#include <gtest/gtest.h>

#include "race_walk.h"

namespace {

trxrace::WalkResult Walk(const char* name) {
  const trxrace::Scenario* scenario = trxrace::FindScenario(name);
  EXPECT_NE(scenario, nullptr) << name;
  return scenario != nullptr ? trxrace::SystematicWalk(trxrace::RaceOptions(), *scenario) : trxrace::WalkResult();
}

void ExpectNoFinding(const trxrace::WalkResult& r) {
  ASSERT_EQ(r.error, "") << "the run could not be set up";
  EXPECT_EQ(r.runs, r.boundaries + 1) << "one run to count, then one per boundary";
  EXPECT_EQ(r.steps, r.boundaries) << "the chip stepped once in each stepping run";
  for (const trxrace::RaceFinding& f : r.findings)
    ADD_FAILURE() << f.scenario << ", chip stepped at boundary " << f.stepped << ": " << f.message;
}

TEST(RaceWalkTest, SendsOfOneABatchAndAWrappingRingRaceNothing) {
  trxrace::WalkResult r = Walk("send");
  EXPECT_GE(r.boundaries, 60u) << "four descriptor words for each of the 15 packets";
  ExpectNoFinding(r);
}

TEST(RaceWalkTest, ReturnsInAnotherOrderThanIndicatedRaceNothing) {
  trxrace::WalkResult r = Walk("receive");
  EXPECT_GE(r.boundaries, 24u) << "three words for each of the 8 buffers returned";
  ExpectNoFinding(r);
}

TEST(RaceWalkTest, FilterReloadsBackToBackRaceNothing) {
  trxrace::WalkResult r = Walk("filter");
  EXPECT_GE(r.boundaries, 4u * 8u) << "a dummy and a setup descriptor for each of the 4 reloads";
  ExpectNoFinding(r);
}

TEST(RaceWalkTest, AResetWithSendsInFlightRacesNothing) {
  trxrace::WalkResult r = Walk("reset");
  EXPECT_GE(r.boundaries, 5u * 4u) << "the five packets sent around the reset";
  ExpectNoFinding(r);
}

}  // namespace

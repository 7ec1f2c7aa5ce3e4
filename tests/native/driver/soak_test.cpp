// A short run of the soak on each kind of board: the same checks as
// driver_soak, fewer frames (fewer still over the emulator).
#include <gtest/gtest.h>

#include <string>

#include "driver_fixture.h"
#include "kimage/driver_loader.h"
#include "soak.h"

namespace trx_test {
namespace {

struct ShortSoak {
  std::string board;
  uint64_t frames, flap_every, reset_every;
};

void PrintTo(const ShortSoak& run, std::ostream* out) { *out << run.board; }

class DriverSoak : public ::testing::TestWithParam<ShortSoak> {};

TEST_P(DriverSoak, ShortRunCompletesEveryPacketOnce) {
  const ShortSoak& run = GetParam();
  SoakOptions options;
  options.frames = run.frames;
  options.flap_every = run.flap_every;
  options.reset_every = run.reset_every;
  if (run.board != "kind") {
    ASSERT_TRUE(sim::BoardProfile::Named(run.board, &options.board)) << run.board;
  }
#ifdef TRX_TEST_KERNEL_IMAGE
  options.frames /= 2;
  options.flap_every /= 2;
  options.reset_every /= 2;
  options.kernel_image = kimage::DefaultImagePath();
#endif
  if (OnRealFunctions()) {
    // No cable to pull; each reset costs 1.5 s of real time.
    options.pci.enabled = options.pci.as_k250 = true;
    options.frames = 2000;
    options.reset_every = 1000;
  }
  SoakSummary summary = RunSoak(options);
  summary.Print(stdout);
  EXPECT_TRUE(summary.ok()) << "every packet completed once, the counters matching the wire, the verifier silent";
  if (OnRealFunctions()) return;  // no cable to pull; QEMU's chip sends at once, a reset rarely finds a packet with it
  EXPECT_GE(summary.flaps, 2u) << "the cable was pulled";
  EXPECT_GE(summary.resets, 1u) << "a port was reset";
  EXPECT_GT(summary.ports[0].aborted + summary.ports[1].aborted + summary.ports[0].failed + summary.ports[1].failed, 0u)
      << "the disturbances hit packets in flight";
}

INSTANTIATE_TEST_SUITE_P(Boards, DriverSoak,
                         ::testing::Values(ShortSoak{"kind", 4000, 1400, 2400}, ShortSoak{"realistic", 1500, 1000, 1200}),
                         [](const ::testing::TestParamInfo<ShortSoak>& info) { return info.param.board; });

}  // namespace
}  // namespace trx_test

// A short run of the soak: the same checks as driver_soak, fewer frames.
#include <gtest/gtest.h>

#include "driver_fixture.h"
#include "kimage/driver_loader.h"
#include "soak.h"

namespace trx_test {
namespace {

TEST(DriverSoak, ShortRunCompletesEveryPacketOnceWithCountersMatchingTheWire) {
  SoakOptions options;
#ifdef TRX_TEST_KERNEL_IMAGE
  // Shorter over the emulator.
  options.frames = 2000;
  options.flap_every = 700;
  options.reset_every = 1200;
  options.kernel_image = kimage::DefaultImagePath();
#else
  options.frames = 4000;
  options.flap_every = 1500;
  options.reset_every = 2500;
#endif
  if (OnRealFunctions()) {
    // No cable to pull; each reset costs 1.5 s of real time.
    options.pci.enabled = options.pci.as_k250 = true;
    options.frames = 2000;
    options.reset_every = 1000;
  }
  SoakSummary summary = RunSoak(options);
  summary.Print(stdout);
  EXPECT_TRUE(summary.ok());
  if (OnRealFunctions()) return;  // no cable to pull; QEMU's chip sends at once, a reset rarely finds a packet with it
  EXPECT_GE(summary.flaps, 4u);
  EXPECT_GE(summary.resets, 2u);
  EXPECT_GT(summary.ports[0].aborted + summary.ports[1].aborted + summary.ports[0].failed + summary.ports[1].failed, 0u)
      << "the disturbances hit packets in flight";
}

TEST(DriverSoak, ShortRunOnRealisticBoardsCompletesEveryPacketOnce) {
  SoakOptions options;
  options.frames = 1500;
  options.flap_every = 1000;
  options.reset_every = 1200;
  ASSERT_TRUE(sim::BoardProfile::Named("realistic", &options.board));
  SoakSummary summary = RunSoak(options);
  summary.Print(stdout);
  EXPECT_TRUE(summary.ok()) << "every packet completed once, the verifier silent, on asynchronous boards";
}

}  // namespace
}  // namespace trx_test

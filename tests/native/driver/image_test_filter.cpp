// driver_image_tests leaves out the tests that reach where a copy of the
// image's adapter context cannot: a record found through a packet's
// miniport-reserved area, or a record field written to steer the driver.
#include <gtest/gtest.h>

namespace {

const char kNativeOnly[] =
    "ReceiveTest.KeptPacketsComeBackInAnyOrderBehindEarlierReturns:"
    "ReceiveTest.APacketKeptInABatchStaysWhileTheOthersAreRecycled:"
    "CompletionStatusTest.AZeroStatusIsCleanOnlyForARecordHandedToTheChip";

}  // namespace

// Replaces gtest_main's main (which the linker then leaves out of the archive).
int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  std::string& filter = ::testing::GTEST_FLAG(filter);
  filter += std::string(filter.find('-') == std::string::npos ? "-" : ":") + kNativeOnly;
  return RUN_ALL_TESTS();
}

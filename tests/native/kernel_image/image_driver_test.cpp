// The shipped Trx4n5.sys over the stand-in and a simulated board.
#include <gtest/gtest.h>

#include "hostndis/testing.h"
#include "kimage/kernel_image.h"
#include "sim/board.h"
#include "sim/wire.h"

namespace {

hostndis::HostConfig ImageConfig() {
  hostndis::HostConfig config;
  config.pool_in_physical_memory = true;
  return config;
}

class ImageDriverTest : public hostndis::testing::HostTest {
 protected:
  ImageDriverTest() : HostTest(ImageConfig()) {}
  void SetUp() override {
    std::string error;
    image = kimage::KernelImage::Load(host, TMRX_KERNEL_IMAGE, &error);
    ASSERT_NE(image, nullptr) << error;
    ASSERT_EQ(image->LoadDriver(), STATUS_SUCCESS) << "DriverEntry of the image";
  }
  std::unique_ptr<kimage::KernelImage> image;
};

TEST_F(ImageDriverTest, InitializesReportsItsAddressAndHalts) {
  sim::Board& board = host.AddBoard(sim::BoardConfig());
  sim::FrameEndpoint peer;
  sim::Wire wire(host.clock(), board, peer, sim::Wire::Pace::kUnlimited);
  hostndis::Adapter& adapter = host.AddAdapter(board);
  adapter.SetKeyword("ConnectionType", 0u);
  adapter.SetKeyword("SlotNumber", sim::BoardConfig().slot);
  ASSERT_EQ(adapter.Initialize(), NDIS_STATUS_SUCCESS) << "Initialize of the image";
  hostndis::QueryResult r = adapter.Query(OID_802_3_CURRENT_ADDRESS, 6);
  ASSERT_EQ(r.status, NDIS_STATUS_SUCCESS) << "query of the station address";
  EXPECT_EQ(r.data, (std::vector<uint8_t>{0x00, 0x12, 0x34, 0x56, 0x78, 0x9a})) << "the EEPROM's station address";
  host.RunFor(3 * sim::kSecond);
  hostndis::QueryResult link = adapter.Query(OID_GEN_MEDIA_CONNECT_STATUS, 4);
  EXPECT_EQ(link.data, (std::vector<uint8_t>{0, 0, 0, 0})) << "the link is up (NdisMediaStateConnected)";
  adapter.Halt();
}

}  // namespace

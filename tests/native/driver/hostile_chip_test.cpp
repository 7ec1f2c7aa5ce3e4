// What a chip that stops answering, or answers nonsense, must not do to the
// driver: leave packets uncompleted or mapped, or lend out more than a buffer.
#include "driver_fixture.h"

namespace trx_test {
namespace {

using hostndis::SendState;

class HostileChipTest : public DriverTest {};

// 1000-byte last buffers are mapped (MapThreshold 100); at line rate the
// first is still on the wire and the others wait when Halt comes.
TEST_F(HostileChipTest, HaltCompletesPacketsTheChipNeverGaveBackAsAborted) {
  Port& port = AddPort(sim::BoardConfig(), true, sim::Wire::Pace::kLineRate);
  BringUp(port);
  std::vector<PNDIS_PACKET> packets;
  for (uint8_t i = 0; i < 3; ++i)
    packets.push_back(port.adapter->BuildPacket({{Frame(kPeer, 14, i, kStation), 0}, {std::vector<uint8_t>(1000, i), 0}}));
  port.adapter->Send(packets);
  for (PNDIS_PACKET p : packets)
    ASSERT_EQ(port.adapter->send_state(p), SendState::kWithMiniport) << "still with the driver when Halt comes";

  port.adapter->Halt();  // the fixture fails on a leaked mapping or an uncompleted send
  for (PNDIS_PACKET p : packets) {
    EXPECT_EQ(port.adapter->send_state(p), SendState::kCompleted) << "completed by Halt";
    EXPECT_EQ(port.adapter->send_status(p), NDIS_STATUS_REQUEST_ABORTED) << "as aborted";
  }
  EXPECT_EQ(port.adapter->send_completions().size(), 3u) << "each packet completed exactly once";
}

}  // namespace
}  // namespace trx_test

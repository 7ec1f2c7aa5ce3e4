// What a chip that stops answering, or answers nonsense, must not do to the
// driver: leave packets uncompleted or mapped, or lend out more than a buffer.
#include "../sim/scripted_chaos.h"
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

// The chip writes "nothing to report", the dummy's word, into a packet's
// descriptor: the packet fails once instead of vanishing with its mapping.
TEST_F(HostileChipTest, PacketWhoseDescriptorSaysNothingToReportCompletesAsFailed) {
  Port& port = AddPort();
  BringUp(port);
  simtest::ScriptedChaos chaos;
  chaos.Replace(sim::ChaosPoint::kTxStatus, 0x7fffffff, 1);
  port.board().SetChaosSource(&chaos);
  PNDIS_PACKET lied = port.adapter->BuildPacket({{Frame(kPeer, 14, 1, kStation), 0}, {std::vector<uint8_t>(1000, 1), 0}});
  EXPECT_EQ(SendAndComplete(port, lied), NDIS_STATUS_FAILURE) << "completed, as failed";
  EXPECT_EQ(QueryValue(port, OID_GEN_XMIT_ERROR), 1u) << "counted as a transmit error";
  EXPECT_EQ(QueryValue(port, OID_802_3_XMIT_TIMES_CRS_LOST), 0u) << "the word's other bits mean nothing";

  PNDIS_PACKET next = port.adapter->BuildPacket(Frame(kPeer, 60, 2, kStation));
  EXPECT_EQ(SendAndComplete(port, next), NDIS_STATUS_SUCCESS) << "the ring goes on";
  EXPECT_EQ(port.adapter->send_completions().size(), 2u) << "each packet completed exactly once";
  port.board().SetChaosSource(nullptr);
}

// A status register whose events never clear must not hold the processor in
// the deferred handler: it gives up after a bounded number of rounds.
TEST_F(HostileChipTest, StatusThatNeverClearsDoesNotHoldTheDeferredHandler) {
  Port& port = AddPort();
  BringUp(port);
  // The board's own events plus transmit and receive interrupts that stay set
  // whatever is acknowledged, for the next 100000 reads: a handler that loops
  // until they clear reads every one of them.
  simtest::ScriptedChaos chaos;
  chaos.Force(sim::ChaosPoint::kCsr5, 0x00000041, 0x00000041, 100000);
  port.board().SetChaosSource(&chaos);
  PNDIS_PACKET p = port.adapter->BuildPacket(Frame(kPeer, 60, 1, kStation));
  port.adapter->Send({p});
  Run(sim::kMillisecond);
  EXPECT_GT(chaos.Left(sim::ChaosPoint::kCsr5), 100000u - 1000u) << "the handler stopped reading the status after a bounded number of rounds";
  port.board().SetChaosSource(nullptr);
  Run(10 * sim::kMillisecond);
  EXPECT_EQ(port.adapter->send_state(p), SendState::kCompleted) << "the packet still completes";
  EXPECT_EQ(port.adapter->send_completions().size(), 1u) << "exactly once";
}

}  // namespace
}  // namespace trx_test

// The receive path: lengths, batches of 16, error frames between good ones,
// and buffers kept by the protocols and returned in any order.
#include "driver_fixture.h"

namespace trx_test {
namespace {

using hostndis::ReceiveAction;

class ReceiveTest : public DriverTest {
 protected:
  Port& ReceivingPort(ULONG rx_ring = 0) {
    Port& port = AddPort();
    if (rx_ring != 0) port.adapter->SetKeyword("RxRingSize", rx_ring);
    BringUp(port);
    EXPECT_EQ(SetFilter(port, NDIS_PACKET_TYPE_DIRECTED), NDIS_STATUS_SUCCESS);
    return port;
  }
  // Frames sent while the line is muted wait in the ring for one interrupt
  // (on a board that writes their status later, until it has).
  void SendHeld(Port& port, const std::vector<std::vector<uint8_t>>& frames, const std::vector<bool>& bad = {}) {
    port.device->MuteLine(true);
    for (size_t i = 0; i < frames.size(); ++i) port.peer->Send(frames[i], i < bad.size() && bad[i]);
    LetTheChipCatchUp(port);
    port.device->MuteLine(false);
    Run(sim::kMillisecond);
  }
  static PRX_RECORD RecordOf(PNDIS_PACKET p) { return RxRecordOfPacket(p); }
  // Records in the chain, sentinel included: all of them while none is lent.
  static ULONG ChainLength(Port& port) {
    ULONG n = 1;
    for (PRX_RECORD r = port.context()->RxHead; r != port.context()->RxTail && n <= port.context()->RxCount; r = r->Next) ++n;
    return n;
  }
};

TEST_F(ReceiveTest, IndicatesASixtyFourByteFrameWithoutItsCrc) {
  Port& port = ReceivingPort();
  std::vector<uint8_t> frame = Frame(kStation, 60, 4);
  port.peer->Send(frame);
  Run(sim::kMillisecond);
  ASSERT_EQ(port.adapter->received().size(), 1u);
  EXPECT_EQ(port.adapter->received()[0].bytes, frame);
  EXPECT_EQ(port.adapter->received()[0].header_size, 14u);
  EXPECT_EQ(port.adapter->received()[0].status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_OK), 1u);
}

TEST_F(ReceiveTest, IndicatesTwentyFramesAsSixteenThenFour) {
  Port& port = ReceivingPort();
  std::vector<uint64_t> batch_of;  // the indication each packet came in
  std::vector<std::vector<uint8_t>> bytes;
  port.adapter->OnReceive([&](PNDIS_PACKET p) {
    batch_of.push_back(port.adapter->receive_indications());
    bytes.push_back(hostndis::Adapter::PacketBytes(p));
    return ReceiveAction::kReturn;
  });
  std::vector<std::vector<uint8_t>> frames;
  for (uint8_t i = 0; i < 20; ++i) frames.push_back(Frame(kStation, 60 + i, i));
  SendHeld(port, frames);
  std::vector<uint64_t> expected(16, 1);
  expected.resize(20, 2);
  EXPECT_EQ(batch_of, expected) << "sixteen packets in the first indication, four in the second";
  EXPECT_EQ(bytes, frames) << "in arrival order";
}

TEST_F(ReceiveTest, RecyclesAnErrorFrameBetweenTwoBatches) {
  Port& port = ReceivingPort();
  std::vector<std::vector<uint8_t>> frames;
  for (uint8_t i = 0; i < 6; ++i) frames.push_back(Frame(kStation, 100, i));
  SendHeld(port, frames, {false, false, false, true, false, false});
  EXPECT_EQ(port.adapter->receive_indications(), 2u) << "three frames, then the two after the bad one";
  ASSERT_EQ(port.adapter->received().size(), 5u);
  EXPECT_EQ(port.adapter->received()[3].bytes, frames[4]);
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_OK), 5u);
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_ERROR), 1u);
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_CRC_ERROR), 1u);
  EXPECT_EQ(QueryValue(port, OID_802_3_RCV_ERROR_ALIGNMENT), 0u);
  EXPECT_EQ(ChainLength(port), port.context()->RxCount) << "the bad frame's buffer went back to the chip";
}

TEST_F(ReceiveTest, CountsADribblingFrameAsAnAlignmentError) {
  Port& port = ReceivingPort();
  port.board().InjectRxDribble(1);
  port.peer->Send(Frame(kStation, 80));
  port.peer->Send(Frame(kStation, 81));
  Run(sim::kMillisecond);
  EXPECT_EQ(port.adapter->received().size(), 1u);
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_ERROR), 1u);
  EXPECT_EQ(QueryValue(port, OID_802_3_RCV_ERROR_ALIGNMENT), 1u);
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_CRC_ERROR), 0u);
  EXPECT_EQ(ChainLength(port), port.context()->RxCount);
}

TEST_F(ReceiveTest, DropsAFrameLongerThanTheBufferInsteadOfIndicatingIt) {
  Port& port = ReceivingPort();
  port.peer->Send(Frame(kStation, 1600));
  port.peer->Send(Frame(kStation, 1514, 7));
  Run(sim::kMillisecond);
  ASSERT_EQ(port.adapter->received().size(), 1u) << "only the frame that fits";
  EXPECT_EQ(port.adapter->received()[0].bytes, Frame(kStation, 1514, 7));
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_ERROR), 1u) << "one frame over two descriptors, one error";
  EXPECT_EQ(ChainLength(port), port.context()->RxCount);
}

// A protocol that asks the packet for its length gets the frame's, however
// often the buffer has been lent before.
TEST_F(ReceiveTest, ARecycledPacketReportsItsNewLength) {
  Port& port = ReceivingPort(2);
  std::vector<UINT> lengths;
  port.adapter->OnReceive([&](PNDIS_PACKET p) {
    UINT total = 0;
    NdisQueryPacket(p, nullptr, nullptr, nullptr, &total);
    lengths.push_back(total);
    return ReceiveAction::kReturn;
  });
  for (uint32_t length : {60u, 300u, 1514u, 61u, 900u, 64u}) {
    port.peer->Send(Frame(kStation, length));
    Run(sim::kMillisecond);
  }
  EXPECT_EQ(lengths, (std::vector<UINT>{60, 300, 1514, 61, 900, 64}));
}

// Four records: three with the chip and the sentinel. Kept packets hold
// their buffers; returned ones go to the end of the chain in return order.
TEST_F(ReceiveTest, KeptPacketsComeBackInAnyOrderBehindEarlierReturns) {
  Port& port = ReceivingPort(4);
  PADAPTER_CONTEXT a = port.context();
  port.adapter->OnReceive([](PNDIS_PACKET) { return ReceiveAction::kKeep; });
  for (uint8_t i = 0; i < 4; ++i) port.peer->Send(Frame(kStation, 60, i));
  Run(sim::kMillisecond);
  std::vector<PNDIS_PACKET> held = port.adapter->held_packets();
  ASSERT_EQ(held.size(), 3u);
  EXPECT_EQ(a->RxHead, a->RxTail) << "every record but the sentinel is lent out";
  // QEMU's receiver holds a frame back until a descriptor is free instead
  // of missing it (CSR8 stays 0).
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_NO_BUFFER), OnQemu() ? 0u : 1u) << "the fourth frame found no descriptor";

  PRX_RECORD sentinel = a->RxTail;
  for (int i : {2, 0, 1}) port.adapter->ReturnPacket(held[i]);
  EXPECT_EQ(a->RxTail, RecordOf(held[1])) << "the last one returned is the new sentinel";

  for (uint8_t i = 0; i < 3; ++i) port.peer->Send(Frame(kStation, 70, i));
  Run(sim::kMillisecond);
  std::vector<PNDIS_PACKET> again = port.adapter->held_packets();
  ASSERT_EQ(again.size(), 3u);
  EXPECT_EQ(RecordOf(again[0]), sentinel) << "the old sentinel is filled first";
  EXPECT_EQ(RecordOf(again[1]), RecordOf(held[2]));
  EXPECT_EQ(RecordOf(again[2]), RecordOf(held[0]));
  EXPECT_EQ(hostndis::Adapter::PacketBytes(again[2]), Frame(kStation, 70, 2));
  port.adapter->ReturnAllPackets();
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_OK), 6u);
}

TEST_F(ReceiveTest, APacketKeptInABatchStaysWhileTheOthersAreRecycled) {
  Port& port = ReceivingPort(8);
  int seen = 0;
  port.adapter->OnReceive([&](PNDIS_PACKET) { return ++seen == 2 ? ReceiveAction::kKeep : ReceiveAction::kReturn; });
  std::vector<std::vector<uint8_t>> frames;
  for (uint8_t i = 0; i < 3; ++i) frames.push_back(Frame(kStation, 60, i));
  SendHeld(port, frames);
  ASSERT_EQ(port.adapter->held_packets().size(), 1u);
  PRX_RECORD kept = RecordOf(port.adapter->held_packets()[0]);
  for (PRX_RECORD r = port.context()->RxHead; r != port.context()->RxTail; r = r->Next)
    ASSERT_NE(r, kept) << "a kept buffer is outside the chain";
  port.adapter->ReturnAllPackets();
  EXPECT_EQ(port.context()->RxTail, kept);
}

}  // namespace
}  // namespace trx_test

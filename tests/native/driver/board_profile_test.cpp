// The driver on boards that behave like silicon rather than the kind model:
// each test would pass on the kind board whatever the driver assumed.
#include "driver_fixture.h"

namespace trx_test {
namespace {

class BoardProfileTest : public DriverTest {
 protected:
  Port& PortOn(const char* profile, sim::PhyModel phy = sim::PhyModel::kPhy1378) {
    sim::BoardConfig config;
    config.phy = phy;
    EXPECT_TRUE(sim::BoardProfile::Named(profile, &config.profile)) << profile;
    return AddPort(config);
  }
  // Sends `count` packets at once and runs until none is with the miniport.
  std::vector<PNDIS_PACKET> SendBurst(Port& port, uint32_t count) {
    std::vector<PNDIS_PACKET> packets;
    for (uint32_t i = 0; i < count; ++i)
      packets.push_back(port.adapter->BuildPacket(Frame(kPeer, 60 + i, uint8_t(i), kStation)));
    port.adapter->Send(packets);
    host.RunUntil(
        [&] {
          for (PNDIS_PACKET p : packets)
            if (port.adapter->send_state(p) == hostndis::SendState::kWithMiniport) return false;
          return true;
        },
        sim::kSecond);
    return packets;
  }
};

TEST_F(BoardProfileTest, AsynchronousDmaCompletesEveryPacketOnceInOrder) {
  Port& port = PortOn("async-dma");
  BringUp(port);
  port.adapter->ClearSendCompletions();
  std::vector<PNDIS_PACKET> packets = SendBurst(port, 12);
  const std::vector<hostndis::SendCompletion>& done = port.adapter->send_completions();
  ASSERT_EQ(done.size(), 12u) << "each packet completed exactly once";
  for (uint32_t i = 0; i < 12; ++i) {
    EXPECT_EQ(done[i].packet, packets[i]) << "completion order, packet " << i;
    EXPECT_EQ(done[i].status, NDIS_STATUS_SUCCESS) << "packet " << i;
  }
  ASSERT_EQ(port.peer->received().size(), 12u) << "every frame reached the wire";
  EXPECT_EQ(port.peer->received()[11].size(), 71u + 4u) << "the last frame, FCS included";
  EXPECT_EQ(QueryValue(port, OID_GEN_XMIT_OK), 12u);
}

// Setup and dummy descriptors closed with status 0 are no sent packets.
TEST_F(BoardProfileTest, ZeroStatusOnSetupDescriptorsIsNotCountedAsASend) {
  Port& port = PortOn("zero-status");
  BringUp(port);
  ASSERT_EQ(SetMulticast(port, {Multicast(1), Multicast(2)}), NDIS_STATUS_SUCCESS) << "a filter reload";
  Run(10 * sim::kMillisecond);
  SendBurst(port, 3);
  EXPECT_EQ(QueryValue(port, OID_GEN_XMIT_OK), 3u) << "three packets, however many filter loads";
  EXPECT_EQ(port.context()->TxFree, port.context()->TxRingSize - 1) << "every descriptor reclaimed";
}

// The chip reads the one setup frame only when it gets to the setup
// descriptor: a second reload before then must not rewrite the frame.
TEST_F(BoardProfileTest, AReloadLeavesTheSetupFrameAloneUntilTheChipHasReadIt) {
  Port& port = PortOn("async-dma");
  BringUp(port);
  uint64_t before = port.board().counters().tx_setup_frames;
  port.adapter->Set(OID_GEN_CURRENT_PACKET_FILTER, Bytes(kDirectedBroadcast));
  port.adapter->Set(OID_GEN_CURRENT_PACKET_FILTER, Bytes(NDIS_PACKET_TYPE_BROADCAST));
  ASSERT_TRUE(host.RunUntil([&] { return port.board().counters().tx_setup_frames == before + 1; }, sim::kSecond))
      << "the chip takes the first setup frame";
  EXPECT_EQ(port.board().filter().perfect[0], kStation) << "the first frame as built: directed and broadcast";
  EXPECT_EQ(port.board().filter().perfect[1], kBroadcast) << "the first frame as built: entry 1";
  ASSERT_TRUE(host.RunUntil([&] { return port.board().counters().tx_setup_frames == before + 2; }, sim::kSecond))
      << "the second reload follows once the first frame is read";
  EXPECT_EQ(port.board().filter().perfect[0], kBroadcast) << "broadcast only: entry 0 is the broadcast address";
}

// NDIS sends refused packets again after a send completion; with the ring
// full of a reload's dummy and setup descriptors none comes, so the driver
// says when they are freed.
TEST_F(BoardProfileTest, ARingFullOfFilterDescriptorsTellsNdisWhenTheyAreFreed) {
  Port& port = PortOn("async-dma");
  port.adapter->SetKeyword("TxRingSize", 3u);  // room for one dummy and setup pair
  BringUp(port);
  uint64_t notices = port.adapter->send_resources_notices();
  port.adapter->Set(OID_GEN_CURRENT_PACKET_FILTER, Bytes(kDirectedBroadcast));
  PNDIS_PACKET packet = port.adapter->BuildPacket(Frame(kPeer, 60, 1, kStation));
  port.adapter->Send({packet});
  ASSERT_EQ(port.adapter->send_state(packet), hostndis::SendState::kRefused) << "the ring is full";
  Run(5 * sim::kMillisecond);
  EXPECT_EQ(port.adapter->send_resources_notices(), notices + 1) << "NdisMSendResourcesAvailable once freed";
  EXPECT_EQ(SendAndComplete(port, packet), NDIS_STATUS_SUCCESS) << "sent again";
}

TEST_F(BoardProfileTest, ModeChangeWaitsForSlowStops) {
  Port& port = PortOn("slow-stops");
  BringUp(port);
  ULONG csr6 = port.board().ReadCsr(0x30);
  EXPECT_EQ(csr6 & 0x2202u, 0x2202u) << "full duplex applied and both processes running again";
  EXPECT_EQ((port.board().ReadCsr(0x28) >> 17) & 7, 3u) << "receive process waiting";
  EXPECT_EQ(SendAndComplete(port, port.adapter->BuildPacket(Frame(kPeer, 60, 1, kStation))), NDIS_STATUS_SUCCESS);
}

TEST_F(BoardProfileTest, LinkNegotiatedAfterTheSettleWaitIsReportedLater) {
  Port& port = PortOn("slow-link");
  ASSERT_EQ(port.adapter->Initialize(), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port.context()->LinkUp, FALSE) << "no link yet when the settle wait ends";
  ASSERT_TRUE(WaitForLink(port)) << "the link is picked up when it comes";
  EXPECT_EQ(QueryValue(port, OID_GEN_LINK_SPEED), 2000000u) << "100 Mb/s full duplex";
  EXPECT_EQ(port.board().ReadCsr(0x30) & 0x200u, 0x200u) << "CSR6 follows the late link";
}

// Without a PHY, CSR12 tells the link at once and CSR15 a little later: a
// query right after the link came back must not report it lost again.
TEST_F(BoardProfileTest, MediaQueryRightAfterLinkPassAgreesWithTheIndication) {
  Port& port = PortOn("slow-link", sim::PhyModel::kNone);
  BringUp(port);
  port.wire->Unplug();
  ASSERT_TRUE(WaitForLink(port, false));
  port.wire->Plug();
  ASSERT_TRUE(WaitForLink(port)) << "link pass seen";
  port.adapter->ClearStatusEvents();
  EXPECT_EQ(QueryValue(port, OID_GEN_MEDIA_CONNECT_STATUS), 0u) << "NdisMediaStateConnected";
  EXPECT_EQ(port.context()->LinkUp, TRUE) << "the query did not take the link down";
  EXPECT_TRUE(port.adapter->status_events().empty()) << "no indication from the query";
}

TEST_F(BoardProfileTest, IdleHighManagementLineIsNoPhy) {
  Port& port = PortOn("mdio-high", sim::PhyModel::kNone);
  BringUp(port);
  EXPECT_EQ(port.context()->PhyKind, 2u) << "all-ones identifier: no PHY, serial interface";
  EXPECT_EQ(QueryValue(port, OID_GEN_LINK_SPEED), 100000u) << "10 Mb/s half duplex";
}

TEST_F(BoardProfileTest, SerialBusTimingIsMetByTheBitBanging) {
  Port& port = PortOn("serial-timing");
  BringUp(port);
  EXPECT_EQ(port.context()->PhyKind, 0x001378e0u) << "the PHY identifier read through MII";
  EXPECT_EQ(ToMac(port.context()->StationAddress), kStation) << "the station address read from the EEPROM";
  EXPECT_EQ(port.board().PhyRegister(0x14), 0x0742u) << "vendor set-up written after the long PHY reset";
}

TEST_F(BoardProfileTest, SlowPhyResetStillGetsTheVendorSetUp) {
  Port& port = PortOn("serial-timing", sim::PhyModel::kPhy7810);
  BringUp(port);
  EXPECT_EQ(port.board().PhyRegister(0x11), 2u) << "register 0x11 written again until it stuck";
  EXPECT_EQ(QueryValue(port, OID_GEN_LINK_SPEED), 2000000u);
}

TEST_F(BoardProfileTest, UnderflowsRaiseTheThresholdUntilTheyStop) {
  Port& port = PortOn("mode-bits");
  BringUp(port);
  port.adapter->ClearSendCompletions();
  uint32_t sent = 0;
  for (uint32_t round = 0; round < 30; ++round) {
    std::vector<PNDIS_PACKET> packets;
    for (uint32_t i = 0; i < 8; ++i) packets.push_back(port.adapter->BuildPacket(Frame(kPeer, 1200, uint8_t(i), kStation)));
    port.adapter->Send(packets);
    sent += 8;
    ASSERT_TRUE(host.RunUntil([&] { return port.adapter->send_completions().size() == sent; }, sim::kSecond))
        << "round " << round << ": every packet completed";
  }
  ULONG failed = 0;
  for (const hostndis::SendCompletion& c : port.adapter->send_completions()) failed += c.status == NDIS_STATUS_FAILURE;
  EXPECT_GT(failed, 0u) << "the default threshold underflows at 100 Mb/s";
  EXPECT_EQ(QueryValue(port, OID_802_3_XMIT_UNDERRUN), failed) << "each failure was an underflow";
  EXPECT_EQ(QueryValue(port, OID_GEN_XMIT_OK), sent - failed);
  EXPECT_NE(port.board().ReadCsr(0x30) & 0x0020c000u, 0u) << "the threshold was raised";
}

TEST_F(BoardProfileTest, FlappingLinkLosesNoPacket) {
  Port& port = PortOn("flapping");
  BringUp(port);
  port.adapter->ClearSendCompletions();
  std::vector<PNDIS_PACKET> packets;
  for (uint32_t i = 0; i < 2000; ++i) {  // one every 10 ms for 20 s: several flaps
    packets.push_back(port.adapter->BuildPacket(Frame(kPeer, 100, uint8_t(i), kStation)));
    port.adapter->Send(&packets.back(), 1);
    Run(10 * sim::kMillisecond);
  }
  Run(100 * sim::kMillisecond);
  uint32_t completed = 0, refused = 0;
  for (PNDIS_PACKET p : packets) {
    hostndis::SendState state = port.adapter->send_state(p);
    completed += state == hostndis::SendState::kCompleted;
    refused += state == hostndis::SendState::kRefused;
  }
  EXPECT_EQ(completed + refused, 2000u) << "every packet completed or refused, none left with the miniport";
  EXPECT_EQ(port.adapter->send_completions().size(), completed) << "each completed exactly once";
  EXPECT_GT(refused, 0u) << "sends while the link was down were refused";
  EXPECT_EQ(port.context()->LinkUp, TRUE) << "the link came back every time";
}

// Without a PHY, link, speed and media state come from CSR12 and CSR14 among
// bits that read as ones; every reset leaves the chip promiscuous.
TEST_F(BoardProfileTest, DocumentedRegisterValuesAreMaskedOnASerialInterfacePort) {
  Port& port = PortOn("reset-values", sim::PhyModel::kNone);
  BringUp(port);
  EXPECT_EQ(QueryValue(port, OID_GEN_LINK_SPEED), 100000u) << "10 Mb/s half duplex";
  ASSERT_EQ(SetFilter(port, NDIS_PACKET_TYPE_DIRECTED), NDIS_STATUS_SUCCESS);
  port.adapter->Reset();
  Run(1600 * sim::kMillisecond);
  EXPECT_EQ(QueryValue(port, OID_GEN_MEDIA_CONNECT_STATUS), 0u) << "connected after the reset";
  port.peer->Send(Frame(kPeer, 60, 1));  // someone else's unicast
  port.peer->Send(Frame(kStation, 60, 2));
  Run(sim::kMillisecond);
  ASSERT_EQ(port.adapter->received().size(), 1u) << "no longer promiscuous after the reset";
  EXPECT_EQ(port.adapter->received()[0].bytes, Frame(kStation, 60, 2)) << "the frame for the station";
}

// A master abort leaves CSR5's error bits set until the next reset: the
// interrupt loop must end once the event itself is acknowledged.
TEST_F(BoardProfileTest, ErrorBitsThatOutliveTheirEventEndTheInterruptLoop) {
  Port& port = PortOn("reset-values");
  BringUp(port);
  ASSERT_EQ(SetFilter(port, NDIS_PACKET_TYPE_DIRECTED), NDIS_STATUS_SUCCESS);
  port.board().WritePciConfig(0x04, 0x2);  // bus mastering off: the next DMA aborts
  port.peer->Send(Frame(kStation, 60, 1));
  Run(sim::kMillisecond);
  EXPECT_EQ(port.board().ReadCsr(0x28) & 0x03802000u, 0x00800000u) << "system error acknowledged, master abort shown";
  EXPECT_FALSE(port.board().InterruptAsserted()) << "no interrupt left asserted";
}

// Status words a few microseconds behind the data, while the driver walks:
// each frame is indicated once, in order.
TEST_F(BoardProfileTest, LateReceiveStatusIndicatesEveryFrameOnceInOrder) {
  sim::BoardConfig config;
  ASSERT_TRUE(sim::BoardProfile::Named("rx-status", &config.profile));
  config.profile.rx_stall_one_in = 0;  // no FIFO losses here
  Port& port = AddPort(config);
  BringUp(port);
  ASSERT_EQ(SetFilter(port, NDIS_PACKET_TYPE_DIRECTED), NDIS_STATUS_SUCCESS);
  std::vector<std::vector<uint8_t>> frames;
  for (uint32_t i = 0; i < 40; ++i) {
    frames.push_back(Frame(kStation, 60 + i, uint8_t(i)));
    port.peer->Send(frames.back());
    Run(3 * sim::kMicrosecond);
  }
  Run(sim::kMillisecond);
  ASSERT_EQ(port.adapter->received().size(), 40u) << "every frame indicated once";
  for (uint32_t i = 0; i < 40; ++i) EXPECT_EQ(port.adapter->received()[i].bytes, frames[i]) << "frame " << i;
}

// The watchdog cuts a 4000-byte frame after its first buffer, whose length
// field counts bytes so far and whose error bit is not yet valid.
TEST_F(BoardProfileTest, AFrameCutByTheWatchdogIsNotIndicatedAndCountsOnce) {
  Port& port = PortOn("rx-status");
  BringUp(port);
  ASSERT_EQ(SetFilter(port, NDIS_PACKET_TYPE_DIRECTED), NDIS_STATUS_SUCCESS);
  port.peer->Send(Frame(kStation, 4000, 1));
  port.peer->Send(Frame(kStation, 100, 2));
  Run(sim::kMillisecond);
  ASSERT_EQ(port.adapter->received().size(), 1u) << "no part of the cut frame indicated";
  EXPECT_EQ(port.adapter->received()[0].bytes, Frame(kStation, 100, 2)) << "the frame after it";
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_ERROR), 1u) << "one frame, one error";
}

// While the bus stalls, frames overflow the receive FIFO and the ring runs
// out: CSR8 holds FIFO losses and reserved ones beside the missed frames,
// which alone are the driver's.
TEST_F(BoardProfileTest, MissedFramesAreCountedWithoutTheFifoOverflowsBesideThem) {
  sim::BoardConfig config;
  ASSERT_TRUE(sim::BoardProfile::Named("rx-status", &config.profile));
  config.profile.documented_registers = true;
  config.profile.rx_stall_one_in = 1;
  Port& port = AddPort(config);
  port.adapter->SetKeyword("RxRingSize", 4);
  BringUp(port);
  ASSERT_EQ(SetFilter(port, NDIS_PACKET_TYPE_DIRECTED), NDIS_STATUS_SUCCESS);
  port.device->MuteLine(true);
  for (uint32_t i = 0; i < 40; ++i) port.peer->Send(Frame(kStation, 696, uint8_t(i)));
  port.device->MuteLine(false);
  Run(10 * sim::kMillisecond);
  const sim::Board::Counters& c = port.board().counters();
  ASSERT_TRUE(c.rx_fifo_lost > 0 && c.rx_missed > 0) << "frames lost to the FIFO and missed for want of a descriptor";
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_NO_BUFFER), c.rx_missed) << "the missed frames, nothing else";
}

}  // namespace
}  // namespace trx_test

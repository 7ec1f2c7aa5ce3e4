// The receive filter: the setup frames LoadFilter builds (perfect, hash,
// hash-only), the CSR6 bits, HashCrc, and which frames then get through.
#include "driver_fixture.h"
#include "trx_chip.h"

namespace trx_test {
namespace {

using sim::ReceiveFilter;

constexpr Mac kOther = {0x02, 0x00, 0x00, 0x00, 0x00, 0x99};  // someone else's unicast address

class FilterTest : public DriverTest {
 protected:
  void SetUp() override {
    DriverTest::SetUp();
    port_ = &AddPort();
    BringUp(*port_);
  }
  Port& port() { return *port_; }
  const ReceiveFilter& filter() { return port_->board().filter(); }
  // Whether a frame to `destination` is indicated.
  bool Passes(const Mac& destination) {
    size_t before = port_->adapter->received().size();
    port_->peer->Send(Frame(destination, 60));
    Run(sim::kMillisecond);
    return port_->adapter->received().size() > before;
  }
  static bool HashBit(const ReceiveFilter& f, uint32_t index) { return (f.hash[index / 16] >> (index % 16)) & 1; }
  static uint32_t Index(const Mac& a) { return HashCrc(a.data()) & 0x1ff; }
  Port* port_ = nullptr;
};

TEST(HashCrcTest, IndexesTheTableWithTheLowNineBits) {
  const Mac group = Multicast(1);
  EXPECT_EQ(HashCrc(group.data()), 0xd9b4c5feu);
  EXPECT_EQ(HashCrc(group.data()) & 0x1ff, 510u) << "bit 14 of word 31";
  EXPECT_EQ(HashCrc(kBroadcast.data()) & 0x1ff, 255u) << "bit 15 of word 15";
}

TEST_F(FilterTest, ReceivesNothingUntilTheStackSetsAFilter) {
  EXPECT_EQ(filter().mode, ReceiveFilter::kHashOnly);
  for (uint32_t w : filter().raw) ASSERT_EQ(w, 0u) << "an empty table";
  EXPECT_FALSE(Passes(kStation));
  EXPECT_FALSE(Passes(kBroadcast));
}

TEST_F(FilterTest, DirectedAndBroadcastMakeAPerfectFrame) {
  ASSERT_EQ(SetFilter(port(), kDirectedBroadcast), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(filter().mode, ReceiveFilter::kPerfect);
  EXPECT_EQ(filter().perfect[0], kStation);
  EXPECT_EQ(filter().perfect[1], kBroadcast);
  EXPECT_EQ(filter().raw[0], 0x1200u) << "address bytes 0 and 1 in the low half of word 0";
  EXPECT_TRUE(Passes(kStation));
  EXPECT_TRUE(Passes(kBroadcast));
  EXPECT_FALSE(Passes(kOther));
  EXPECT_FALSE(Passes(Multicast(1)));
}

TEST_F(FilterTest, FourteenMulticastAddressesFillThePerfectTable) {
  std::vector<Mac> list;
  for (uint8_t i = 1; i <= 14; ++i) list.push_back(Multicast(i));
  ASSERT_EQ(SetMulticast(port(), list), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(SetFilter(port(), kDirectedBroadcast | NDIS_PACKET_TYPE_MULTICAST), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(filter().mode, ReceiveFilter::kPerfect);
  for (size_t k = 2; k < 16; ++k) EXPECT_EQ(filter().perfect[k], list[k - 2]) << "entry " << k;
  EXPECT_TRUE(Passes(Multicast(14)));
  EXPECT_FALSE(Passes(Multicast(15)));
}

TEST_F(FilterTest, FewerMulticastAddressesLeaveTheRestAsCopiesOfEntryZero) {
  ASSERT_EQ(SetMulticast(port(), {Multicast(7)}), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(SetFilter(port(), NDIS_PACKET_TYPE_MULTICAST), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(filter().perfect[0], Multicast(7)) << "without directed or broadcast, the first multicast address";
  EXPECT_EQ(filter().perfect[1], Multicast(7));
  EXPECT_EQ(filter().perfect[15], Multicast(7));
  EXPECT_FALSE(Passes(kStation));
  EXPECT_TRUE(Passes(Multicast(7)));
}

TEST_F(FilterTest, WithoutMulticastTheEntriesAfterOneKeepThePreviousFrame) {
  std::vector<Mac> list = {Multicast(1), Multicast(2), Multicast(3)};
  ASSERT_EQ(SetMulticast(port(), list), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(SetFilter(port(), kDirectedBroadcast | NDIS_PACKET_TYPE_MULTICAST), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(SetFilter(port(), NDIS_PACKET_TYPE_DIRECTED), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(filter().perfect[1], kStation) << "entry 1 copies entry 0 without broadcast";
  EXPECT_EQ(filter().perfect[4], list[2]) << "entries 2-15 not rewritten";
}

// Fifteen or more addresses: a 512-bit hash, with broadcast hashed in and the
// station address where the chip keeps its one perfect address.
TEST_F(FilterTest, FifteenMulticastAddressesSwitchToHashFiltering) {
  std::vector<Mac> list;
  for (uint8_t i = 1; i <= 15; ++i) list.push_back(Multicast(i));
  ASSERT_EQ(SetMulticast(port(), list), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(SetFilter(port(), kDirectedBroadcast | NDIS_PACKET_TYPE_MULTICAST), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(filter().mode, ReceiveFilter::kHash);
  for (const Mac& a : list) EXPECT_TRUE(HashBit(filter(), Index(a)));
  EXPECT_TRUE(HashBit(filter(), 255)) << "broadcast";
  ASSERT_EQ(filter().perfect.size(), 1u);
  EXPECT_EQ(filter().perfect[0], kStation) << "words 39-41";

  Mac unlisted = Multicast(200);
  ASSERT_FALSE(HashBit(filter(), Index(unlisted)));
  EXPECT_TRUE(Passes(kStation));
  EXPECT_TRUE(Passes(kBroadcast));
  EXPECT_TRUE(Passes(Multicast(15)));
  EXPECT_FALSE(Passes(unlisted));
  EXPECT_FALSE(Passes(kOther));
}

TEST_F(FilterTest, NoFrameTypeMeansHashOnlyWithAnEmptyTable) {
  ASSERT_EQ(SetFilter(port(), kDirectedBroadcast), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(SetFilter(port(), NDIS_PACKET_TYPE_MULTICAST | NDIS_PACKET_TYPE_ALL_LOCAL), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(filter().mode, ReceiveFilter::kHashOnly) << "multicast without a list counts as nothing";
  for (uint32_t w : filter().raw) ASSERT_EQ(w, 0u);
  EXPECT_FALSE(Passes(kStation));
}

TEST_F(FilterTest, PromiscuousAndAllMulticastAreCsr6Bits) {
  ASSERT_EQ(SetFilter(port(), NDIS_PACKET_TYPE_ALL_MULTICAST), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port().board().ReadCsr(0x30) & 0xc0, 0x80u);
  EXPECT_TRUE(Passes(Multicast(77)));
  EXPECT_FALSE(Passes(kOther));
  ASSERT_EQ(SetFilter(port(), NDIS_PACKET_TYPE_PROMISCUOUS), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port().board().ReadCsr(0x30) & 0xc0, 0x40u);
  EXPECT_TRUE(Passes(kOther));
  ASSERT_EQ(SetFilter(port(), 0), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port().board().ReadCsr(0x30) & 0xc0, 0u);
  EXPECT_FALSE(Passes(kOther));
}

// A filter change while the transmit ring has no room for the dummy and the
// setup descriptor is not lost: it goes out once sends complete.
class FilterReloadTest : public DriverTest, public ::testing::WithParamInterface<int> {};

TEST_P(FilterReloadTest, WaitsForRoomInTheTransmitRing) {
  Port& port = AddPort(sim::BoardConfig(), true, sim::Wire::Pace::kLineRate);
  port.adapter->SetKeyword("TxRingSize", 4u);
  BringUp(port);
  std::vector<PNDIS_PACKET> packets;
  for (int i = 0; i < GetParam(); ++i) packets.push_back(port.adapter->BuildPacket(Frame(kPeer, 1514, 0, kStation)));
  port.adapter->Send(packets);
  ASSERT_EQ(SetFilter(port, kDirectedBroadcast), NDIS_STATUS_SUCCESS);
  EXPECT_TRUE(port.context()->SetupPending);
  EXPECT_EQ(port.board().filter().mode, ReceiveFilter::kHashOnly) << "not loaded yet";
  Run(5 * sim::kMillisecond);
  EXPECT_FALSE(port.context()->SetupPending);
  ASSERT_EQ(port.board().filter().mode, ReceiveFilter::kPerfect);
  EXPECT_EQ(port.board().filter().perfect[1], kBroadcast);
  for (PNDIS_PACKET p : packets) EXPECT_EQ(port.adapter->send_status(p), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port.context()->TxFree, 3u);
}

INSTANTIATE_TEST_SUITE_P(BusyRecords, FilterReloadTest, ::testing::Values(2, 3));

}  // namespace
}  // namespace trx_test

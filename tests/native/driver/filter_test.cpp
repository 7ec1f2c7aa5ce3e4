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
  ReceiveFilter filter() { return port_->filter(); }
  // Whether a frame to `destination` is indicated.
  bool Passes(const Mac& destination) {
    size_t before = port_->adapter->received().size();
    port_->peer->Send(Frame(destination, 60));
    Run(sim::kMillisecond);
    return port_->adapter->received().size() > before;
  }
  static bool HashBit(const ReceiveFilter& f, uint32_t index) { return (f.hash[index / 16] >> (index % 16)) & 1; }
  // Every entry from `first` on holds `address`.
  void ExpectEntriesFrom(size_t first, const Mac& address, const std::string& what) {
    ASSERT_EQ(filter().mode, ReceiveFilter::kPerfect) << what;
    for (size_t k = first; k < 16; ++k) EXPECT_EQ(filter().perfect[k], address) << what << ": entry " << k;
  }
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
  // QEMU's chip takes every broadcast frame, whatever its filter holds.
  EXPECT_EQ(Passes(kBroadcast), OnQemu());
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

// One group joined: entry 0 is the station (directed), else the group; the
// entries the filter does not use are copies of entry 0. With broadcast,
// entry 1 differs from entry 0, so copies of the wrong entry show.
struct EntryZeroCase {
  const char* name;
  ULONG filter;
  std::vector<Mac> leading;  // entries from 0 on
  Mac fill;                  // every entry after them
  Mac blocked;               // a frame that must not pass
};

void PrintTo(const EntryZeroCase& c, std::ostream* out) { *out << c.name; }

class EntryZeroTest : public FilterTest, public ::testing::WithParamInterface<EntryZeroCase> {};

TEST_P(EntryZeroTest, UnusedEntriesAreCopiesOfEntryZero) {
  const EntryZeroCase& c = GetParam();
  ASSERT_EQ(SetMulticast(port(), {Multicast(7)}), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(SetFilter(port(), c.filter), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(filter().mode, ReceiveFilter::kPerfect);
  for (size_t k = 0; k < c.leading.size(); ++k) EXPECT_EQ(filter().perfect[k], c.leading[k]) << "entry " << k;
  ExpectEntriesFrom(c.leading.size(), c.fill, "the unused entries");
  EXPECT_TRUE(Passes(Multicast(7))) << "the group";
  EXPECT_FALSE(Passes(c.blocked));
}

INSTANTIATE_TEST_SUITE_P(
    Filters, EntryZeroTest,
    ::testing::Values(EntryZeroCase{"WithDirectedAndBroadcast", kDirectedBroadcast | NDIS_PACKET_TYPE_MULTICAST,
                                    {kStation, kBroadcast, Multicast(7)}, kStation, Multicast(8)},
                      EntryZeroCase{"MulticastOnly", NDIS_PACKET_TYPE_MULTICAST, {Multicast(7)}, Multicast(7), kStation}),
    [](const ::testing::TestParamInfo<EntryZeroCase>& info) { return std::string(info.param.name); });

// Groups left behind by an earlier frame, or hash words under the entries,
// must not keep passing once the filter no longer asks for them.
TEST_F(FilterTest, EveryPerfectFrameDescribesOnlyTheCurrentFilter) {
  std::vector<Mac> list = {Multicast(1), Multicast(2), Multicast(3)};
  ASSERT_EQ(SetMulticast(port(), list), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(SetFilter(port(), kDirectedBroadcast | NDIS_PACKET_TYPE_MULTICAST), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(filter().perfect[4], Multicast(3));
  ASSERT_EQ(SetFilter(port(), NDIS_PACKET_TYPE_DIRECTED), NDIS_STATUS_SUCCESS);
  ExpectEntriesFrom(1, kStation, "multicast bit dropped");
  EXPECT_FALSE(Passes(Multicast(3)));

  ASSERT_EQ(SetFilter(port(), kDirectedBroadcast | NDIS_PACKET_TYPE_MULTICAST), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(SetMulticast(port(), {}), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(filter().perfect[1], kBroadcast);
  ExpectEntriesFrom(2, kStation, "list emptied");
  EXPECT_FALSE(Passes(Multicast(1)));

  std::vector<Mac> many;
  for (uint8_t i = 1; i <= 15; ++i) many.push_back(Multicast(i));
  ASSERT_EQ(SetMulticast(port(), many), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(filter().mode, ReceiveFilter::kHash);
  ASSERT_EQ(SetFilter(port(), kDirectedBroadcast), NDIS_STATUS_SUCCESS);
  ExpectEntriesFrom(2, kStation, "after a hash frame");
  EXPECT_FALSE(Passes(Multicast(15)));
}

// Fifteen or more addresses: a 512-bit hash, with broadcast hashed in and the
// station address where the chip keeps its one perfect address.
TEST_F(FilterTest, FifteenMulticastAddressesSwitchToHashFiltering) {
  std::vector<Mac> list;
  for (uint8_t i = 1; i <= 15; ++i) list.push_back(Multicast(i));
  ASSERT_EQ(SetMulticast(port(), list), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(SetFilter(port(), kDirectedBroadcast | NDIS_PACKET_TYPE_MULTICAST), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(filter().mode, ReceiveFilter::kHash);
  // Indices of 01-00-5E-00-00-01..0F: 510 68 210 369 487 93 203 346 460 118
  // 224 323 469 111 249; broadcast 255.
  const std::array<uint16_t, 32> table = {0,      0,      0,      0,      0x0010, 0x2000, 0x8000, 0x0040,
                                          0,      0,      0,      0,      0x0800, 0x0004, 0x0001, 0x8200,
                                          0,      0,      0,      0,      0x0008, 0x0400, 0,      0x0002,
                                          0,      0,      0,      0,      0x1000, 0x0020, 0x0080, 0x4000};
  for (size_t w = 0; w < 32; ++w) EXPECT_EQ(filter().hash[w], table[w]) << "table word " << w;
  ASSERT_EQ(filter().perfect.size(), 1u);
  EXPECT_EQ(filter().perfect[0], kStation) << "words 39-41";

  Mac unlisted = Multicast(200);  // index 490
  ASSERT_FALSE(HashBit(filter(), 490));
  EXPECT_TRUE(Passes(kStation));
  EXPECT_TRUE(Passes(kBroadcast));
  // QEMU's chip has no hash filter: it reads a hash frame as sixteen
  // perfect addresses, so no group passes through the table.
  EXPECT_EQ(Passes(Multicast(15)), !OnQemu());
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
  EXPECT_EQ(port().device->ReadCsr(0x30) & 0xc0, 0x80u);
  EXPECT_TRUE(Passes(Multicast(77)));
  EXPECT_FALSE(Passes(kOther));
  ASSERT_EQ(SetFilter(port(), NDIS_PACKET_TYPE_PROMISCUOUS), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port().device->ReadCsr(0x30) & 0xc0, 0x40u);
  EXPECT_TRUE(Passes(kOther));
  ASSERT_EQ(SetFilter(port(), 0), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port().device->ReadCsr(0x30) & 0xc0, 0u);
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
  EXPECT_EQ(port.filter().mode, ReceiveFilter::kHashOnly) << "not loaded yet";
  Run(5 * sim::kMillisecond);
  EXPECT_FALSE(port.context()->SetupPending);
  ASSERT_EQ(port.filter().mode, ReceiveFilter::kPerfect);
  EXPECT_EQ(port.filter().perfect[1], kBroadcast);
  for (PNDIS_PACKET p : packets) EXPECT_EQ(port.adapter->send_status(p), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port.context()->TxFree, 3u);
}

INSTANTIATE_TEST_SUITE_P(BusyRecords, FilterReloadTest, ::testing::Values(2, 3));

}  // namespace
}  // namespace trx_test

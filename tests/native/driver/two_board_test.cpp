// Two K250 ports cabled to each other, each driven by its own instance: they
// negotiate, and a burst of frames crosses both ways through both filters.
#include "driver_fixture.h"

namespace trx_test {
namespace {

constexpr Mac kStationA = {0x00, 0x12, 0x34, 0x56, 0x78, 0x01};
constexpr Mac kStationB = {0x00, 0x12, 0x34, 0x56, 0x78, 0x02};

class TwoBoardTest : public DriverTest {
 protected:
  Port& Board(uint32_t slot, const Mac& station) {
    sim::BoardConfig config;
    config.slot = slot;
    config.eeprom = sim::BoardConfig::EepromWithAddress(station.data());
    return AddPort(config, false);
  }
};

TEST_F(TwoBoardTest, FramesCrossBothWaysThroughBothFilters) {
  Port& a = Board(0, kStationA);
  Port& b = Board(1, kStationB);
  sim::Wire wire(host.clock(), a.board(), b.board(), sim::Wire::Pace::kLineRate);
  BringUp(a);
  BringUp(b);
  for (Port* p : {&a, &b}) {
    EXPECT_EQ(QueryValue(*p, OID_GEN_LINK_SPEED), 2000000u) << "100 Mb/s full duplex negotiated";
    ASSERT_EQ(SetMulticast(*p, {Multicast(p == &a ? 1 : 2)}), NDIS_STATUS_SUCCESS);
    ASSERT_EQ(SetFilter(*p, kDirectedBroadcast | NDIS_PACKET_TYPE_MULTICAST), NDIS_STATUS_SUCCESS);
  }

  // To the peer: its address, broadcast and its group pass; another group
  // and another station's address are dropped by its filter.
  struct Burst {
    Port* from;
    Port* to;
    Mac pass[3];
    Mac drop[2];
  } bursts[] = {{&a, &b, {kStationB, kBroadcast, Multicast(2)}, {Multicast(1), kStationA}},
                {&b, &a, {kStationA, kBroadcast, Multicast(1)}, {Multicast(2), kStationB}}};
  const uint32_t sizes[] = {60, 61, 500, 1000, 1514};
  for (const Burst& burst : bursts) {
    const Mac& source = burst.from == &a ? kStationA : kStationB;
    std::vector<PNDIS_PACKET> packets;
    std::vector<std::vector<uint8_t>> expected;
    uint8_t seed = 0;
    for (uint32_t size : sizes) {
      for (const Mac& d : burst.pass) {
        expected.push_back(Frame(d, size, ++seed, source));
        packets.push_back(burst.from->adapter->BuildPacket(expected.back()));
      }
      for (const Mac& d : burst.drop) packets.push_back(burst.from->adapter->BuildPacket(Frame(d, size, ++seed, source)));
    }
    burst.from->adapter->Send(packets);
    ASSERT_TRUE(host.RunUntil([&] { return burst.to->adapter->received().size() == expected.size(); },
                              50 * sim::kMillisecond));
    Run(sim::kMillisecond);
    for (PNDIS_PACKET p : packets) EXPECT_EQ(burst.from->adapter->send_status(p), NDIS_STATUS_SUCCESS);
    ASSERT_EQ(burst.to->adapter->received().size(), expected.size()) << "nothing else got through";
    for (size_t i = 0; i < expected.size(); ++i)
      EXPECT_EQ(burst.to->adapter->received()[i].bytes, expected[i]) << "frame " << i;
    EXPECT_EQ(burst.to->board().counters().rx_filtered, 10u);
    EXPECT_EQ(QueryValue(*burst.from, OID_GEN_XMIT_OK), 25u);
    EXPECT_EQ(QueryValue(*burst.to, OID_GEN_RCV_OK), 15u);
  }
  EXPECT_EQ(wire.frames_carried(), 50u);
}

}  // namespace
}  // namespace trx_test

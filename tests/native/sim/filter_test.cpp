// Setup frames and the receive address filter.
#include <gtest/gtest.h>

#include "crc32.h"
#include "sim_test_support.h"

using namespace simtest;
using sim::Board;
using Address = std::array<uint8_t, 6>;

namespace {

const Address kStationA = {0x00, 0x12, 0x34, 0x56, 0x78, 0x9a};
const Address kOther = {0x00, 0x12, 0x34, 0x56, 0x78, 0x9b};
const Address kAllOnes = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
const Address kGroup1 = {0x01, 0x00, 0x5e, 0x00, 0x00, 0x01};  // hash index 510
const Address kGroup2 = {0x01, 0x00, 0x5e, 0x00, 0x00, 0x02};

struct FilterRig : Rig {
  FilterRig() {
    WaitForLink();
    StartReceive(16);
    StartTransmit();
  }
  // Sends one minimal frame to `dst` and reports whether it was stored.
  bool Passes(const Address& dst) {
    uint64_t before = board->counters().rx_frames;
    peer.Send(MakeFrame(dst.data(), 60));
    return board->counters().rx_frames == before + 1;
  }
};

// Setup frame words 0-31 carrying a hash table with the given bits set, and
// `physical` in words 39-41.
std::vector<uint8_t> HashSetup(std::initializer_list<uint32_t> indexes, const Address& physical) {
  std::vector<uint8_t> setup(192, 0);
  for (uint32_t index : indexes) setup[4 * (index / 16) + (index % 16) / 8] |= uint8_t(1 << (index % 8));
  for (uint32_t j = 0; j < 3; ++j) {
    setup[4 * (39 + j)] = physical[2 * j];
    setup[4 * (39 + j) + 1] = physical[2 * j + 1];
  }
  return setup;
}

}  // namespace

TEST(Filter, HashIndexAndFcs) {
  EXPECT_EQ(sim::detail::Crc32Update(0xffffffff, kGroup1.data(), 6), 0xd9b4c5feu);
  EXPECT_EQ(sim::detail::HashIndex(kGroup1.data()), 510u);
  EXPECT_EQ(sim::detail::HashIndex(kAllOnes.data()), 255u);
  const uint8_t check[] = "123456789";
  EXPECT_EQ(sim::EthernetFcs(check, 9), 0xcbf43926u) << "standard CRC-32 check value";
}

TEST(Filter, NothingButPromiscuousBeforeASetupFrame) {
  FilterRig rig;
  EXPECT_FALSE(rig.board->filter().programmed);
  EXPECT_FALSE(rig.Passes(kStationA));
  EXPECT_FALSE(rig.Passes(kAllOnes));
  rig.board->WriteCsr(kCsr(6), rig.board->ReadCsr(kCsr(6)) | 0x40);
  EXPECT_TRUE(rig.Passes(kOther)) << "promiscuous";
}

TEST(Filter, PerfectFilterPassesListedAddressesOnly) {
  FilterRig rig;
  rig.LoadFilter(0, SetupFrame({kStationA, kAllOnes, kGroup1}));
  const sim::ReceiveFilter& f = rig.board->filter();
  ASSERT_TRUE(f.programmed);
  EXPECT_EQ(f.mode, sim::ReceiveFilter::kPerfect);
  ASSERT_EQ(f.perfect.size(), 16u);
  EXPECT_EQ(f.perfect[1], kAllOnes);
  EXPECT_EQ(rig.dma.Get32(Rig::TxDescriptor(0)), 0x7fffffffu) << "setup descriptor written back";
  EXPECT_TRUE(rig.Passes(kStationA));
  EXPECT_TRUE(rig.Passes(kAllOnes));
  EXPECT_TRUE(rig.Passes(kGroup1));
  EXPECT_FALSE(rig.Passes(kOther));
  EXPECT_FALSE(rig.Passes(kGroup2));
  EXPECT_EQ(rig.board->counters().rx_filtered, 2u);
  rig.board->WriteCsr(kCsr(6), rig.board->ReadCsr(kCsr(6)) | 0x80);
  EXPECT_TRUE(rig.Passes(kGroup2)) << "pass all multicast";
  EXPECT_FALSE(rig.Passes(kOther)) << "but not other unicast";
}

TEST(Filter, HashModeHashesGroupsAndMatchesOnePhysicalAddress) {
  FilterRig rig;
  rig.LoadFilter(0, HashSetup({510}, kStationA), 0x00400000);
  const sim::ReceiveFilter& f = rig.board->filter();
  EXPECT_EQ(f.mode, sim::ReceiveFilter::kHash);
  EXPECT_EQ(f.hash[31], 0x4000) << "index 510 is bit 14 of word 31";
  EXPECT_TRUE(rig.Passes(kGroup1));
  EXPECT_FALSE(rig.Passes(kGroup2));
  EXPECT_FALSE(rig.Passes(kAllOnes)) << "broadcast is hashed like any group address";
  EXPECT_TRUE(rig.Passes(kStationA)) << "words 39-41";
  EXPECT_FALSE(rig.Passes(kOther));
}

TEST(Filter, HashOnlyWithAnEmptyTablePassesNothing) {
  FilterRig rig;
  rig.LoadFilter(0, std::vector<uint8_t>(192, 0), 0x10400000);
  EXPECT_EQ(rig.board->filter().mode, sim::ReceiveFilter::kHashOnly);
  EXPECT_FALSE(rig.Passes(kStationA));
  EXPECT_FALSE(rig.Passes(kAllOnes));
  EXPECT_FALSE(rig.Passes(kGroup1));
}

TEST(Filter, SetupBufferOfWrongLengthIsNotProgrammed) {
  FilterRig rig;
  rig.QueueTx(0, 0x08000000 | 96, Rig::kSetup);
  rig.board->WriteCsr(kCsr(1), 0);
  EXPECT_FALSE(rig.board->filter().programmed);
  EXPECT_EQ(rig.board->counters().tx_bad_setup, 1u);
  EXPECT_EQ(rig.dma.Get32(Rig::TxDescriptor(0)), 0x7fffffffu);
}

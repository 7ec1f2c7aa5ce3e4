// Board profiles: each departure from the kind board, seen from the driver's
// side of the registers and descriptors.
#include <gtest/gtest.h>

#include <vector>

#include "sim_test_support.h"

using namespace simtest;

namespace {

struct ProfileRig : Rig {
  explicit ProfileRig(const char* name, sim::PhyModel phy = sim::PhyModel::kPhy1378) : Rig(WithProfile(name, phy)) {}
  uint32_t TxState() { return (board->ReadCsr(kCsr(5)) >> 20) & 7; }
  uint32_t RxState() { return (board->ReadCsr(kCsr(5)) >> 17) & 7; }
};

}  // namespace

TEST(BoardProfile, NamesSelectSettingsAndSeed) {
  sim::BoardProfile p;
  EXPECT_TRUE(p.Kind()) << "the default profile is the kind board";
  ASSERT_TRUE(sim::BoardProfile::Parse("realistic:7", &p)) << "name with a seed";
  EXPECT_EQ(p.seed, 7u);
  EXPECT_FALSE(sim::BoardProfile::Parse("gentle", &p)) << "unknown name";
  EXPECT_FALSE(sim::BoardProfile::Parse("realistic:x", &p)) << "bad seed";
  EXPECT_EQ(p.seed, 7u) << "a rejected text leaves the profile alone";
  // What each profile does is the business of the tests below.
  for (const std::string& name : sim::BoardProfile::Names()) {
    ASSERT_TRUE(sim::BoardProfile::Parse(name, &p)) << name;
    EXPECT_EQ(p.Kind(), name == "kind") << name << ": only the kind board is kind";
  }
}

TEST(BoardProfile, AsyncDmaRunsAfterThePollDemandAndTakesLateDescriptors) {
  ProfileRig rig("async-dma");
  rig.WaitForLink();
  rig.StartTransmit();
  rig.QueueFrame(0, MakeFrame(kBroadcast, 60));
  rig.board->WriteCsr(kCsr(1), 0);
  EXPECT_EQ(rig.Tdes0(0), 0x80000000u) << "the poll demand returns before the chip has looked";
  EXPECT_TRUE(rig.peer.received().empty()) << "nothing sent inside the register write";
  rig.QueueFrame(1, MakeFrame(kBroadcast, 61));  // handed over with no poll demand
  rig.clock.Advance(2 * sim::kMillisecond);
  ASSERT_EQ(rig.peer.received().size(), 2u) << "a running transmitter takes the second descriptor too";
  EXPECT_EQ(rig.Tdes0(0), 0u);
  EXPECT_EQ(rig.Tdes0(1), 0u);
}

TEST(BoardProfile, AsyncDmaIsReproducibleFromTheSeed) {
  auto completion_times = [](uint32_t seed) {
    sim::BoardConfig config = WithProfile("async-dma");
    config.profile.seed = seed;
    Rig rig(config);
    rig.WaitForLink();
    rig.StartTransmit();
    std::vector<sim::Nanoseconds> times;
    for (uint32_t i = 0; i < 4; ++i) {
      rig.QueueFrame(i, MakeFrame(kBroadcast, 60));
      rig.board->WriteCsr(kCsr(1), 0);
      while (rig.dma.Get32(Rig::TxDescriptor(i)) & 0x80000000u) rig.clock.RunNext();
      times.push_back(rig.clock.Now());
    }
    return times;
  };
  EXPECT_EQ(completion_times(3), completion_times(3)) << "same seed, same schedule";
  EXPECT_NE(completion_times(3), completion_times(4)) << "another seed, another schedule";
}

TEST(BoardProfile, SlowStopKeepsProcessStatesUntilTheStopTakesEffect) {
  ProfileRig rig("slow-stops");
  rig.WaitForLink();
  rig.StartReceive(4);
  rig.StartTransmit();
  rig.board->WriteCsr(kCsr(5), 0xffffffff);
  rig.board->WriteCsr(kCsr(6), rig.board->ReadCsr(kCsr(6)) & ~0x2002u);
  EXPECT_NE(rig.TxState(), 0u) << "transmit process still running right after the write";
  EXPECT_NE(rig.RxState(), 0u) << "receive process still running right after the write";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(5)) & 0x102u, 0u) << "no stopped events yet";
  rig.clock.Advance(1 * sim::kMillisecond);
  EXPECT_EQ((rig.board->ReadCsr(kCsr(5)) >> 17) & 0x3f, 0u) << "both processes stopped";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(5)) & 0x102u, 0x102u) << "both stopped events raised";
}

TEST(BoardProfile, SlowStopWaitsForTheFrameOnTheWire) {
  sim::BoardConfig config = WithProfile("slow-stops");
  config.phy_advertisement = 0x0061;  // 10 Mb/s only: a full frame takes 1.2 ms
  Rig rig(config, sim::Wire::Pace::kLineRate);
  rig.WaitForLink();
  rig.StartTransmit();
  rig.QueueFrame(0, MakeFrame(kBroadcast, 1500));
  rig.board->WriteCsr(kCsr(1), 0);
  rig.board->WriteCsr(kCsr(6), rig.board->ReadCsr(kCsr(6)) & ~0x2000u);
  rig.clock.Advance(400 * sim::kMicrosecond);
  EXPECT_NE((rig.board->ReadCsr(kCsr(5)) >> 20) & 7, 0u) << "the frame is still on the wire";
  rig.clock.Advance(2 * sim::kMillisecond);
  EXPECT_EQ((rig.board->ReadCsr(kCsr(5)) >> 20) & 7, 0u) << "stopped once the frame left";
  EXPECT_EQ(rig.dma.Get32(Rig::TxDescriptor(0)) & 0x80000000u, 0u) << "the frame in progress was finished";
}

TEST(BoardProfile, WritesRightAfterASoftwareResetAreLost) {
  ProfileRig rig("slow-reset");
  rig.board->WriteCsr(kCsr(0), 1);
  rig.board->WriteCsr(kCsr(0), 0x01a02000);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(0)), 0xfe000000u) << "a write inside the reset time is lost";
  rig.clock.Advance(1 * sim::kMicrosecond);
  rig.board->WriteCsr(kCsr(6), 0x02040000);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(6)), 0x02000000u) << "1 us is not enough";
  rig.clock.Advance(2 * sim::kMicrosecond);
  rig.board->WriteCsr(kCsr(0), 0x01a02000);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(0)), 0x01a02000u) << "taken once the reset has finished";
}

// Its point: auto-negotiation takes 1.8 s, longer than a driver's 1.5 s
// settle wait.
TEST(BoardProfile, SlowLinkComesUpAfterTheSettleWait) {
  ProfileRig rig("slow-link");
  while (rig.board->CurrentMode() == sim::LinkMode::kNone && rig.clock.Now() < 3 * sim::kSecond)
    rig.clock.Advance(sim::kMillisecond);
  EXPECT_EQ(rig.board->CurrentMode(), sim::LinkMode::k100Full) << "negotiated";
  EXPECT_EQ(rig.clock.Now(), 1800 * sim::kMillisecond) << "up 1.8 s after power-up, to the millisecond";
}

TEST(BoardProfile, SerialInterfaceLinkBitsBrieflyDisagree) {
  ProfileRig rig("slow-link", sim::PhyModel::kNone);
  rig.board->WriteCsr(kCsr(13), 0);
  rig.board->WriteCsr(kCsr(14), 0x7f3f);
  rig.board->WriteCsr(kCsr(13), 1);
  rig.clock.Advance(1 * sim::kMillisecond);
  ASSERT_EQ(rig.board->ReadCsr(kCsr(12)) & 4, 0u) << "CSR12: 10 Mb/s link passes";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(15)) & (1u << 16), 0u) << "CSR15 has not seen it yet";
  rig.clock.Advance(1 * sim::kMillisecond);
  EXPECT_NE(rig.board->ReadCsr(kCsr(15)) & (1u << 16), 0u) << "CSR15 agrees after the lag";
}

TEST(BoardProfile, SetupAndDummyDescriptorsCloseWithZeroStatus) {
  ProfileRig rig("zero-status");
  rig.WaitForLink();
  rig.StartTransmit();
  rig.QueueTx(0, 0x01000000, 0, Rig::TxDescriptor(1));  // dummy: chained, no buffers
  rig.LoadFilter(1, SetupFrame({{0x00, 0x12, 0x34, 0x56, 0x78, 0x9a}}));
  EXPECT_EQ(rig.Tdes0(0), 0u) << "dummy descriptor";
  EXPECT_EQ(rig.Tdes0(1), 0u) << "setup descriptor";
  EXPECT_TRUE(rig.board->filter().programmed) << "the setup frame still took effect";
}

TEST(BoardProfile, DuplexMismatchCostsTheFrame) {
  {
    ProfileRig rig("mode-bits");  // the PHY negotiates 100 Mb/s full duplex; CSR6 says half
    rig.WaitForLink();
    rig.StartTransmit();
    rig.QueueFrame(0, MakeFrame(kBroadcast, 60));
    rig.board->WriteCsr(kCsr(1), 0);
    EXPECT_EQ(rig.Tdes0(0) & 0x8800u, 0x8800u) << "half-duplex MAC on a full-duplex link: loss of carrier";
    rig.board->WriteCsr(kCsr(6), rig.board->ReadCsr(kCsr(6)) | 0x200);
    rig.QueueFrame(1, MakeFrame(kBroadcast, 60));
    rig.board->WriteCsr(kCsr(1), 0);
    EXPECT_EQ(rig.Tdes0(1), 0u) << "matching duplex: clean";
  }
  sim::VirtualClock clock;
  VectorDma dma(kMemoryBase, 0x100000);
  sim::Board board(clock, dma, WithProfile("mode-bits"));
  sim::FrameEndpoint half(0x0a0);  // 10 and 100 Mb/s half duplex only
  sim::Wire wire(clock, board, half);
  board.WritePciConfig(0x04, 6);
  board.WriteCsr(kCsr(6), 0x02040200);  // full duplex
  clock.Advance(5 * sim::kMillisecond);
  ASSERT_EQ(board.CurrentMode(), sim::LinkMode::k100Half);
  std::vector<uint8_t> frame = MakeFrame(kBroadcast, 60);
  std::copy(frame.begin(), frame.end(), dma.At(Rig::Buffer(0)));
  dma.Put32(Rig::TxDescriptor(0) + 4, 0x62000000 | 60);
  dma.Put32(Rig::TxDescriptor(0) + 8, Rig::Buffer(0));
  dma.Put32(Rig::TxDescriptor(0), 0x80000000);
  board.WriteCsr(kCsr(4), Rig::TxDescriptor(0));
  board.WriteCsr(kCsr(6), 0x02042200);
  clock.Advance(1 * sim::kMillisecond);  // the frame leaves at line rate
  EXPECT_EQ(dma.Get32(Rig::TxDescriptor(0)) & 0x8200u, 0x8200u) << "full-duplex MAC on half duplex: late collision";
  ASSERT_EQ(half.received().size(), 1u);
  const std::vector<uint8_t>& f = half.received()[0];
  uint32_t fcs = uint32_t(f[60]) | f[61] << 8 | f[62] << 16 | uint32_t(f[63]) << 24;
  EXPECT_NE(fcs, sim::EthernetFcs(f.data(), 60)) << "the peer sees a CRC error";
}

TEST(BoardProfile, IdleHighManagementLineReadsAllOnesWithoutAPhy) {
  ProfileRig rig("mdio-high", sim::PhyModel::kNone);
  EXPECT_EQ(MiiRead(*rig.board, 2), 0xffffu) << "identifier high word";
  EXPECT_EQ(MiiRead(*rig.board, 0), 0xffffu) << "control";
  sim::BoardConfig kind_config;
  kind_config.phy = sim::PhyModel::kNone;
  Rig kind(kind_config);
  EXPECT_EQ(MiiRead(*kind.board, 2), 0u) << "the kind board's line idles low";
}

TEST(BoardProfile, SerialBusesNeedTimeBetweenClockEdges) {
  ProfileRig rig("serial-timing");
  EXPECT_NE(MiiRead(*rig.board, 2), 0x0013u) << "a PHY read clocked with no time between edges is garbage";
  EXPECT_NE(EepromReadWord(*rig.board, 0x2a), 0x0012u) << "so is an EEPROM read";
  Rig kind;
  EXPECT_EQ(MiiRead(*kind.board, 2), 0x0013u) << "the kind board answers at any speed";
}

TEST(BoardProfile, LowTransmitThresholdUnderflowsUnlessStoreAndForward) {
  auto underflows = [](uint32_t csr6) {
    ProfileRig rig("mode-bits");
    rig.WaitForLink();
    rig.board->WriteCsr(kCsr(4), Rig::TxDescriptor(0));
    rig.board->WriteCsr(kCsr(6), csr6);
    uint32_t count = 0;
    for (uint32_t i = 0; i < 96; ++i) {
      rig.QueueFrame(i % 16, MakeFrame(kBroadcast, 1000), i % 16 == 15 ? 0x02000000 : 0);
      rig.board->WriteCsr(kCsr(1), 0);
      if (rig.Tdes0(i % 16) & 0x2) ++count;
    }
    return count;
  };
  EXPECT_GT(underflows(0x02042200), 0u) << "100 Mb/s full duplex, threshold 128 bytes: 1000-byte frames underflow";
  EXPECT_EQ(underflows(0x02242200), 0u) << "store and forward never underflows";
}

// The link drops 2.5 to 7.5 s after each link-up and is negotiated again:
// each of the first lives, from a link-up seen to the next drop, is timed.
TEST(BoardProfile, FlappingLinkDropsAndComesBack) {
  ProfileRig rig("flapping");
  rig.WaitForLink();
  ASSERT_EQ(rig.board->CurrentMode(), sim::LinkMode::k100Full);
  std::vector<sim::Nanoseconds> lives;
  sim::Nanoseconds up_since = 0;  // unknown for the first link-up
  bool up = true;
  while (lives.size() < 6 && rig.clock.Now() < 120 * sim::kSecond) {
    rig.clock.Advance(sim::kMillisecond);
    bool now_up = rig.board->CurrentMode() != sim::LinkMode::kNone;
    if (now_up && !up) {
      EXPECT_EQ(rig.board->CurrentMode(), sim::LinkMode::k100Full) << "negotiated again as before";
      up_since = rig.clock.Now();
    }
    if (up && !now_up && up_since != 0) lives.push_back(rig.clock.Now() - up_since);
    up = now_up;
  }
  ASSERT_EQ(lives.size(), 6u) << "the link came back after each drop";
  for (sim::Nanoseconds life : lives) {
    EXPECT_GE(life, 2500 * sim::kMillisecond) << "up for " << life / sim::kMillisecond << " ms";
    EXPECT_LE(life, 7501 * sim::kMillisecond) << "up for " << life / sim::kMillisecond << " ms";
  }
}

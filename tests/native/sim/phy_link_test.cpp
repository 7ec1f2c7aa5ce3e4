// Auto-negotiation, forced modes, link interrupts and the serial interface.
#include <gtest/gtest.h>

#include "sim_test_support.h"

using namespace simtest;
using sim::Board;
using sim::BoardConfig;
using sim::LinkMode;

namespace {

struct TwoBoards {
  explicit TwoBoards(BoardConfig a = BoardConfig(), BoardConfig b = BoardConfig())
      : left(clock, dma, a), right(clock, dma, b), wire(clock, left, right) {}
  sim::VirtualClock clock;
  VectorDma dma{kMemoryBase, 0x1000};
  Board left, right;
  sim::Wire wire;
};

}  // namespace

TEST(Link, TwoBoardsNegotiate100Full) {
  TwoBoards t;
  EXPECT_EQ(t.left.CurrentMode(), LinkMode::kNone) << "negotiation takes time";
  t.clock.Advance(5 * sim::kMillisecond);
  EXPECT_EQ(t.left.CurrentMode(), LinkMode::k100Full);
  EXPECT_EQ(t.right.CurrentMode(), LinkMode::k100Full);
  EXPECT_EQ(MiiRead(t.left, 0x11) & 0x7fdc, 0x4600) << "link, full duplex, 100 Mb/s";
  EXPECT_EQ(MiiRead(t.left, 1) & 0x24, 0x24) << "link and negotiation complete";
  EXPECT_EQ(MiiRead(t.left, 5), 0x41e1) << "partner's abilities, acknowledged";
}

TEST(Link, ForcedAgainstAutoAndForcedPairs) {
  TwoBoards t;
  MiiWrite(t.right, 0, 0x2100);  // forced 100 full, as SetConnectionType 4
  t.clock.Advance(5 * sim::kMillisecond);
  EXPECT_EQ(t.right.CurrentMode(), LinkMode::k100Full);
  EXPECT_EQ(t.left.CurrentMode(), LinkMode::k100Half) << "parallel detection gives half duplex";
  MiiWrite(t.left, 0, 0x2100);
  t.clock.Advance(5 * sim::kMillisecond);
  EXPECT_EQ(t.left.CurrentMode(), LinkMode::k100Full);
  MiiWrite(t.left, 0, 0x0100);  // forced 10 full against forced 100 full
  t.clock.Advance(5 * sim::kMillisecond);
  EXPECT_EQ(t.left.CurrentMode(), LinkMode::kNone);
  EXPECT_EQ(t.right.CurrentMode(), LinkMode::kNone);
  MiiWrite(t.left, 4, 0x0041);  // advertise 10 full only, negotiate
  MiiWrite(t.left, 0, 0x1200);
  MiiWrite(t.right, 4, 0x01e1);
  MiiWrite(t.right, 0, 0x1200);
  t.clock.Advance(5 * sim::kMillisecond);
  EXPECT_EQ(t.left.CurrentMode(), LinkMode::k10Full) << "best common mode";
}

TEST(Link, ChangeRaisesPhyInterruptUntilBothRegistersRead) {
  Rig rig;
  Board& b = *rig.board;
  MiiWrite(b, 0x12, 2);
  MiiWrite(b, 0x12, 0xf2);
  b.WriteCsr(kCsr(7), kInterruptMask);
  rig.WaitForLink();
  ASSERT_EQ(b.CurrentMode(), LinkMode::k100Full);
  EXPECT_TRUE(b.InterruptAsserted());
  EXPECT_EQ(b.ReadCsr(kCsr(5)) & 0x04008000, 0x04008000u) << "general-purpose port and abnormal summary";
  b.WriteCsr(kCsr(5), b.ReadCsr(kCsr(5)));
  EXPECT_FALSE(b.InterruptAsserted());
  MiiRead(b, 1);
  EXPECT_TRUE(b.PhyInterruptLine()) << "status register alone does not acknowledge";
  MiiRead(b, 0x13);
  EXPECT_FALSE(b.PhyInterruptLine());

  rig.wire->Unplug();
  EXPECT_EQ(b.CurrentMode(), LinkMode::kNone);
  EXPECT_TRUE(b.InterruptAsserted()) << "link loss interrupts too";
  b.WriteCsr(kCsr(5), b.ReadCsr(kCsr(5)));
  rig.wire->Plug();
  rig.WaitForLink();
  EXPECT_EQ(MiiRead(b, 1) & 4, 0) << "link bit latched low since the loss";
  EXPECT_EQ(MiiRead(b, 1) & 4, 4);
  EXPECT_FALSE(b.InterruptAsserted()) << "no new edge while the PHY was not acknowledged";
}

TEST(Link, PhyResetDropsLinkOnBothEnds) {
  TwoBoards t;
  t.clock.Advance(5 * sim::kMillisecond);
  MiiWrite(t.left, 0, 0x8000);
  EXPECT_EQ(t.left.CurrentMode(), LinkMode::kNone);
  EXPECT_EQ(t.right.CurrentMode(), LinkMode::kNone);
  t.clock.Advance(5 * sim::kMillisecond);
  EXPECT_EQ(t.right.CurrentMode(), LinkMode::kNone) << "still held in reset";
  while (MiiRead(t.left, 0) & 0x8000) {
  }
  t.clock.Advance(5 * sim::kMillisecond);
  EXPECT_EQ(t.left.CurrentMode(), LinkMode::k100Full);
  EXPECT_EQ(t.right.CurrentMode(), LinkMode::k100Full);
}

TEST(Link, SerialInterfaceWithoutPhy) {
  BoardConfig config;
  config.phy = sim::PhyModel::kNone;
  Rig rig(config);
  Board& b = *rig.board;
  rig.peer.set_forced(LinkMode::k10Full);
  b.WriteCsr(kCsr(13), 0);
  b.WriteCsr(kCsr(14), 0x7f3d);
  b.WriteCsr(kCsr(15), 0x081e0008);
  b.WriteCsr(kCsr(15), 0x000e0008);
  b.WriteCsr(kCsr(13), 1);
  EXPECT_EQ(b.ReadCsr(kCsr(12)) & 4, 4u) << "no link yet";
  rig.WaitForLink();
  EXPECT_EQ(b.CurrentMode(), LinkMode::k10Full);
  EXPECT_EQ(b.ReadCsr(kCsr(12)) & 4, 0u);
  EXPECT_EQ(b.ReadCsr(kCsr(15)) & 0x10000, 0x10000u) << "link also in CSR15 bit 16";
  EXPECT_EQ(b.ReadCsr(kCsr(5)) & 0x1010, 0x10u) << "link pass";
  rig.wire->Unplug();
  EXPECT_EQ(b.ReadCsr(kCsr(5)) & 0x1000, 0x1000u) << "link fail";
  EXPECT_EQ(b.ReadCsr(kCsr(12)) & 4, 4u);
}

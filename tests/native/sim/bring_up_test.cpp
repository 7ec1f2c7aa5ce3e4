// The driver's bring-up sequence, step by step, against each PHY model: every
// wait loop must end and the link must come up and be reported by interrupt.
#include <gtest/gtest.h>

#include "sim_test_support.h"

using namespace simtest;
using sim::Board;
using sim::PhyModel;

namespace {

constexpr uint32_t kCsr0Value = 0x01a04000;
constexpr uint32_t kNoPhy = 2;

struct Driver {
  Rig& rig;
  Board& b;
  uint32_t phy_kind = 0;
  uint32_t csr6 = 0x020c0008;

  void Wait(sim::Nanoseconds ns) { rig.clock.Advance(ns); }

  void DetectPhy() {
    uint32_t id = (uint32_t(MiiRead(b, 2)) << 16 | MiiRead(b, 3)) & ~0xfu;
    phy_kind = id == 0 ? kNoPhy : id;
    if (phy_kind == kNoPhy) csr6 &= 0xffbbffff;
  }

  // The CSR6 mode change: stop both processes, wait for them, restart.
  void ChangeMode(uint32_t wanted) {
    int spins = 0;
    do {
      b.WriteCsr(kCsr(6), b.ReadCsr(kCsr(6)) & ~0x2002u);
      ASSERT_LT(++spins, 3) << "processes must stop at once";
    } while (b.ReadCsr(kCsr(5)) & 0x7e0000);
    b.WriteCsr(kCsr(6), wanted & ~0x2002u);
    b.WriteCsr(kCsr(6), wanted | 0x2002u);
  }

  uint32_t PhyStatus() {
    return phy_kind == 0x001378e0 ? MiiRead(b, 0x11) & 0x7fdc : MiiRead(b, 0x14) & 0x3b35;
  }

  bool UpdateLinkState() {
    if (phy_kind == kNoPhy) return !(b.ReadCsr(kCsr(12)) & 4);
    uint32_t s = PhyStatus();
    bool full = phy_kind == 0x001378e0 ? s & 0x200 : s & 0x1000;
    bool fast = phy_kind == 0x001378e0 ? s & 0x4000 : s & 0x800;
    uint32_t c = b.ReadCsr(kCsr(6));
    uint32_t wanted = (full ? c | 0x200 : c & ~0x200u);
    wanted = fast ? wanted & ~0x400000u : wanted | 0x400000;
    if (wanted != c) ChangeMode(wanted);
    return phy_kind == 0x001378e0 ? s & 0x400 : s & 0x2000;
  }

  void InitializeChip() {
    b.WriteCsr(kCsr(6), phy_kind == kNoPhy ? 0x02000000 : 0x02040000);
    b.WriteCsr(kCsr(0), 1);
    int tries = 0;
    do {
      Wait(100 * sim::kMicrosecond);
      b.WriteCsr(kCsr(0), kCsr0Value);
      b.WriteCsr(kCsr(6), csr6);
      b.WriteCsr(kCsr(13), 0);
      b.WriteCsr(kCsr(14), phy_kind == kNoPhy ? 0x7f3f : 0);
      b.WriteCsr(kCsr(15), phy_kind == kNoPhy ? 0x081e0008 : 0x090e0000);
      b.WriteCsr(kCsr(15), phy_kind == kNoPhy ? 0x000e0008 : 0x000e0000);
      if (phy_kind == kNoPhy) b.WriteCsr(kCsr(13), 1);
      ASSERT_LT(++tries, 3);
    } while ((b.ReadCsr(kCsr(0)) & kCsr0Value) != kCsr0Value || (b.ReadCsr(kCsr(6)) & csr6) != csr6);
    if (phy_kind == 0x001378e0) {
      MiiWrite(b, 0, 0x8000);
      int reads = 0;
      while (MiiRead(b, 0) & 0x8000) ASSERT_LT(++reads, 10);
      MiiWrite(b, 0x12, 2);
      MiiWrite(b, 0x12, 0xf2);
      MiiWrite(b, 0x14, 0x0742);
    } else if (phy_kind == 0x78100000) {
      MiiWrite(b, 0, 0x8000);
      Wait(50 * sim::kMicrosecond);
      int writes = 0;
      do {
        MiiWrite(b, 0x11, 2);
        ASSERT_LT(++writes, 10);
      } while (MiiRead(b, 0x11) != 2);
    }
    b.WriteCsr(kCsr(4), Rig::TxDescriptor(0));
    b.WriteCsr(kCsr(6), b.ReadCsr(kCsr(6)) | 0x2000);
    // Filter reload: dummy descriptor then the setup frame, handed over in reverse.
    std::vector<uint8_t> setup = SetupFrame({{0x00, 0x12, 0x34, 0x56, 0x78, 0x9a}});
    std::copy(setup.begin(), setup.end(), rig.dma.At(Rig::kSetup));
    rig.dma.Put32(Rig::TxDescriptor(1) + 4, 0x080000c0);
    rig.dma.Put32(Rig::TxDescriptor(1) + 8, Rig::kSetup);
    rig.dma.Put32(Rig::TxDescriptor(1), 0x80000000);
    rig.dma.Put32(Rig::TxDescriptor(0), 0x80000000);
    b.WriteCsr(kCsr(1), 0);
    EXPECT_EQ(rig.dma.Get32(Rig::TxDescriptor(1)), 0x7fffffffu);
    rig.StartReceive(8);
    Wait(1500 * sim::kMillisecond);
  }
};

class BringUp : public ::testing::TestWithParam<PhyModel> {};

}  // namespace

TEST_P(BringUp, LinkComesUpAndIsReportedByInterrupt) {
  sim::BoardConfig config;
  config.phy = GetParam();
  Rig rig(config);
  rig.board->WriteCsr(kCsr(6), 0);  // the rig's port selection is the driver's job here
  Board& b = *rig.board;
  Driver d{rig, b};
  b.WritePciConfig(0x40, 0);
  d.DetectPhy();
  d.InitializeChip();
  EXPECT_TRUE(b.filter().programmed);
  EXPECT_TRUE(d.UpdateLinkState()) << "linked during the settle wait";
  if (d.phy_kind != kNoPhy) {  // ConnectionType 0: restart negotiation of all four modes
    MiiWrite(b, 4, 0x01e1);
    MiiWrite(b, 0, 0x1200);
    EXPECT_FALSE(d.UpdateLinkState()) << "a restart drops the link";
    EXPECT_EQ(MiiRead(b, 0) & 0x1000, 0x1000);
  }
  b.WriteCsr(kCsr(7), kInterruptMask);
  rig.WaitForLink();
  ASSERT_TRUE(b.InterruptAsserted()) << "link change interrupt";
  uint32_t s = b.ReadCsr(kCsr(5));
  b.WriteCsr(kCsr(5), s);
  if (d.phy_kind != kNoPhy) {
    EXPECT_EQ(s & 0x04000000, 0x04000000u);
    MiiRead(b, 1);
    MiiRead(b, d.phy_kind == 0x001378e0 ? 0x13 : 0x12);
  }
  EXPECT_TRUE(d.UpdateLinkState());
  // The mode change restarted transmit onto an empty ring; the service loop's
  // next pass acknowledges that and finds nothing more.
  EXPECT_EQ(b.ReadCsr(kCsr(5)) & kInterruptMask & ~0x10004u, 0u) << "only the transmit event and its summary";
  b.WriteCsr(kCsr(5), b.ReadCsr(kCsr(5)));
  EXPECT_FALSE(b.InterruptAsserted());
  sim::LinkMode expected = d.phy_kind == kNoPhy ? sim::LinkMode::k10Half : sim::LinkMode::k100Full;
  EXPECT_EQ(b.CurrentMode(), expected);
  rig.peer.Send(MakeFrame(kStation, 60));
  EXPECT_EQ(b.counters().rx_frames, 1u) << "the station address passes the filter";
}

INSTANTIATE_TEST_SUITE_P(PhyModels, BringUp, ::testing::Values(PhyModel::kPhy1378, PhyModel::kPhy7810, PhyModel::kNone));

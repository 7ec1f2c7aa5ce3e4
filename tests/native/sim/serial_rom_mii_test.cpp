// The two serial buses behind CSR9, driven bit by bit as the driver does.
#include <gtest/gtest.h>

#include "sim_test_support.h"

using namespace simtest;
using sim::BoardConfig;
using sim::PhyModel;

TEST(SerialRom, DriverSequenceReadsEveryWord) {
  Rig rig;
  sim::Board& b = *rig.board;
  EXPECT_EQ(EepromReadWord(b, 0x2a), 0x0012);
  EXPECT_EQ(EepromReadWord(b, 0x2b), 0x3456);
  EXPECT_EQ(EepromReadWord(b, 0x2c), 0x789a);
  b.SetEepromWord(0, 0x8001);  // both end bits set: catches a lost first or last bit
  b.SetEepromWord(63, 0x1248);
  EXPECT_EQ(EepromReadWord(b, 0), 0x8001);
  EXPECT_EQ(EepromReadWord(b, 63), 0x1248);
}

TEST(SerialRom, NeedsTheSerialRomSelected) {
  Rig rig;
  EXPECT_EQ(EepromReadWord(*rig.board, 0x2b, /*select=*/0), 0) << "bit 11 clear: the part is not selected";
}

TEST(Mii, IdentifierOfEachPhyModel) {
  struct Case {
    PhyModel model;
    uint16_t id2, id3;
  } cases[] = {{PhyModel::kPhy1378, 0x0013, 0x78e3}, {PhyModel::kPhy7810, 0x7810, 0x0003},
               {PhyModel::kUnknown, 0x0013, 0x7812}, {PhyModel::kNone, 0, 0}};
  for (const Case& c : cases) {
    BoardConfig config;
    config.phy = c.model;
    config.phy_revision = 3;
    Rig rig(config);
    EXPECT_EQ(MiiRead(*rig.board, 2), c.id2) << "model " << int(c.model);
    EXPECT_EQ(MiiRead(*rig.board, 3), c.id3) << "model " << int(c.model);
  }
}

TEST(Mii, WriteThenReadBack) {
  Rig rig;
  MiiWrite(*rig.board, 4, 0x0101);
  EXPECT_EQ(MiiRead(*rig.board, 4), 0x0101);
  EXPECT_EQ(rig.board->PhyRegister(4), 0x0101);
  MiiWrite(*rig.board, 0x14, 0x0742);
  EXPECT_EQ(MiiRead(*rig.board, 0x14), 0x0742);
}

TEST(Mii, ReadWithoutReleasingTheLineSeesOwnOutput) {
  Rig rig;
  sim::Board& b = *rig.board;
  // A read whose data phase keeps driving 0 (read mode bit 18 never set).
  auto bit = [&](uint32_t v) {
    b.WriteCsr(kCsr(9), v << 17);
    b.WriteCsr(kCsr(9), v << 17 | 0x10000);
    return (b.ReadCsr(kCsr(9)) >> 19) & 1;
  };
  for (int i = 0; i < 34; ++i) bit(1);
  for (uint32_t v : {0, 1, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0}) bit(v);
  uint32_t value = 0;
  for (int i = 0; i < 17; ++i) value = value << 1 | bit(0);
  EXPECT_EQ(value, 0u) << "the PHY's 0x0013 must not show through a line the host drives";
}

TEST(Mii, PhyResetClearsAfterConfiguredReads) {
  BoardConfig config;
  config.phy_reset_reads = 2;
  Rig rig(config);
  sim::Board& b = *rig.board;
  MiiWrite(b, 4, 0x0021);
  MiiWrite(b, 0, 0x8000);
  EXPECT_EQ(MiiRead(b, 0) & 0x8000, 0x8000);
  EXPECT_EQ(MiiRead(b, 0) & 0x8000, 0x8000);
  EXPECT_EQ(MiiRead(b, 0) & 0x8000, 0) << "ready after two reads";
  EXPECT_EQ(MiiRead(b, 4), 0x01e1) << "reset restores the advertisement";
}

TEST(Mii, Phy7810IgnoresWritesUntilResetEnds) {
  BoardConfig config;
  config.phy = PhyModel::kPhy7810;
  Rig rig(config);
  sim::Board& b = *rig.board;
  MiiWrite(b, 0, 0x8000);
  int attempts = 0;
  do {
    MiiWrite(b, 0x11, 2);
    ++attempts;
  } while (MiiRead(b, 0x11) != 2 && attempts < 10);
  EXPECT_EQ(attempts, 3) << "two reads while in reset, then the write sticks";
}

// Board profile reset-values: the registers as the chip documents them, with
// the bits a driver has to mask.
#include <gtest/gtest.h>

#include "sim_test_support.h"

using namespace simtest;

namespace {

sim::BoardConfig Documented(sim::PhyModel phy = sim::PhyModel::kPhy1378) {
  sim::BoardConfig config;
  config.phy = phy;
  EXPECT_TRUE(sim::BoardProfile::Named("reset-values", &config.profile));
  return config;
}

// The value of every CSR the chip documents a reset value for.
void ExpectResetValues(sim::Board& board, const char* when) {
  EXPECT_EQ(board.ReadCsr(kCsr(0)), 0xfe000000u) << when << ": CSR0";
  EXPECT_EQ(board.ReadCsr(kCsr(1)), 0xffffffffu) << when << ": CSR1";
  EXPECT_EQ(board.ReadCsr(kCsr(2)), 0xffffffffu) << when << ": CSR2";
  EXPECT_EQ(board.ReadCsr(kCsr(5)), 0xf0000000u) << when << ": CSR5";
  EXPECT_EQ(board.ReadCsr(kCsr(6)), 0x32000040u) << when << ": CSR6, promiscuous";
  EXPECT_EQ(board.ReadCsr(kCsr(7)), 0xf3fe0000u) << when << ": CSR7";
  EXPECT_EQ(board.ReadCsr(kCsr(8)), 0xe0000000u) << when << ": CSR8";
  EXPECT_EQ(board.ReadCsr(kCsr(9)), 0xfff483ffu) << when << ": CSR9";
  EXPECT_EQ(board.ReadCsr(kCsr(11)), 0xfffe0000u) << when << ": CSR11";
  EXPECT_EQ(board.ReadCsr(kCsr(12)), 0x000000c6u) << when << ": CSR12, both links failed";
  EXPECT_EQ(board.ReadCsr(kCsr(13)), 0xffff0000u) << when << ": CSR13";
  EXPECT_EQ(board.ReadCsr(kCsr(14)), 0xffffffffu) << when << ": CSR14";
  EXPECT_EQ(board.ReadCsr(kCsr(15)), 0x8ffe0000u) << when << ": CSR15";
}

}  // namespace

TEST(ResetValues, RegistersReadAsDocumentedAtPowerUpAndAfterASoftwareReset) {
  sim::VirtualClock clock;
  VectorDma dma(kMemoryBase, 0x1000);
  sim::Board fresh(clock, dma, Documented());
  ExpectResetValues(fresh, "power up");
  Rig rig(Documented());
  rig.board->WriteCsr(kCsr(0), 0x01a02000);
  rig.board->WriteCsr(kCsr(6), 0x020c0008);
  rig.board->WriteCsr(kCsr(7), kInterruptMask);
  rig.board->WriteCsr(kCsr(14), 0);
  rig.board->WriteCsr(kCsr(0), 1);
  ExpectResetValues(*rig.board, "software reset");
}

TEST(ResetValues, ReservedBitsReadAsOnesWhateverWasWritten) {
  Rig rig(Documented());
  rig.board->WriteCsr(kCsr(0), 0x01a02000);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(0)), 0xffa02000u) << "CSR0";
  rig.board->WriteCsr(kCsr(6), 0x020c0008);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(6)), 0x320c0008u) << "CSR6";
  rig.board->WriteCsr(kCsr(7), kInterruptMask);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(7)), 0xf7ffb2fdu) << "CSR7";
  rig.board->WriteCsr(kCsr(9), 0);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(9)), 0xfff083ffu) << "CSR9 driving the management line low";
  rig.board->WriteCsr(kCsr(14), 0);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(14)), 0xffff0000u) << "CSR14";
  EXPECT_EQ(MiiRead(*rig.board, 2), 0x0013u) << "the PHY still reads through the data-in bit";
  EXPECT_EQ(EepromReadWord(*rig.board, 0x2a), 0x0012u) << "the EEPROM still reads through the data-out bit";
}

TEST(ResetValues, ErrorBitsStayUntilTheNextReset) {
  Rig rig(Documented());
  rig.WaitForLink();
  rig.board->WriteCsr(kCsr(4), 0xdead0000);  // no memory answers there
  rig.board->WriteCsr(kCsr(6), 0x02042000);
  ASSERT_EQ(rig.board->ReadCsr(kCsr(5)) & 0x03802000u, 0x00802000u) << "system error, master abort";
  rig.board->WriteCsr(kCsr(5), 0xffffffff);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(5)), 0xf0800000u) << "the event is acknowledged, the error bits stay";
  rig.board->WriteCsr(kCsr(0), 1);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(5)), 0xf0000000u) << "a reset clears them";
}

TEST(ResetValues, SerialInterfaceShowsLinkAmongItsOtherBits) {
  Rig rig(Documented(sim::PhyModel::kNone));
  rig.board->WriteCsr(kCsr(13), 0);
  rig.board->WriteCsr(kCsr(14), 0x7f3f);
  rig.board->WriteCsr(kCsr(15), 0x000e0008);
  rig.board->WriteCsr(kCsr(13), 1);
  rig.WaitForLink();
  EXPECT_EQ(rig.board->ReadCsr(kCsr(12)), 0x000000c2u) << "10 Mb/s link passes, the rest as documented";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(14)), 0xffff7f3fu) << "half duplex";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(15)), 0x000f0008u) << "link on pin 0, unused pins high";
  rig.StartReceive(4);
  rig.board->WriteCsr(kCsr(6), rig.board->ReadCsr(kCsr(6)) | 0x40);
  rig.peer.Send(MakeFrame(kStation, 60));
  EXPECT_EQ(rig.board->ReadCsr(kCsr(12)), 0x000002c2u) << "receive activity seen";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(12)), 0x000000c2u) << "cleared by the read";
}

// A board with a chaos source reports what the source makes of its values,
// and only there.
#include <gtest/gtest.h>

#include "scripted_chaos.h"
#include "sim_test_support.h"

using namespace simtest;
using sim::ChaosPoint;

TEST(Chaos, SerialBusAnswersComeFromTheSource) {
  Rig rig;
  ScriptedChaos chaos;
  chaos.Replace(ChaosPoint::kEepromWord, 0xbeef);
  chaos.Replace(ChaosPoint::kPhyRegister, 0x1234);
  rig.board->SetChaosSource(&chaos);
  EXPECT_EQ(EepromReadWord(*rig.board, 0x2b), 0xbeef) << "EEPROM word as the source says";
  EXPECT_EQ(chaos.own[ChaosPoint::kEepromWord], 0x3456u) << "the source is shown the real word";
  EXPECT_EQ(MiiRead(*rig.board, 2), 0x1234) << "PHY answer as the source says";
  EXPECT_EQ(chaos.own[ChaosPoint::kPhyRegister], 0x0013u) << "the source is shown the real identifier";
  rig.board->SetChaosSource(nullptr);
  EXPECT_EQ(EepromReadWord(*rig.board, 0x2b), 0x3456) << "detached: the board is honest again";
  EXPECT_EQ(MiiRead(*rig.board, 2), 0x0013) << "detached: the PHY is honest again";
}

TEST(Chaos, StatusReadsAndWriteBacksComeFromTheSourceButTheSummaryBitsDoNot) {
  Rig rig;
  rig.WaitForLink();
  rig.StartReceive(4);
  rig.board->WriteCsr(kCsr(6), rig.board->ReadCsr(kCsr(6)) | 0x40);  // promiscuous
  rig.board->WriteCsr(kCsr(7), kInterruptMask);
  ScriptedChaos chaos;
  chaos.Replace(ChaosPoint::kRxStatus, 0xffff0000);
  chaos.Replace(ChaosPoint::kCsr5, 0x00000001);
  chaos.Replace(ChaosPoint::kCsr8, 0x0001ffff);
  rig.board->SetChaosSource(&chaos);
  rig.peer.Send(MakeFrame(kStation, 60));
  EXPECT_EQ(rig.dma.Get32(Rig::RxDescriptor(0)), 0xffff0000u) << "RDES0 written back as the source says";
  EXPECT_EQ((chaos.own[ChaosPoint::kRxStatus] >> 16) & 0x3fff, 64u) << "the source saw the real length";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(5)) & 0x180ff, 0x10001u)
      << "CSR5 events from the source, the normal summary from the board";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(8)), 0x0001ffffu) << "CSR8 as the source says";
}

// Frames from the wire into the driver's receive descriptors.
#include <gtest/gtest.h>

#include "sim_test_support.h"

using namespace simtest;
using sim::Board;

TEST(Receive, FramesFillChainedDescriptorsInOrder) {
  ReceiveRig rig;
  std::vector<uint8_t> frame = MakeFrame(kStation, 60);
  rig.peer.Send(frame);
  uint32_t rdes0 = rig.Rdes0(0);
  EXPECT_EQ(rdes0 & 0x80000000, 0u) << "handed back to the host";
  EXPECT_EQ((rdes0 >> 16) & 0x3fff, 64u) << "length includes the CRC";
  EXPECT_EQ(rdes0 & 0x300, 0x300u) << "first and last descriptor";
  EXPECT_EQ(rdes0 & 0x8000, 0u) << "no error";
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), rig.dma.At(Rig::Buffer(0))));
  uint32_t fcs = sim::EthernetFcs(frame.data(), 60);
  EXPECT_EQ(rig.dma.Get32(Rig::Buffer(0) + 60), fcs) << "FCS stored after the data";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(5)) & 0x10040, 0x10040u) << "receive interrupt, normal summary";
  EXPECT_TRUE(rig.board->InterruptAsserted());
  rig.peer.Send(MakeFrame(kStation, 1514));
  EXPECT_EQ((rig.Rdes0(1) >> 16) & 0x3fff, 1518u) << "second frame in the next descriptor of the chain";
}

TEST(Receive, BadFcsAndInjectedDribbleSetErrorBits) {
  ReceiveRig rig;
  rig.peer.Send(MakeFrame(kStation, 100), /*bad_fcs=*/true);
  EXPECT_EQ(rig.Rdes0(0) & 0x8006, 0x8002u) << "error summary and CRC error";
  rig.board->InjectRxDribble(1);
  rig.peer.Send(MakeFrame(kStation, 100));
  EXPECT_EQ(rig.Rdes0(1) & 0x8006, 0x8004u) << "error summary and dribbling bit";
  rig.peer.Send(MakeFrame(kStation, 100));
  EXPECT_EQ(rig.Rdes0(2) & 0x8006, 0u) << "the injection was for one frame";
  EXPECT_EQ(rig.board->counters().rx_runts_crc, 1u);
}

TEST(Receive, FrameLargerThanOneBufferSpansDescriptors) {
  ReceiveRig rig(sim::BoardConfig(), 4, 512);
  rig.peer.Send(MakeFrame(kStation, 1200));  // 512 + 512 + 180 bytes
  EXPECT_EQ(rig.Rdes0(0), 0x200u) << "first descriptor: first bit only, no length";
  EXPECT_EQ(rig.Rdes0(1), 0x0u);
  uint32_t last = rig.Rdes0(2);
  EXPECT_EQ(last & 0x300, 0x100u) << "last descriptor";
  EXPECT_EQ((last >> 16) & 0x3fff, 1204u);
  EXPECT_EQ(*rig.dma.At(Rig::Buffer(1)), uint8_t(0x5a + 512)) << "byte 512 starts the second buffer";
}

TEST(Receive, MissedFramesWithoutOwnedDescriptorUntilOneIsHandedBack) {
  ReceiveRig rig(sim::BoardConfig(), 2);  // one owned descriptor, then the sentinel
  rig.peer.Send(MakeFrame(kStation, 60));
  rig.board->WriteCsr(kCsr(5), 0xffffffff);
  for (int i = 0; i < 3; ++i) rig.peer.Send(MakeFrame(kStation, 60));
  uint32_t s = rig.board->ReadCsr(kCsr(5));
  EXPECT_EQ(s & 0x80, 0x80u) << "receive buffer unavailable";
  EXPECT_EQ((s >> 17) & 7, 4u) << "receive process suspended";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(8)), 3u);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(8)), 0u) << "cleared by reading";
  // The driver hands the sentinel back by ownership alone, without a poll demand.
  rig.dma.Put32(Rig::RxDescriptor(1), 0x80000000);
  rig.peer.Send(MakeFrame(kStation, 60));
  EXPECT_EQ(rig.Rdes0(1) & 0x80000000, 0u) << "re-read on the next frame";
  EXPECT_EQ((rig.board->ReadCsr(kCsr(5)) >> 17) & 7, 3u) << "running again";
}

TEST(Receive, MissedFrameCounterOverflows) {
  ReceiveRig rig(sim::BoardConfig(), 1);  // nothing owned at all
  for (uint32_t i = 0; i < 0xffff; ++i) rig.peer.Send(MakeFrame(kStation, 60));
  EXPECT_EQ(rig.board->ReadCsr(kCsr(8)), 0xffffu) << "a full count, no overflow yet";
  for (uint32_t i = 0; i < 0x10002; ++i) rig.peer.Send(MakeFrame(kStation, 60));
  EXPECT_EQ(rig.board->ReadCsr(kCsr(8)), 0x10002u) << "overflow bit with the count wrapped";
  EXPECT_EQ(rig.board->counters().rx_missed, 0xffffu + 0x10002u);
}

TEST(Receive, DroppedWhenStoppedOrRunt) {
  ReceiveRig rig;
  rig.peer.Send(MakeFrame(kStation, 40));
  EXPECT_EQ(rig.board->counters().rx_runts, 1u);
  rig.board->WriteCsr(kCsr(6), rig.board->ReadCsr(kCsr(6)) & ~0x2u);
  rig.peer.Send(MakeFrame(kStation, 60));
  EXPECT_EQ(rig.board->counters().rx_ignored, 1u);
  EXPECT_EQ(rig.Rdes0(0), 0x80000000u) << "nothing stored";
}

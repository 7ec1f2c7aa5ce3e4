// Board profile rx-status: receive status written back on the board's own
// schedule, the receive watchdog, and a receive FIFO that overflows while
// the bus stalls.
#include <gtest/gtest.h>

#include "sim_test_support.h"

using namespace simtest;

namespace {

// `stall_every`: every write-back waits that long at most (a quarter of it at least).
sim::BoardConfig RxStatusBoard(sim::Nanoseconds stall_every = 0) {
  sim::BoardConfig config = WithProfile("rx-status");
  if (stall_every != 0) {
    config.profile.rx_stall_one_in = 1;
    config.profile.rx_stall_max = stall_every;
  }
  return config;
}

}  // namespace

TEST(RxStatus, StatusAndInterruptFollowTheDataLater) {
  ReceiveRig rig(RxStatusBoard(), 8);
  std::vector<uint8_t> frame = MakeFrame(kStation, 60);
  rig.peer.Send(frame);
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), rig.dma.At(Rig::Buffer(0)))) << "the data is there";
  EXPECT_EQ(rig.Rdes0(0), 0x80000000u) << "the descriptor still belongs to the chip";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(5)) & 0x4040u, 0x4000u) << "early receive, no receive interrupt yet";
  rig.clock.Advance(10 * sim::kMicrosecond);
  EXPECT_EQ(rig.Rdes0(0), 0x00400320u) << "64 bytes, first and last descriptor, frame type";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(5)) & 0x14040u, 0x10040u) << "receive interrupt ends the early receive";
}

TEST(RxStatus, WatchdogCutsAJabberingFrame) {
  ReceiveRig rig(RxStatusBoard(), 8);
  rig.peer.Send(MakeFrame(kStation, 4000));
  rig.clock.Advance(100 * sim::kMicrosecond);
  EXPECT_EQ(rig.Rdes0(0), 0x05ee0200u) << "first descriptor: 1518 bytes so far, not the last";
  EXPECT_EQ(rig.Rdes0(1) & 0xffffu, 0x81b0u) << "error summary, last descriptor, too long, frame type, watchdog";
  uint32_t length = (rig.Rdes0(1) >> 16) & 0x3fff;
  EXPECT_TRUE(length >= 2048 && length <= 2560) << "cut between 2048 and 2560 bytes, not at " << length;
  EXPECT_EQ(rig.Rdes0(2), 0x80000000u) << "nothing after the cut";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(5)) & 0x8200u, 0x8200u) << "receive watchdog timeout, abnormal summary";
}

// 700-byte frames back to back fill the 2048-byte FIFO while the bus
// stalls: the third finds 648 bytes of room, the fourth none.
TEST(RxStatus, FullFifoCutsOneFrameAndLosesTheNext) {
  ReceiveRig rig(RxStatusBoard(sim::kMillisecond), 8);
  for (uint32_t i = 0; i < 4; ++i) rig.peer.Send(MakeFrame(kStation, 696, uint8_t(i)));
  rig.clock.Advance(10 * sim::kMillisecond);
  EXPECT_EQ(rig.Rdes0(1) & 0xbfff8000u, 0x02bc0000u) << "second frame whole";
  EXPECT_EQ(rig.Rdes0(2) & 0xbfff8301u, 0x02888301u) << "third: 648 bytes, error summary, overflow";
  EXPECT_EQ(rig.Rdes0(3), 0x80000000u) << "the fourth never reached a descriptor";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(8)), 0x00020000u) << "one frame in the FIFO overflow counter, none missed";
}

// Two 1004-byte frames hold the FIFO for at least 250 ms while 2049 more
// arrive, one more than bits 17-27 count.
TEST(RxStatus, FifoOverflowCounterWrapsIntoItsOverflowBit) {
  ReceiveRig rig(RxStatusBoard(sim::kSecond), 8);
  for (uint32_t i = 0; i < 2 + 2049; ++i) rig.peer.Send(MakeFrame(kStation, 1000));
  EXPECT_EQ(rig.board->ReadCsr(kCsr(8)), 0x10020000u) << "count wrapped to 1, overflow bit 28 set";
}

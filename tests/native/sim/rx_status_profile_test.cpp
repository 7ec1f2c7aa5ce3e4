// Board profile rx-status: receive status written back on the board's own
// schedule, the receive watchdog, and a receive FIFO that overflows while
// the bus is slow.
#include <gtest/gtest.h>

#include "sim_test_support.h"

using namespace simtest;

namespace {

sim::BoardConfig RxStatusBoard() {
  sim::BoardConfig config;
  EXPECT_TRUE(sim::BoardProfile::Named("rx-status", &config.profile));
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
  EXPECT_FALSE(rig.board->InterruptAsserted()) << "early receive is not enabled";
  rig.clock.Advance(10 * sim::kMicrosecond);
  EXPECT_EQ(rig.Rdes0(0), 0x00400320u) << "64 bytes, first and last descriptor, frame type";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(5)) & 0x14040u, 0x10040u) << "receive interrupt ends the early receive";
  EXPECT_TRUE(rig.board->InterruptAsserted());
}

TEST(RxStatus, StatusWordsAreWrittenInArrivalOrder) {
  ReceiveRig rig(RxStatusBoard(), 8);
  for (uint32_t i = 0; i < 5; ++i) rig.peer.Send(MakeFrame(kStation, 60 + i));
  uint32_t written = 0;
  while (written < 5 && rig.clock.RunNext()) {
    uint32_t now = 0;
    while (now < 5 && !(rig.Rdes0(now) & 0x80000000u)) ++now;
    for (uint32_t i = now; i < 5; ++i) EXPECT_NE(rig.Rdes0(i) & 0x80000000u, 0u) << "descriptor " << i << " before " << now;
    EXPECT_GE(now, written) << "no status taken back";
    written = now;
  }
  ASSERT_EQ(written, 5u) << "every status written";
  EXPECT_EQ((rig.Rdes0(4) >> 16) & 0x3fff, 68u) << "the last frame's length";
}

TEST(RxStatus, WatchdogCutsAJabberingFrame) {
  ReceiveRig rig(RxStatusBoard(), 8);
  rig.peer.Send(MakeFrame(kStation, 4000));
  rig.clock.Advance(100 * sim::kMicrosecond);
  EXPECT_EQ(rig.Rdes0(0), 0x05ee0200u) << "first descriptor: 1518 bytes so far, not the last";
  uint32_t last = rig.Rdes0(1);
  EXPECT_EQ(last & 0xffffu, 0x81b0u) << "error summary, last descriptor, too long, frame type, watchdog";
  uint32_t length = (last >> 16) & 0x3fff;
  EXPECT_GE(length, 2048u) << "cut no earlier than 2048 bytes";
  EXPECT_LE(length, 2560u) << "cut no later than 2560 bytes";
  EXPECT_EQ(rig.Rdes0(2), 0x80000000u) << "nothing after the cut";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(5)) & 0x8200u, 0x8200u) << "receive watchdog timeout, abnormal summary";
  EXPECT_EQ(rig.board->counters().rx_watchdog_cut, 1u);
  EXPECT_EQ(rig.board->counters().rx_frames, 0u) << "a cut frame is no frame";
}

// Every write-back waits for the bus: 700-byte frames back to back fill the
// 2048-byte FIFO; the third finds 648 bytes of room, the fourth none.
TEST(RxStatus, FullFifoCutsOneFrameAndLosesTheNext) {
  sim::BoardConfig config = RxStatusBoard();
  config.profile.rx_stall_one_in = 1;
  ReceiveRig rig(config, 8);
  for (uint32_t i = 0; i < 4; ++i) rig.peer.Send(MakeFrame(kStation, 696, uint8_t(i)));
  rig.clock.Advance(10 * sim::kMillisecond);
  EXPECT_EQ(rig.Rdes0(0) & 0xbfff8000u, 0x02bc0000u) << "first frame whole";
  EXPECT_EQ(rig.Rdes0(1) & 0xbfff8000u, 0x02bc0000u) << "second frame whole";
  EXPECT_EQ(rig.Rdes0(2) & 0xbfff8301u, 0x02888301u) << "third: 648 bytes, error summary, overflow";
  EXPECT_EQ(rig.Rdes0(3), 0x80000000u) << "the fourth never reached a descriptor";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(8)), 0x00020000u) << "one frame in the FIFO overflow counter, none missed";
  EXPECT_EQ(rig.board->counters().rx_fifo_lost, 1u);
  EXPECT_EQ(rig.board->counters().rx_fifo_cut, 1u);
  EXPECT_EQ(rig.board->counters().rx_frames, 2u);
}

// A bus stall of at least 250 ms: the FIFO stays full with two 1004-byte
// frames while 2049 more arrive, one more than bits 17-27 can count.
TEST(RxStatus, FifoOverflowCounterWrapsIntoItsOverflowBit) {
  sim::BoardConfig config = RxStatusBoard();
  config.profile.rx_stall_one_in = 1;
  config.profile.rx_stall_max = sim::kSecond;
  ReceiveRig rig(config, 8);
  for (uint32_t i = 0; i < 2 + 2049; ++i) rig.peer.Send(MakeFrame(kStation, 1000));
  EXPECT_EQ(rig.board->counters().rx_fifo_lost, 2049u);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(8)), 0x10020000u) << "count wrapped to 1, overflow bit 28 set";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(8)), 0u) << "cleared by reading";
}

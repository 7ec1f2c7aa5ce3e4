// The cable: line-rate pacing, unplugging, capture and link resolution.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "sim_test_support.h"

using namespace simtest;
using sim::LinkMode;
using sim::Wire;

namespace {

struct CountingEndpoint : sim::FrameEndpoint {
  void PeerChanged() override { ++peer_changes; }
  int peer_changes = 0;
};

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return uint32_t(b[at]) | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24;
}

}  // namespace

TEST(Wire, BoardSendsAtLineRate) {
  Rig rig(sim::BoardConfig(), Wire::Pace::kLineRate);
  rig.WaitForLink();
  ASSERT_EQ(rig.board->CurrentMode(), LinkMode::k100Full);
  rig.StartTransmit();
  std::vector<uint8_t> frame = MakeFrame(kBroadcast, 1514);
  std::copy(frame.begin(), frame.end(), rig.dma.At(Rig::Buffer(20)));
  for (uint32_t i = 0; i < 100; ++i) rig.QueueTx(i, 0x60000000 | 1514 | (i == 99 ? 0x82000000 : 0), Rig::Buffer(20));
  sim::Nanoseconds start = rig.clock.Now();
  rig.board->WriteCsr(kCsr(1), 0);
  EXPECT_EQ(rig.dma.Get32(Rig::TxDescriptor(0)), 0x80000000u) << "status waits until the frame has left";
  while (rig.dma.Get32(Rig::TxDescriptor(99)) & 0x80000000u) ASSERT_TRUE(rig.clock.RunNext());
  // (8 preamble + 1518 frame + 12 gap) bytes at 10 ns a bit.
  EXPECT_EQ(rig.clock.Now() - start, 100u * 1538u * 80u);
  EXPECT_EQ(rig.peer.received().size(), 100u);
}

TEST(Wire, UnplugLosesFramesInFlightAndTellsBothEnds) {
  sim::VirtualClock clock;
  CountingEndpoint a, b;
  Wire wire(clock, a, b, Wire::Pace::kLineRate);
  EXPECT_EQ(a.peer_changes, 1) << "plugged at construction";
  a.Send(MakeFrame(kBroadcast, 60));
  wire.Unplug();
  clock.Advance(sim::kMillisecond);
  EXPECT_TRUE(b.received().empty());
  EXPECT_EQ(a.peer_changes, 2);
  EXPECT_EQ(b.peer_changes, 2);
  a.Send(MakeFrame(kBroadcast, 60));
  clock.Advance(sim::kMillisecond);
  EXPECT_TRUE(b.received().empty()) << "nothing crosses an unplugged wire";
  wire.Plug();
  a.Send(MakeFrame(kBroadcast, 60));
  clock.Advance(sim::WireTime(64, LinkMode::k100Full) - 1);
  EXPECT_TRUE(b.received().empty()) << "still on the wire";
  clock.Advance(1);
  EXPECT_EQ(b.received().size(), 1u);
}

TEST(Wire, CaptureWritesClassicPcap) {
  std::string path = ::testing::TempDir() + "sim_wire_capture.pcap";
  sim::VirtualClock clock;
  sim::FrameEndpoint a, b;
  {
    Wire wire(clock, a, b, Wire::Pace::kUnlimited);
    ASSERT_TRUE(wire.CaptureTo(path));
    a.Send(MakeFrame(kBroadcast, 60));
    clock.Advance(1500 * sim::kMicrosecond);
    b.Send(MakeFrame(kStation, 100));
    a.Send(MakeFrame(kBroadcast, 1514));
    wire.StopCapture();
    a.Send(MakeFrame(kBroadcast, 60));  // after the capture: not recorded
  }
  std::ifstream in(path, std::ios::binary);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GE(bytes.size(), 24u);
  EXPECT_EQ(Le32(bytes, 0), 0xa1b2c3d4u);
  EXPECT_EQ(Le32(bytes, 20), 1u) << "link type Ethernet";
  std::vector<uint32_t> lengths;
  uint32_t usec_of_second = 0;
  for (size_t at = 24; at + 16 <= bytes.size(); at += 16 + Le32(bytes, at + 8)) {
    lengths.push_back(Le32(bytes, at + 8));
    if (lengths.size() == 2) usec_of_second = Le32(bytes, at + 4);
  }
  EXPECT_EQ(lengths, (std::vector<uint32_t>{60, 100, 1514})) << "FCS stripped";
  EXPECT_EQ(usec_of_second, 1500u) << "virtual timestamp";
  std::remove(path.c_str());
}

TEST(Wire, ResolvedModeRules) {
  sim::VirtualClock clock;
  sim::FrameEndpoint a, b;
  Wire wire(clock, a, b);
  EXPECT_EQ(a.ResolvedMode(), LinkMode::k100Full);
  b.set_advertised(0x0060);
  EXPECT_EQ(a.ResolvedMode(), LinkMode::k10Full) << "best common mode";
  a.set_forced(LinkMode::k100Full);
  EXPECT_EQ(a.ResolvedMode(), LinkMode::kNone) << "the auto side offers no 100 Mb/s mode";
  a.set_forced(LinkMode::k10Full);
  EXPECT_EQ(b.ResolvedMode(), LinkMode::k10Half) << "parallel detection";
  b.set_forced(LinkMode::k10Half);
  EXPECT_EQ(a.ResolvedMode(), LinkMode::kNone) << "forced sides must match";
  b.set_forced(LinkMode::k10Full);
  EXPECT_EQ(a.ResolvedMode(), LinkMode::k10Full);
  b.set_up(false);
  EXPECT_EQ(a.ResolvedMode(), LinkMode::kNone);
  EXPECT_THROW(Wire(clock, a, b), std::invalid_argument) << "ports already cabled";
}

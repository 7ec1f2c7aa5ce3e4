// The transmit ring: walking, write-back, setup and dummy descriptors, faults.
#include <gtest/gtest.h>

#include "sim_test_support.h"

using namespace simtest;
using sim::TxFault;

namespace {

struct TransmitRig : Rig {
  TransmitRig() {
    WaitForLink();
    StartTransmit();
    board->WriteCsr(kCsr(5), 0xffffffff);
  }
  void SendOne(uint32_t i, uint32_t length = 60) {
    QueueFrame(i, MakeFrame(kBroadcast, length));
    board->WriteCsr(kCsr(1), 0);
  }
};

}  // namespace

TEST(Transmit, RingWalkWrapsAtEndOfRingAndWritesStatus) {
  TransmitRig rig;
  for (uint32_t i = 0; i < 4; ++i)
    rig.QueueFrame(i, MakeFrame(kBroadcast, 60 + i), i == 3 ? 0x82000000 : 0);  // last: interrupt, end of ring
  rig.board->WriteCsr(kCsr(1), 0);
  ASSERT_EQ(rig.peer.received().size(), 4u);
  for (uint32_t i = 0; i < 4; ++i) EXPECT_EQ(rig.Tdes0(i), 0u) << "descriptor " << i;
  EXPECT_EQ(rig.peer.received()[3].size(), 67u) << "63 bytes plus FCS";
  uint32_t s = rig.board->ReadCsr(kCsr(5));
  EXPECT_EQ(s & 0x5, 0x5u) << "transmit interrupt and buffer unavailable";
  EXPECT_EQ((s >> 20) & 7, 6u) << "suspended";
  rig.QueueFrame(0, MakeFrame(kBroadcast, 100));
  rig.board->WriteCsr(kCsr(1), 0);
  ASSERT_EQ(rig.peer.received().size(), 5u) << "the walk wrapped to the list base";
  EXPECT_EQ(rig.peer.received()[4].size(), 104u);
}

TEST(Transmit, FrameIsPaddedAndCarriesAValidFcs) {
  TransmitRig rig;
  rig.SendOne(0, 42);
  ASSERT_EQ(rig.peer.received().size(), 1u);
  const std::vector<uint8_t>& f = rig.peer.received()[0];
  ASSERT_EQ(f.size(), 64u) << "padded to the minimum";
  uint32_t fcs = uint32_t(f[60]) | f[61] << 8 | f[62] << 16 | uint32_t(f[63]) << 24;
  EXPECT_EQ(fcs, sim::EthernetFcs(f.data(), 60));
  EXPECT_EQ(f[59], 0) << "padding is zeros";
}

TEST(Transmit, BuffersAndSegmentsFormOneFrame) {
  TransmitRig rig;
  std::vector<uint8_t> frame = MakeFrame(kBroadcast, 300);
  std::copy(frame.begin(), frame.begin() + 100, rig.dma.At(Rig::Buffer(0)));
  std::copy(frame.begin() + 100, frame.begin() + 250, rig.dma.At(Rig::Buffer(1)));
  std::copy(frame.begin() + 250, frame.end(), rig.dma.At(Rig::Buffer(2)));
  rig.QueueTx(0, 0x20000000 | 150 << 11 | 100, Rig::Buffer(0), Rig::Buffer(1));  // first segment, two buffers
  rig.QueueTx(1, 0x40000000 | 50, Rig::Buffer(2));                               // last segment
  rig.board->WriteCsr(kCsr(1), 0);
  ASSERT_EQ(rig.peer.received().size(), 1u);
  EXPECT_TRUE(std::equal(frame.begin(), frame.end(), rig.peer.received()[0].begin()));
  EXPECT_EQ(rig.Tdes0(0), 0x7fffffffu) << "not the last segment: nothing to report";
  EXPECT_EQ(rig.Tdes0(1), 0u);
}

TEST(Transmit, SetupAndDummyDescriptorsReportNothing) {
  TransmitRig rig;
  rig.QueueTx(1, 0x080000c0, Rig::kSetup);
  rig.QueueTx(0, 0, 0);  // the dummy goes first, as the driver hands it over last
  rig.board->WriteCsr(kCsr(1), 0);
  EXPECT_EQ(rig.Tdes0(0), 0x7fffffffu);
  EXPECT_EQ(rig.Tdes0(1), 0x7fffffffu);
  EXPECT_TRUE(rig.peer.received().empty()) << "setup frames stay in the chip";
  EXPECT_EQ(rig.board->counters().tx_setup_frames, 1u);
}

TEST(Transmit, InjectedFaultsShowInStatus) {
  TransmitRig rig;
  rig.board->InjectTxFault({TxFault::kCollisions, 3});
  rig.board->InjectTxFault({TxFault::kDeferred});
  rig.board->InjectTxFault({TxFault::kExcessiveCollisions});
  rig.board->InjectTxFault({TxFault::kCarrierLoss});
  for (uint32_t i = 0; i < 4; ++i) rig.SendOne(i);
  EXPECT_EQ(rig.Tdes0(0), 3u << 3) << "three collisions, sent";
  EXPECT_EQ(rig.Tdes0(1), 0x1u) << "deferred";
  EXPECT_EQ(rig.Tdes0(2), 0x8100u) << "excessive collisions: not sent";
  EXPECT_EQ(rig.Tdes0(3), 0x8800u) << "loss of carrier";
  EXPECT_EQ(rig.peer.received().size(), 3u);
}

TEST(Transmit, UnderflowSuspendsUntilRestarted) {
  TransmitRig rig;
  rig.board->InjectTxFault({TxFault::kUnderflow});
  rig.QueueFrame(0, MakeFrame(kBroadcast, 60));
  rig.QueueFrame(1, MakeFrame(kBroadcast, 60));
  rig.board->WriteCsr(kCsr(1), 0);
  EXPECT_EQ(rig.Tdes0(0), 0x8002u);
  EXPECT_EQ(rig.Tdes0(1), 0x80000000u) << "the walk stopped at the underflow";
  EXPECT_EQ(rig.board->ReadCsr(kCsr(5)) & 0x20, 0x20u);
  uint32_t csr6 = rig.board->ReadCsr(kCsr(6));
  rig.board->WriteCsr(kCsr(6), csr6 & ~0x2000u);
  EXPECT_EQ((rig.board->ReadCsr(kCsr(5)) >> 20) & 7, 0u) << "stopped at once";
  rig.board->WriteCsr(kCsr(6), (csr6 | 0x4000));
  EXPECT_EQ(rig.Tdes0(1), 0u) << "restart resumes after the failed frame";
  EXPECT_EQ(rig.peer.received().size(), 1u);
}

TEST(Transmit, WithoutLinkFramesCompleteWithCarrierErrors) {
  TransmitRig rig;
  rig.wire->Unplug();
  rig.SendOne(0);
  EXPECT_EQ(rig.Tdes0(0), 0x8c00u) << "error summary, loss of carrier, no carrier";
  EXPECT_EQ(rig.board->counters().tx_no_link, 1u);
  EXPECT_EQ(rig.board->counters().tx_frames, 0u);
}

TEST(Transmit, ALinkLostWhileTheFrameIsOnTheWireShowsInItsStatus) {
  Rig rig(sim::BoardConfig(), sim::Wire::Pace::kLineRate);
  rig.WaitForLink();
  rig.StartTransmit();
  rig.QueueFrame(0, MakeFrame(kBroadcast, 1500));
  rig.board->WriteCsr(kCsr(1), 0);
  ASSERT_EQ(rig.Tdes0(0) & 0x80000000u, 0x80000000u) << "still on the wire";
  rig.wire->Unplug();
  rig.clock.Advance(sim::kMillisecond);
  EXPECT_EQ(rig.Tdes0(0), 0x8800u) << "error summary and loss of carrier, once the frame has left";
}

TEST(Transmit, ADmaStepTakesOneDescriptorWithoutAPollDemand) {
  TransmitRig rig;
  rig.QueueFrame(0, MakeFrame(kBroadcast, 60));
  rig.QueueFrame(1, MakeFrame(kBroadcast, 61));
  EXPECT_TRUE(rig.board->TakeDmaStep()) << "a running transmitter steps";
  ASSERT_EQ(rig.peer.received().size(), 1u) << "one frame per step";
  EXPECT_EQ(rig.Tdes0(0), 0u) << "its status written back";
  EXPECT_EQ(rig.Tdes0(1), 0x80000000u) << "the next descriptor is still the chip's";
  EXPECT_TRUE(rig.board->TakeDmaStep());
  ASSERT_EQ(rig.peer.received().size(), 2u) << "the second step sends the second frame";
  EXPECT_EQ(rig.Tdes0(1), 0u);
  rig.board->WriteCsr(kCsr(6), rig.board->ReadCsr(kCsr(6)) & ~0x2000u);
  EXPECT_FALSE(rig.board->TakeDmaStep()) << "a stopped transmitter takes no step";
}

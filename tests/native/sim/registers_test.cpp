// PCI configuration space, CSR access rules, status bits and the INTA line.
#include <gtest/gtest.h>

#include "sim_test_support.h"

using namespace simtest;
using sim::Board;

TEST(PciConfig, IdentityCommandAndPowerManagement) {
  Rig rig;
  Board& b = *rig.board;
  EXPECT_EQ(b.ReadPciConfig(0x00), 0x00191011u);
  EXPECT_EQ(b.ReadPciConfig(0x2c), 0x02507c3au);
  EXPECT_EQ(b.ReadPciConfig(0x0c) & 0xff, 8u) << "cache line size in words";
  EXPECT_EQ(b.ReadPciConfig(0x04) & 0xffff, 6u) << "the rig enabled memory space and bus master";
  b.WritePciConfig(0x40, 0);
  EXPECT_EQ(b.ReadPciConfig(0x40), 0u);
  EXPECT_EQ(b.ReadPciConfig(0x41), 0xffffffffu) << "unaligned offsets are not decoded";
  EXPECT_EQ(b.ReadPciConfig(0x100), 0xffffffffu);
}

TEST(Csr, ReadBackAndWindowLimits) {
  Rig rig;
  Board& b = *rig.board;
  b.WriteCsr(kCsr(0), 0x01a0a000);
  b.WriteCsr(kCsr(6), 0x020c0008);
  EXPECT_EQ(b.ReadCsr(kCsr(0)), 0x01a0a000u);
  EXPECT_EQ(b.ReadCsr(kCsr(6)), 0x020c0008u);
  EXPECT_EQ(b.ReadCsr(0x80), 0xffffffffu) << "beyond CSR15";
  EXPECT_EQ(b.ReadCsr(0x04), 0xffffffffu) << "between registers";
  b.WriteCsr(0x84, 1);  // ignored, no crash
}

TEST(Csr, WindowClosedWithoutMemorySpaceOrWhileAsleep) {
  Rig rig;
  Board& b = *rig.board;
  b.WriteCsr(kCsr(7), 0x1234);
  b.WritePciConfig(0x40, 0x80000000);
  EXPECT_EQ(b.ReadCsr(kCsr(7)), 0xffffffffu) << "sleep mode";
  b.WritePciConfig(0x40, 0);
  EXPECT_EQ(b.ReadCsr(kCsr(7)), 0x1234u);
  b.WritePciConfig(0x04, 0x4);
  b.WriteCsr(kCsr(7), 0);
  EXPECT_EQ(b.ReadCsr(kCsr(7)), 0xffffffffu) << "memory decoding off";
  b.WritePciConfig(0x04, 0x6);
  EXPECT_EQ(b.ReadCsr(kCsr(7)), 0x1234u) << "the write with decoding off was lost";
}

TEST(Csr, SoftwareResetRestoresRegistersAndStopsProcesses) {
  Rig rig;
  Board& b = *rig.board;
  rig.WaitForLink();
  rig.StartReceive(4);
  rig.StartTransmit();
  rig.LoadFilter(0, SetupFrame({{0, 0x12, 0x34, 0x56, 0x78, 0x9a}}));
  b.WriteCsr(kCsr(7), kInterruptMask);
  ASSERT_NE(b.ReadCsr(kCsr(5)) & 0x7e0000, 0u) << "processes running";
  ASSERT_TRUE(b.filter().programmed);
  b.WriteCsr(kCsr(0), 1);
  EXPECT_EQ(b.ReadCsr(kCsr(5)), 0u) << "no events, both processes stopped";
  EXPECT_EQ(b.ReadCsr(kCsr(7)), 0u);
  EXPECT_EQ(b.ReadCsr(kCsr(6)) & 0x2002, 0u);
  EXPECT_FALSE(b.filter().programmed);
  EXPECT_FALSE(b.InterruptAsserted());
}

TEST(Csr, StatusEventsSummariesAndInterruptLine) {
  Rig rig;
  Board& b = *rig.board;
  std::vector<bool> changes;
  b.SetInterruptListener([&](bool asserted) { changes.push_back(asserted); });
  rig.StartTransmit();  // empty ring: transmit buffer unavailable
  uint32_t s = b.ReadCsr(kCsr(5));
  EXPECT_EQ(s & 0x4, 0x4u);
  EXPECT_EQ(s & 0x18000, 0u) << "no summary while the event is not enabled";
  EXPECT_EQ((s >> 20) & 7, 6u) << "transmit process suspended";
  EXPECT_TRUE(changes.empty());
  b.WriteCsr(kCsr(7), kInterruptMask);
  EXPECT_EQ(b.ReadCsr(kCsr(5)) & 0x18000, 0x10000u) << "normal summary";
  EXPECT_TRUE(b.InterruptAsserted());
  b.WriteCsr(kCsr(7), 0);
  EXPECT_FALSE(b.InterruptAsserted());
  b.WriteCsr(kCsr(7), kInterruptMask);
  b.WriteCsr(kCsr(5), b.ReadCsr(kCsr(5)));  // acknowledge all
  EXPECT_EQ(b.ReadCsr(kCsr(5)) & 0x1ffff, 0u);
  EXPECT_FALSE(b.InterruptAsserted());
  EXPECT_EQ(changes, (std::vector<bool>{true, false, true, false})) << "one call per level change";
}

TEST(Csr, DmaWithoutBusMasterIsAFatalBusError) {
  Rig rig;
  Board& b = *rig.board;
  b.WritePciConfig(0x04, 0x2);
  rig.StartTransmit();
  uint32_t s = b.ReadCsr(kCsr(5));
  EXPECT_EQ(s & 0x2000, 0x2000u) << "system error";
  EXPECT_EQ((s >> 23) & 7, 1u) << "master abort";
  EXPECT_EQ((s >> 20) & 7, 0u) << "transmit process stopped";
  EXPECT_EQ(b.counters().dma_errors, 1u);
  b.WriteCsr(kCsr(5), 0x2000);
  EXPECT_EQ(b.ReadCsr(kCsr(5)) & 0x03802000, 0u) << "acknowledging the error clears the error bits";
}

TEST(Csr, TraceRecordsAccessesInOrderWhenEnabled) {
  Rig rig;
  Board& b = *rig.board;
  b.ReadCsr(kCsr(5));
  EXPECT_TRUE(b.trace().empty()) << "off by default";
  b.EnableTrace(true);
  b.ReadPciConfig(0x00);
  b.WriteCsr(kCsr(7), kInterruptMask);
  rig.StartTransmit();  // reads CSR6, writes CSR4 and CSR6, reads a descriptor, interrupts
  using K = sim::TraceEntry;
  std::vector<K::Kind> kinds;
  for (const K& e : b.trace()) kinds.push_back(e.kind);
  EXPECT_EQ(kinds, (std::vector<K::Kind>{K::kPciRead, K::kCsrWrite, K::kCsrWrite, K::kCsrRead, K::kCsrWrite,
                                         K::kDmaRead, K::kInterrupt}));
  EXPECT_EQ(b.trace()[5].address, Rig::TxDescriptor(0));
  EXPECT_EQ(b.trace()[6].address, 1u) << "line asserted";
  b.ClearTrace();
  EXPECT_TRUE(b.trace().empty());
}

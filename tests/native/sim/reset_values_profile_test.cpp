// Board profile reset-values: the registers as the chip documents them, with
// the bits a driver has to mask.
#include <gtest/gtest.h>

#include "sim_test_support.h"

using namespace simtest;

namespace {

sim::BoardConfig Documented() { return WithProfile("reset-values"); }

// Every CSR with a documented reset value, CSR3, CSR4 and CSR10 left out.
void ExpectResetValues(sim::Board& board, const char* when) {
  const uint32_t kDocumented[16] = {0xfe000000, 0xffffffff, 0xffffffff, 0, 0, 0xf0000000, 0x32000040, 0xf3fe0000,
                                    0xe0000000, 0xfff483ff, 0, 0xfffe0000, 0x000000c6, 0xffff0000, 0xffffffff, 0x8ffe0000};
  for (uint32_t n : {0, 1, 2, 5, 6, 7, 8, 9, 11, 12, 13, 14, 15})
    EXPECT_EQ(board.ReadCsr(kCsr(n)), kDocumented[n]) << when << ": CSR" << n;
}

}  // namespace

TEST(ResetValues, RegistersReadAsDocumentedAtPowerUpAndAfterASoftwareReset) {
  sim::VirtualClock clock;
  VectorDma dma(kMemoryBase, 0x1000);
  sim::Board fresh(clock, dma, Documented());
  ExpectResetValues(fresh, "power up");
  Rig rig(Documented());
  rig.board->WriteCsr(kCsr(7), kInterruptMask);
  rig.board->WriteCsr(kCsr(14), 0);
  rig.board->WriteCsr(kCsr(0), 1);
  ExpectResetValues(*rig.board, "software reset");
}

TEST(ResetValues, ReservedBitsReadAsOnesWhateverWasWritten) {
  Rig rig(Documented());
  rig.board->WriteCsr(kCsr(0), 0x01a02000);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(0)), 0xffa02000u) << "CSR0";
  rig.board->WriteCsr(kCsr(7), kInterruptMask);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(7)), 0xf7ffb2fdu) << "CSR7";
  rig.board->WriteCsr(kCsr(9), 0);
  EXPECT_EQ(rig.board->ReadCsr(kCsr(9)), 0xfff083ffu) << "CSR9 driving the management line low";
  EXPECT_EQ(MiiRead(*rig.board, 2), 0x0013u) << "the PHY still reads through the data-in bit";
  EXPECT_EQ(EepromReadWord(*rig.board, 0x2a), 0x0012u) << "the EEPROM still reads through the data-out bit";
}

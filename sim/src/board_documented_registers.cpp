// Register values as the chip documents them, for boards whose profile asks
// for them: values after reset and at power up, and the reserved or unused
// bits that read as ones whatever was written. A driver must mask them.
#include "board_impl.h"

namespace sim {

namespace {
// Bits each CSR reads as ones.
constexpr uint32_t kOnes[16] = {
    0xfe000000u,  // CSR0: reserved bits 25-31
    0xffffffffu,  // CSR1: transmit poll demand is write-only
    0xffffffffu,  // CSR2: receive poll demand is write-only
    0,
    0,
    0xf0000000u,  // CSR5: reserved bits 28-31
    0x30000000u,  // CSR6: reserved bits 28-29
    0xf3fe0000u,  // CSR7: reserved bits 17-25 and 28-31
    0xe0000000u,  // CSR8: reserved bits 29-31
    0xfff083f0u,  // CSR9: reserved bits 8-9, 15, 20-31; boot ROM data lines 4-7 idle high
    0,
    0xfffe0000u,  // CSR11: reserved bits 17-31
    0x000000c0u,  // CSR12: status bits 6-7 this board leaves high
    0xffff0000u,  // CSR13: reserved upper half
    0xffff0000u,  // CSR14: reserved upper half
    0x000e0000u,  // CSR15: general-purpose pins 1-3, unused on this board, pulled high
};
constexpr uint32_t kCsr6Promiscuous = 1u << 6;
constexpr uint32_t kCsr12ReceiveActivity = 1u << 9;
constexpr uint32_t kSerialRomLines = 0xfu;
constexpr uint32_t kCsr14AtReset = 0xffffu;
constexpr uint32_t kCsr15AtReset = 0x8ff00000u;
}  // namespace

// After the kind board's reset: the chip comes up promiscuous, with the MII
// management line released and the serial interface's registers at ones.
void Board::Impl::DocumentedReset() {
  csr_[6] |= kCsr6Promiscuous;
  csr_[9] = bits::kMiiReadMode;
  sia_.WriteCsr14(kCsr14AtReset);  // the interface is held in reset: no relink
  sia_.WriteCsr15(kCsr15AtReset);
  rx_activity_ = false;
}

uint32_t Board::Impl::AsDocumented(uint32_t n, uint32_t value) {
  value |= kOnes[n];
  // Without the serial ROM selected, its lines show the boot ROM data bus.
  if (n == 9 && !(value & bits::kSromSelect)) value |= kSerialRomLines;
  if (n == 12 && rx_activity_) {
    value |= kCsr12ReceiveActivity;
    rx_activity_ = false;
  }
  return value;
}

}  // namespace sim

// The master side of CSR9's two serial protocols, clocked the way the driver
// clocks them: a word of the 93C46 serial ROM (six address bits) and an MII
// management frame to any PHY address. For test rigs and tools that look
// into a chip without a driver: `Chip` is anything with ReadCsr and WriteCsr
// at the 21143's register offsets (a simulated board, a real function), and
// `pause` runs after every clock edge (a real chip needs its setup and hold
// times; a simulated one needs nothing).
#pragma once

#include <cstdint>
#include <functional>

namespace sim {

template <typename Chip>
class Csr9Master {
 public:
  static constexpr uint32_t kCsr9 = 0x48;
  static constexpr uint32_t kRomSelect = 0x2800;  // serial ROM selected, read operation

  explicit Csr9Master(Chip& chip, std::function<void()> pause = nullptr, uint32_t rom_select = kRomSelect)
      : chip_(chip), pause_(std::move(pause)), rom_select_(rom_select) {}

  uint16_t SromWord(uint32_t address) {
    RomBit(0, 0);
    RomBit(1, 0);
    uint32_t command = (address & 0x3f) + 0x180;  // start bit, read opcode 1 0, six address bits
    for (int i = 9; i >= 0; --i) RomBit(1, (command >> i) & 1);
    uint32_t word = 0;
    for (int i = 0; i < 16; ++i) word = word << 1 | RomBit(1, 0);
    RomBit(0, 0);
    return uint16_t(word);
  }

  uint16_t MiiRead(uint32_t phy, uint32_t reg) {
    MiiHeader(1, 0, phy, reg);
    MiiReadBit();  // turnaround
    uint32_t value = 0;
    for (int i = 0; i < 16; ++i) value = value << 1 | MiiReadBit();
    MiiReadBit();
    Write(0);
    return uint16_t(value);
  }

  void MiiWrite(uint32_t phy, uint32_t reg, uint16_t value) {
    MiiHeader(0, 1, phy, reg);
    MiiWriteBit(1);  // turnaround 1 0
    MiiWriteBit(0);
    for (int i = 15; i >= 0; --i) MiiWriteBit((value >> i) & 1);
    Write(0);
  }

 private:
  void Write(uint32_t value) {
    chip_.WriteCsr(kCsr9, value);
    if (pause_) pause_();
  }

  // One serial ROM clock with chip select `cs` and data bit `d`; the data-out bit.
  uint32_t RomBit(uint32_t cs, uint32_t d) {
    uint32_t v = (d << 2) + rom_select_ + cs;
    Write(v);
    Write(v | 2);
    uint32_t sample = (chip_.ReadCsr(kCsr9) >> 3) & 1;
    Write(v);
    return sample;
  }

  void MiiWriteBit(uint32_t bit) {
    Write(bit << 17);
    Write(bit << 17 | 0x10000);
  }

  uint32_t MiiReadBit() {
    Write(0x40000);
    Write(0x50000);
    return (chip_.ReadCsr(kCsr9) >> 19) & 1;
  }

  // Preamble, start, opcode, PHY address and register number.
  void MiiHeader(uint32_t op1, uint32_t op2, uint32_t phy, uint32_t reg) {
    for (int i = 0; i < 34; ++i) MiiWriteBit(1);
    MiiWriteBit(0);
    MiiWriteBit(1);
    MiiWriteBit(op1);
    MiiWriteBit(op2);
    for (int i = 4; i >= 0; --i) MiiWriteBit((phy >> i) & 1);
    for (int i = 4; i >= 0; --i) MiiWriteBit((reg >> i) & 1);
  }

  Chip& chip_;
  std::function<void()> pause_;
  uint32_t rom_select_;
};

}  // namespace sim

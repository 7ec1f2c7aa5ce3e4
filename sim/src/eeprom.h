// A 64 x 16-bit serial EEPROM (6-bit addresses) behind CSR9 bits 0-3.
#pragma once

#include <array>
#include <cstdint>

#include "sim/chaos.h"

namespace sim::detail {

class SerialEeprom {
 public:
  explicit SerialEeprom(std::array<uint16_t, 64>& words) : words_(words) {}

  // Pin levels after a CSR9 write. Chip select low resets the part; commands
  // and data move on rising clock edges.
  void Drive(bool chip_select, bool clock, bool data_in);
  // The data-out pin (CSR9 bit 3); low while the part does not drive it.
  bool DataOut() const { return data_out_; }
  void Reset();
  void SetChaosSource(ChaosSource* source) { chaos_ = source; }

 private:
  uint32_t Word(uint32_t address) const {
    return chaos_ ? chaos_->Distort(ChaosPoint::kEepromWord, words_[address]) & 0xffff : words_[address];
  }

  enum class State { kWaitStart, kOpcode, kAddress, kReading, kIgnoring };
  static constexpr uint32_t kReadOpcode = 2;  // binary 10

  std::array<uint16_t, 64>& words_;
  ChaosSource* chaos_ = nullptr;
  State state_ = State::kWaitStart;
  bool clock_ = false;
  bool data_out_ = false;
  uint32_t bits_ = 0;
  uint32_t shift_ = 0;
  uint32_t opcode_ = 0;
  uint32_t address_ = 0;
  uint32_t word_ = 0;
  uint32_t bits_left_ = 0;
};

}  // namespace sim::detail

// The board's PCI configuration space.
#pragma once

#include <cstdint>

#include "sim/board.h"

namespace sim::detail {

class PciConfig {
 public:
  explicit PciConfig(const BoardConfig& config);

  // Dword offsets 0x00..0xfc; anything else reads all ones and ignores writes.
  uint32_t Read(uint32_t offset) const;
  void Write(uint32_t offset, uint32_t value);

  bool BusMaster() const { return command_ & kBusMaster; }
  // The register window answers only with memory decoding on and the chip
  // awake (power-management sleep bit clear).
  bool CsrDecoding() const { return (command_ & kMemorySpace) && !(power_ & kSleep); }

 private:
  static constexpr uint16_t kMemorySpace = 1u << 1;
  static constexpr uint16_t kBusMaster = 1u << 2;
  static constexpr uint32_t kSleep = 1u << 31;
  // I/O, memory, bus master, memory write and invalidate, parity, SERR.
  static constexpr uint16_t kCommandWritable = 0x0157;
  static constexpr uint32_t kStatus = 0x0280;  // medium DEVSEL, fast back-to-back
  static constexpr uint32_t kClassRevision = 0x02000041;  // Ethernet controller

  const BoardConfig& config_;
  uint16_t command_;
  uint8_t cache_line_;
  uint8_t latency_ = 0;
  uint32_t io_base_ = 0;
  uint32_t memory_base_;
  uint8_t interrupt_line_;
  uint32_t power_ = 0;
};

}  // namespace sim::detail

// The MII management interface behind CSR9 bits 16-19: decodes management
// frames clocked on MDC and lets the addressed PHY answer reads.
#pragma once

#include <cstdint>

namespace sim::detail {

// What a PHY offers the management interface.
class MiiDevice {
 public:
  virtual ~MiiDevice() = default;
  virtual uint16_t MiiRead(uint32_t reg) = 0;
  virtual void MiiWrite(uint32_t reg, uint16_t value) = 0;
};

class MiiManagement {
 public:
  static constexpr uint32_t kPhyAddress = 1;  // the only address that answers

  // Called after every CSR9 write with the clock and the level of the data
  // line as the PHY sees it; `phy` is the device at kPhyAddress, or null.
  void Clock(bool mdc, bool line, MiiDevice* phy);
  // Whether the PHY drives the data line now, and the level it drives.
  bool Driving() const { return driving_; }
  bool Output() const { return output_; }
  void Reset();

 private:
  enum class State { kPreamble, kStart, kOpcode, kPhyAddress, kRegister, kReadTurnaround, kReadData,
                     kReadEnd, kWriteTurnaround, kWriteData };
  static constexpr uint32_t kPreambleOnes = 32;
  static constexpr uint32_t kRead = 2;   // opcode 10
  static constexpr uint32_t kWrite = 1;  // opcode 01

  void Edge(bool bit, MiiDevice* phy);
  void Idle();

  State state_ = State::kPreamble;
  bool mdc_ = false;
  bool driving_ = false;
  bool output_ = false;
  bool addressed_ = false;
  uint32_t ones_ = 0;
  uint32_t bits_ = 0;
  uint32_t shift_ = 0;
  uint32_t opcode_ = 0;
  uint32_t phy_address_ = 0;
  uint32_t register_ = 0;
  uint32_t value_ = 0;
};

}  // namespace sim::detail

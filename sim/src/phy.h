// The MII PHY at address 1: standard registers 0-5 and the vendor registers
// of the two known models.
#pragma once

#include <array>
#include <cstdint>

#include "mii.h"
#include "sim/board.h"

namespace sim::detail {

// What the PHY tells the board it sits on.
class PhyEvents {
 public:
  virtual ~PhyEvents() = default;
  // Reset, reset done, or a control change that restarts the link.
  virtual void PhyLinkConfigChanged() = 0;
  // The interrupt output went from low to high.
  virtual void PhyInterruptRaised() = 0;
};

class Phy : public MiiDevice {
 public:
  Phy(const BoardConfig& config, PhyEvents& events);

  uint16_t MiiRead(uint32_t reg) override;
  void MiiWrite(uint32_t reg, uint16_t value) override;
  // A register's value without the side effects of a read.
  uint16_t Peek(uint32_t reg) const;

  bool Transmitting() const { return !in_reset_ && !(regs_[0] & kPowerDown); }
  bool AutoNegotiates() const { return regs_[0] & kAutoNegEnable; }
  Abilities Advertised() const { return regs_[4] & kAll4Modes; }
  LinkMode ForcedMode() const;

  // The link came up at `mode` (with the partner's abilities as register 5
  // shows them) or went down (kNone).
  void SetLink(LinkMode mode, uint16_t partner);
  bool InterruptLine() const { return line_; }

 private:
  static constexpr uint16_t kReset = 1u << 15;
  static constexpr uint16_t kSpeed100 = 1u << 13;
  static constexpr uint16_t kAutoNegEnable = 1u << 12;
  static constexpr uint16_t kPowerDown = 1u << 11;
  static constexpr uint16_t kRestartAutoNeg = 1u << 9;
  static constexpr uint16_t kFullDuplex = 1u << 8;
  static constexpr uint16_t kControlAtReset = kSpeed100 | kAutoNegEnable | kFullDuplex;
  // Status register: 100/10 full/half abilities, can negotiate, extended registers.
  static constexpr uint16_t kStatusAbilities = 0x7809;
  static constexpr uint16_t kLinkStatus = 1u << 2;
  static constexpr uint16_t kAutoNegComplete = 1u << 5;
  static constexpr uint16_t kInterruptEnableBit = 1u << 1;
  static constexpr uint16_t kLinkChangeEvent = 1u << 2;

  // Where a model keeps its vendor registers; -1 where it has none.
  struct Layout {
    int status;
    int interrupt_enable;
    int interrupt_status;
  };

  void EnterReset();
  void ResetRegisters();
  uint16_t VendorStatus() const;
  void UpdateLine();

  const BoardConfig& config_;
  PhyEvents& events_;
  Layout layout_;
  uint32_t identifier_;
  std::array<uint16_t, 32> regs_{};  // plain read/write registers
  bool in_reset_ = false;
  uint32_t reset_reads_left_ = 0;
  LinkMode link_ = LinkMode::kNone;
  uint16_t partner_ = 0;
  bool link_dropped_ = false;       // register 1 link bit latched low
  bool interrupt_latched_ = false;  // until registers 1 and the vendor status are read
  bool status_unread_ = false;
  bool vendor_unread_ = false;
  uint16_t vendor_events_ = 0;
  bool line_ = false;
};

}  // namespace sim::detail

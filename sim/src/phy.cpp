#include "phy.h"

namespace sim::detail {

Phy::Phy(const BoardConfig& config, PhyEvents& events) : config_(config), events_(events) {
  switch (config.phy) {
    case PhyModel::kPhy1378:
      layout_ = {0x11, 0x12, 0x13};
      identifier_ = 0x001378e0u | (config.phy_revision & 0xf);
      break;
    case PhyModel::kPhy7810:
      layout_ = {0x14, 0x11, 0x12};
      identifier_ = 0x78100000u | (config.phy_revision & 0xf);
      break;
    default:
      layout_ = {-1, -1, -1};
      identifier_ = config.unknown_phy_id;
      break;
  }
  ResetRegisters();
}

void Phy::ResetRegisters() {
  regs_.fill(0);
  regs_[0] = kControlAtReset;
  regs_[4] = config_.phy_advertisement;
  link_ = LinkMode::kNone;
  partner_ = 0;
  link_dropped_ = false;
  interrupt_latched_ = status_unread_ = vendor_unread_ = false;
  vendor_events_ = 0;
}

LinkMode Phy::ForcedMode() const {
  bool fast = regs_[0] & kSpeed100;
  bool full = regs_[0] & kFullDuplex;
  if (fast) return full ? LinkMode::k100Full : LinkMode::k100Half;
  return full ? LinkMode::k10Full : LinkMode::k10Half;
}

uint16_t Phy::VendorStatus() const {
  bool up = link_ != LinkMode::kNone;
  bool full = link_ == LinkMode::k10Full || link_ == LinkMode::k100Full;
  bool fast = link_ == LinkMode::k100Half || link_ == LinkMode::k100Full;
  if (config_.phy == PhyModel::kPhy1378) return uint16_t((up ? 1u << 10 : 0) | (full ? 1u << 9 : 0) | (fast ? 1u << 14 : 0));
  return uint16_t((up ? 1u << 13 : 0) | (full ? 1u << 12 : 0) | (fast ? 1u << 11 : 0));
}

uint16_t Phy::Peek(uint32_t reg) const {
  reg &= 31;
  bool up = link_ != LinkMode::kNone;
  uint16_t value;
  switch (reg) {
    case 0: value = regs_[0]; break;
    case 1:
      value = kStatusAbilities;
      if (up && !link_dropped_) value |= kLinkStatus;
      if (up && AutoNegotiates()) value |= kAutoNegComplete;
      break;
    case 2: value = uint16_t(identifier_ >> 16); break;
    case 3: value = uint16_t(identifier_); break;
    case 5: value = up && AutoNegotiates() ? partner_ : 0; break;
    default:
      if (int(reg) == layout_.status) value = VendorStatus();
      else if (int(reg) == layout_.interrupt_status) value = vendor_events_;
      else value = regs_[reg];
      break;
  }
  return in_reset_ && reg == 0 ? uint16_t(value | kReset) : value;
}

uint16_t Phy::MiiRead(uint32_t reg) {
  reg &= 31;
  uint16_t value = Peek(reg);
  if (in_reset_) {
    // Reset ends after a number of read cycles; until then reads show the
    // reset values and register 0 bit 15 set.
    if (reset_reads_left_ > 0) --reset_reads_left_;
    if (reset_reads_left_ == 0) {
      in_reset_ = false;
      events_.PhyLinkConfigChanged();
    }
    return value;
  }
  if (reg == 1) {
    link_dropped_ = false;
    status_unread_ = false;
  }
  if (int(reg) == layout_.interrupt_status) {
    vendor_events_ = 0;
    vendor_unread_ = false;
  }
  if (interrupt_latched_ && !status_unread_ && !vendor_unread_) {
    interrupt_latched_ = false;
    UpdateLine();
  }
  return value;
}

void Phy::MiiWrite(uint32_t reg, uint16_t value) {
  reg &= 31;
  if (reg == 0 && (value & kReset)) {
    EnterReset();
    return;
  }
  if (in_reset_) return;  // a PHY in reset ignores writes
  if (reg == 0) {
    uint16_t old = regs_[0];
    regs_[0] = value & ~(kReset | kRestartAutoNeg);
    uint16_t changed = old ^ regs_[0];
    bool restart = (value & kRestartAutoNeg) && (value & kAutoNegEnable);
    bool forced_change = !(value & kAutoNegEnable) && (changed & (kSpeed100 | kFullDuplex));
    if (restart || forced_change || (changed & (kAutoNegEnable | kPowerDown))) events_.PhyLinkConfigChanged();
    return;
  }
  if (reg == 1 || reg == 2 || reg == 3 || reg == 5 || int(reg) == layout_.status || int(reg) == layout_.interrupt_status)
    return;  // read-only
  regs_[reg] = value;
  if (int(reg) == layout_.interrupt_enable) UpdateLine();
}

void Phy::EnterReset() {
  ResetRegisters();  // the link is gone without a change event
  UpdateLine();
  in_reset_ = config_.phy_reset_reads > 0;
  reset_reads_left_ = config_.phy_reset_reads;
  events_.PhyLinkConfigChanged();
}

void Phy::SetLink(LinkMode mode, uint16_t partner) {
  if (mode == link_) return;
  if (link_ != LinkMode::kNone && mode == LinkMode::kNone) link_dropped_ = true;
  link_ = mode;
  partner_ = mode == LinkMode::kNone ? 0 : partner;
  if (layout_.interrupt_status < 0) return;  // no interrupt logic
  interrupt_latched_ = status_unread_ = vendor_unread_ = true;
  vendor_events_ |= kLinkChangeEvent;
  UpdateLine();
}

void Phy::UpdateLine() {
  bool enabled = layout_.interrupt_enable >= 0 && (regs_[layout_.interrupt_enable] & kInterruptEnableBit);
  bool line = interrupt_latched_ && enabled;
  bool rising = line && !line_;
  line_ = line;
  if (rising) events_.PhyInterruptRaised();
}

}  // namespace sim::detail

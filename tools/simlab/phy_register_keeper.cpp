#include "phy_register_keeper.h"

namespace simlab {

namespace {
constexpr uint32_t kCsr9 = 0x48;
constexpr uint32_t kMdc = 1u << 16;
constexpr uint32_t kMdoShift = 17;
constexpr uint32_t kReadMode = 1u << 18;
constexpr uint32_t kMdi = 1u << 19;
constexpr uint32_t kPhyReset = 0x8000;  // register 0 bit 15
// A frame's first 15 bits: the last preamble bit, start 0 1, the opcode,
// then PHY address and register number (5 bits each).
constexpr uint32_t kReadStart = 0x16;   // 1 01 10
constexpr uint32_t kWriteStart = 0x15;  // 1 01 01
}  // namespace

PhyRegisterKeeper::PhyRegisterKeeper(std::unique_ptr<hostndis::Device> chip, uint32_t phy, uint32_t reg)
    : chip_(std::move(chip)), phy_(phy), reg_(reg) {}

uint32_t PhyRegisterKeeper::ReadCsr(uint32_t offset) {
  uint32_t value = chip_->ReadCsr(offset);
  if (offset == kCsr9 && driving_) value = (value & ~kMdi) | (drive_bit_ ? kMdi : 0);
  return value;
}

void PhyRegisterKeeper::WriteCsr(uint32_t offset, uint32_t value) {
  chip_->WriteCsr(offset, value);
  if (offset != kCsr9) return;
  bool rising = (value & kMdc) && !clock_;
  clock_ = (value & kMdc) != 0;
  if (rising) ClockEdge(value);
}

void PhyRegisterKeeper::ClockEdge(uint32_t csr9) {
  uint32_t bit = (csr9 >> kMdoShift) & 1;
  bool reading = (csr9 & kReadMode) != 0;
  switch (phase_) {
    case Phase::kHeader: {
      driving_ = false;
      if (reading) {
        header_ = 0;
        return;
      }
      header_ = (header_ << 1 | bit) & 0x7fff;
      uint32_t start = header_ >> 10, phy = (header_ >> 5) & 0x1f, reg = header_ & 0x1f;
      if (phy != phy_) return;
      if (start == kReadStart && reg == reg_) phase_ = Phase::kReadTurnaround;
      if (start == kWriteStart) {
        phase_ = Phase::kWriteTurnaround;
        frame_reg_ = reg;
        count_ = 0;
      }
      return;
    }
    case Phase::kReadTurnaround:
      phase_ = Phase::kReadData;
      count_ = 0;
      return;
    case Phase::kReadData:
      if (count_ == 16) {  // the idle cycle after the data
        phase_ = Phase::kHeader;
        header_ = 0;
        driving_ = false;
        return;
      }
      driving_ = true;
      drive_bit_ = (value_ >> (15 - count_++)) & 1;
      return;
    case Phase::kWriteTurnaround:
      if (++count_ == 2) {
        phase_ = Phase::kWriteData;
        count_ = data_ = 0;
      }
      return;
    case Phase::kWriteData:
      data_ = data_ << 1 | bit;
      if (++count_ < 16) return;
      if (frame_reg_ == reg_) value_ = uint16_t(data_);
      if (frame_reg_ == 0 && (data_ & kPhyReset)) value_ = 0;
      phase_ = Phase::kHeader;
      header_ = 0;
      return;
  }
}

}  // namespace simlab

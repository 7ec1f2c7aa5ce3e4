#include "mii.h"

namespace sim::detail {

void MiiManagement::Reset() {
  Idle();
  mdc_ = false;
}

void MiiManagement::Idle() {
  state_ = State::kPreamble;
  driving_ = output_ = false;
  ones_ = bits_ = shift_ = 0;
}

void MiiManagement::Clock(bool mdc, bool line, MiiDevice* phy) {
  bool rising = mdc && !mdc_;
  mdc_ = mdc;
  if (rising) Edge(line, phy);
}

// One rising MDC edge. The PHY samples the line on the edge and, when it
// answers a read, changes its output right after the edge, so the host reads
// each bit after the edge that produced it.
void MiiManagement::Edge(bool bit, MiiDevice* phy) {
  switch (state_) {
    case State::kPreamble:
      if (bit) {
        if (ones_ < kPreambleOnes) ++ones_;
      } else if (ones_ >= kPreambleOnes) {
        state_ = State::kStart;  // this zero was the first start bit
      } else {
        ones_ = 0;
      }
      break;
    case State::kStart:
      if (bit) {
        state_ = State::kOpcode;
        bits_ = shift_ = 0;
      } else {
        Idle();
      }
      break;
    case State::kOpcode:
      shift_ = shift_ << 1 | bit;
      if (++bits_ == 2) {
        opcode_ = shift_;
        if (opcode_ != kRead && opcode_ != kWrite) {
          Idle();
          break;
        }
        state_ = State::kPhyAddress;
        bits_ = shift_ = 0;
      }
      break;
    case State::kPhyAddress:
      shift_ = shift_ << 1 | bit;
      if (++bits_ == 5) {
        phy_address_ = shift_;
        state_ = State::kRegister;
        bits_ = shift_ = 0;
      }
      break;
    case State::kRegister:
      shift_ = shift_ << 1 | bit;
      if (++bits_ == 5) {
        register_ = shift_;
        addressed_ = phy && phy_address_ == kPhyAddress;
        bits_ = 0;
        if (opcode_ == kRead) {
          // The register is read (with its side effects) when addressed.
          state_ = State::kReadTurnaround;
          value_ = addressed_ ? phy->MiiRead(register_) : 0;
        } else {
          value_ = 0;
          state_ = State::kWriteTurnaround;
        }
      }
      break;
    case State::kReadTurnaround:  // second turnaround bit: the PHY drives 0
      driving_ = addressed_;
      output_ = false;
      state_ = State::kReadData;
      bits_ = 16;
      break;
    case State::kReadData:
      --bits_;
      output_ = addressed_ && ((value_ >> bits_) & 1);
      if (bits_ == 0) state_ = State::kReadEnd;
      break;
    case State::kReadEnd:  // the PHY lets go of the line
      Idle();
      break;
    case State::kWriteTurnaround:
      if (++bits_ == 2) {
        state_ = State::kWriteData;
        bits_ = 0;
      }
      break;
    case State::kWriteData:
      value_ = value_ << 1 | bit;
      if (++bits_ == 16) {
        bool addressed = addressed_;
        uint32_t reg = register_;
        uint16_t value = uint16_t(value_);
        Idle();
        if (addressed) phy->MiiWrite(reg, value);
      }
      break;
  }
}

}  // namespace sim::detail

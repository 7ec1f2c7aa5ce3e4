#include "eeprom.h"

namespace sim::detail {

void SerialEeprom::Reset() {
  state_ = State::kWaitStart;
  data_out_ = false;
  bits_ = shift_ = 0;
}

void SerialEeprom::Drive(bool chip_select, bool clock, bool data_in) {
  bool rising = clock && !clock_;
  clock_ = clock;
  if (!chip_select) {
    Reset();
    return;
  }
  if (!rising) return;
  switch (state_) {
    case State::kWaitStart:  // leading zeros are ignored until the start bit
      if (data_in) {
        state_ = State::kOpcode;
        bits_ = shift_ = 0;
      }
      break;
    case State::kOpcode:
      shift_ = shift_ << 1 | data_in;
      if (++bits_ == 2) {
        opcode_ = shift_;
        state_ = State::kAddress;
        bits_ = shift_ = 0;
      }
      break;
    case State::kAddress:
      shift_ = shift_ << 1 | data_in;
      if (++bits_ == 6) {
        address_ = shift_;
        if (opcode_ == kReadOpcode) {
          // A dummy zero precedes the data, which then shifts out MSB first,
          // one bit per rising edge, continuing into the following words.
          state_ = State::kReading;
          word_ = Word(address_);
          bits_left_ = 16;
          data_out_ = false;
        } else {
          state_ = State::kIgnoring;  // the part is read-only here
        }
      }
      break;
    case State::kReading:
      if (bits_left_ == 0) {
        address_ = (address_ + 1) & 63;
        word_ = Word(address_);
        bits_left_ = 16;
      }
      --bits_left_;
      data_out_ = (word_ >> bits_left_) & 1;
      break;
    case State::kIgnoring:
      break;
  }
}

}  // namespace sim::detail

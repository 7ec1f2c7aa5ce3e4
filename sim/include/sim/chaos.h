// A misbehaving board: where it reports something, a chaos source may put a
// value of its own in place of what the board would report. A fuzzer feeds
// one from its bytes; without a source attached the board is an ordinary one.
#pragma once

#include <cstdint>

namespace sim {

// The places a board consults its chaos source.
enum class ChaosPoint : uint8_t {
  kRxStatus,     // RDES0 written back to a receive descriptor
  kTxStatus,     // TDES0 written back to a transmit descriptor
  kCsr5,         // status register read (the summary bits stay the board's)
  kCsr8,         // missed-frames register read
  kCsr9,         // serial ROM and MII management register read
  kCsr12,        // SIA status register read
  kEepromWord,   // a word the serial EEPROM starts shifting out (low 16 bits)
  kPhyRegister,  // a register value the PHY answers a management read with (low 16 bits)
  kCount
};

class ChaosSource {
 public:
  virtual ~ChaosSource() = default;
  // What the board reports at `point` instead of `own`, the value it would
  // report by itself. Returning `own` leaves the board honest.
  virtual uint32_t Distort(ChaosPoint point, uint32_t own) = 0;
};

}  // namespace sim

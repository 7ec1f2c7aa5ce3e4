#include "sia.h"

namespace sim::detail {

void SerialInterface::Reset() {
  csr13_ = csr14_ = csr15_ = 0;
  link_ = false;
}

bool SerialInterface::WriteCsr13(uint32_t value) {
  bool was_running = Running();
  csr13_ = value;
  return was_running != Running();
}

bool SerialInterface::WriteCsr14(uint32_t value) {
  bool duplex_changed = ((csr14_ ^ value) & 2) != 0;
  csr14_ = value;
  return duplex_changed && Running();
}

}  // namespace sim::detail

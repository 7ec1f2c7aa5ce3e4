// The controller's 10 Mb/s serial interface (CSR12-CSR15), the port used on
// boards without an MII PHY.
#pragma once

#include <cstdint>

#include "sim/wire.h"

namespace sim::detail {

class SerialInterface {
 public:
  void Reset();

  // CSR13 bit 0 takes the interface out of reset.
  bool Running() const { return csr13_ & 1; }
  // Always forced 10 Mb/s; CSR14 bit 1 (receive loop-back of own transmit
  // data) is half duplex.
  LinkMode ForcedMode() const { return (csr14_ & 2) ? LinkMode::k10Half : LinkMode::k10Full; }
  void SetLink(bool up) { link_ = up; }
  bool Link() const { return link_; }

  // Each returns true when the write restarts the link (the interface was
  // started or stopped, or its duplex changed while running).
  bool WriteCsr13(uint32_t value);
  bool WriteCsr14(uint32_t value);
  void WriteCsr15(uint32_t value) { csr15_ = value; }

  // CSR12: bit 1 100 Mb/s link failed (always), bit 2 10 Mb/s link failed.
  uint32_t Csr12() const { return 2u | (link_ ? 0 : 4u); }
  uint32_t Csr13() const { return csr13_; }
  uint32_t Csr14() const { return csr14_; }
  // CSR15 reads back what was written, with bit 16 showing the link.
  uint32_t Csr15() const { return (csr15_ & ~(1u << 16)) | (link_ ? 1u << 16 : 0); }

 private:
  uint32_t csr13_ = 0;
  uint32_t csr14_ = 0;
  uint32_t csr15_ = 0;
  bool link_ = false;
};

}  // namespace sim::detail

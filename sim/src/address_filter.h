// The receive address filter: programmed by setup frames, consulted for
// every arriving frame.
#pragma once

#include <cstdint>

#include "sim/board.h"

namespace sim::detail {

class AddressFilter {
 public:
  static constexpr uint32_t kSetupFrameLength = 192;

  // Back to "not programmed": only promiscuous and pass-all-multicast receive.
  void Reset();
  // A setup frame's 192 bytes and the TDES1 of its descriptor (filtering
  // type bits 22 and 28).
  void Program(const uint8_t* setup, uint32_t tdes1);
  // Whether a frame with this destination passes, given CSR6 (bit 6
  // promiscuous, bit 7 pass all multicast).
  bool Accepts(const uint8_t* destination, uint32_t csr6) const;

  const ReceiveFilter& state() const { return state_; }

 private:
  bool InPerfectList(uint64_t key) const;
  bool HashHit(const uint8_t* destination) const;

  ReceiveFilter state_;
  uint64_t keys_[16] = {};  // the perfect addresses packed for quick compares
  uint32_t key_count_ = 0;
};

}  // namespace sim::detail

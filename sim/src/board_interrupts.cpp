// CSR5 status, CSR7 enables and the INTA line.
#include "board_impl.h"

namespace sim {

uint32_t Board::Impl::Csr5() const {
  uint32_t value = events_;
  uint32_t enabled = events_ & csr_[7];
  if (enabled & bits::kNormalEvents) value |= bits::kNormalSummary;
  if (enabled & bits::kAbnormalEvents) value |= bits::kAbnormalSummary;
  return value | rx_state_ << 17 | tx_state_ << 20;
}

void Board::Impl::AcknowledgeEvents(uint32_t value) {
  uint32_t cleared = value & bits::kClearableEvents;
  // The kind board forgets the error bits with the event; the chip keeps
  // them until the next reset.
  if ((cleared & bits::kSystemError) && !config_.profile.documented_registers) cleared |= bits::kErrorBits;
  events_ &= ~cleared;
}

void Board::Impl::UpdateInterruptLine() {
  bool line = (Csr5() & csr_[7] & (bits::kNormalSummary | bits::kAbnormalSummary)) != 0;
  if (line == line_) return;
  line_ = line;
  if (__builtin_expect(trace_on_, 0)) Trace(TraceEntry::kInterrupt, line ? 1 : 0, Csr5());
  if (listener_) listener_(line);
}

void Board::Impl::PhyInterruptRaised() {
  RaiseEvents(bits::kGeneralPurposePort);
  UpdateInterruptLine();
}

}  // namespace sim

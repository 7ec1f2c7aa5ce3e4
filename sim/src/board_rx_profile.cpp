// What a board profile changes in the receive path: the watchdog, a receive
// FIFO that overflows while the bus is slow, and status words written back on
// the board's own schedule. The kind board passes straight through.
#include <algorithm>

#include "board_impl.h"

namespace sim {

namespace {
constexpr uint32_t kWatchdogMin = 2048, kWatchdogMax = 2560;  // bytes
constexpr uint32_t kPreamble = 8, kInterFrameGap = 12;        // byte times
constexpr uint32_t kShortestCut = 64;  // less room than this loses the frame
}  // namespace

// The serial interface sees the carrier of every frame (CSR12 bit 9).
void Board::Impl::NoteRxActivity() {
  if (!phy_) rx_activity_ = true;
}

// A frame that goes on past the watchdog's limit is cut there.
uint32_t Board::Impl::WatchdogCut(uint32_t length, uint32_t& status) {
  if (!config_.profile.rx_watchdog || length <= kWatchdogMin) return length;
  uint32_t limit = uint32_t(Draw(kWatchdogMin, kWatchdogMax));
  if (length <= limit) return length;
  status |= bits::kErrorSummary | bits::kRxTooLong | bits::kRxWatchdog;
  RaiseEvents(bits::kRxWatchdogTimeout);
  ++counters_.rx_watchdog_cut;
  return limit;
}

// How much of an arriving frame the receive FIFO takes. The frames whose
// status is not yet written hold their bytes; the arrival is timed as on a
// wire at the link's rate right behind the previous frame, so a burst that a
// fast wire delivers at once fills the FIFO no faster than the cable would.
uint32_t Board::Impl::FifoRoom(uint32_t length, uint32_t& status) {
  uint32_t fifo = config_.profile.rx_fifo_bytes;
  uint64_t rate = BitsPerSecond(link_mode_);
  if (fifo == 0 || rate == 0) return length;
  Nanoseconds byte_time = 8 * kSecond / rate;
  Nanoseconds start = std::max(clock_.Now(), rx_wire_free_at_);
  Nanoseconds end = start + (kPreamble + length) * byte_time;
  rx_wire_free_at_ = end + kInterFrameGap * byte_time;
  uint32_t held = 0;
  for (const PendingRxFrame& f : rx_pending_)
    if (f.due > end) held += f.bytes;
  // The bus drains a frame as it comes: one longer than the FIFO only needs it empty.
  if (held + std::min(length, fifo) <= fifo) return length;
  if (held + kShortestCut > fifo) {
    ++counters_.rx_fifo_lost;
    CountInCsr8(bits::kFifoOverflowShift, 0x7ff, bits::kFifoOverflowOverflow);
    return 0;
  }
  status |= bits::kErrorSummary | bits::kRxOverflow;
  ++counters_.rx_fifo_cut;
  return fifo - held;
}

// With late write-back the status words wait for the frame's turn.
bool Board::Impl::QueueRxStatus(uint32_t descriptor, uint32_t value) {
  if (!LateRxStatus()) return WriteRxStatus(descriptor, value);
  rx_words_.push_back(RxStatusWord{descriptor, value});
  return true;
}

void Board::Impl::FrameStored(uint32_t length, uint32_t status) {
  bool whole = (status & (bits::kRxOverflow | bits::kRxWatchdog)) == 0;
  if (!LateRxStatus()) {
    counters_.rx_frames += whole;
    RaiseEvents(bits::kRxInterrupt);
    return;
  }
  const BoardProfile& p = config_.profile;
  Nanoseconds delay = Draw(p.rx_writeback_min, p.rx_writeback_max);
  if (p.rx_stall_one_in != 0 && Draw(0, p.rx_stall_one_in - 1) == 0) delay += Draw(p.rx_stall_max / 4, p.rx_stall_max);
  rx_last_due_ = std::max(clock_.Now(), rx_last_due_) + delay;
  rx_pending_.push_back(PendingRxFrame{rx_last_due_, length, whole, std::move(rx_words_)});
  rx_words_.clear();
  RaiseEvents(bits::kEarlyReceive);
  if (rx_writeback_event_ == 0) {
    rx_writeback_event_ = clock_.ScheduleAt(rx_pending_.front().due, [this] { WriteBackRxFrame(); });
  }
}

// The oldest stored frame gets its status words and its receive interrupt,
// which ends the early receive.
void Board::Impl::WriteBackRxFrame() {
  rx_writeback_event_ = 0;
  PendingRxFrame f = std::move(rx_pending_.front());
  rx_pending_.pop_front();
  bool written = true;
  for (const RxStatusWord& w : f.words) {
    written = WriteRxStatus(w.descriptor, w.value);
    if (!written) break;
  }
  if (written) {
    counters_.rx_frames += f.whole;
    events_ = (events_ & ~bits::kEarlyReceive) | bits::kRxInterrupt;
  }
  if (!rx_pending_.empty()) {
    rx_writeback_event_ = clock_.ScheduleAt(rx_pending_.front().due, [this] { WriteBackRxFrame(); });
  }
  UpdateInterruptLine();
}

// A reset loses what the chip had not yet written back.
void Board::Impl::CancelRxWriteBacks() {
  clock_.Cancel(rx_writeback_event_);
  rx_writeback_event_ = 0;
  for (const PendingRxFrame& f : rx_pending_) counters_.rx_reset_lost += f.whole;
  rx_pending_.clear();
  rx_words_.clear();
  rx_last_due_ = rx_wire_free_at_ = 0;
}

}  // namespace sim

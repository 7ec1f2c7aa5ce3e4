// What a board profile changes in the board's behaviour; the kind board
// never gets here with a setting on.
#include <algorithm>

#include "board_impl.h"

namespace sim {

// splitmix64: small, seedable, the same sequence on every host.
Nanoseconds Board::Impl::Draw(Nanoseconds low, Nanoseconds high) {
  if (rng_ == 0) rng_ = 0x9e3779b97f4a7c15ull * (uint64_t(config_.profile.seed) + 1);
  uint64_t z = (rng_ += 0x9e3779b97f4a7c15ull);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
  z ^= z >> 31;
  return high <= low ? low : low + z % (high - low + 1);
}

// The transmit process takes one descriptor per step; the next step is due
// a while later, whatever the driver does meanwhile.
void Board::Impl::ScheduleTxStep() {
  if (tx_step_event_ != 0 || tx_in_flight_) return;
  const BoardProfile& p = config_.profile;
  tx_step_event_ = clock_.ScheduleAfter(Draw(p.dma_delay_min, p.dma_delay_max), [this] {
    tx_step_event_ = 0;
    TakeTxStep();
  });
}

// Returns true when the stop is under way rather than done.
bool Board::Impl::BeginSlowStop(bool transmit) {
  Nanoseconds time = config_.profile.stop_time;
  if (time == 0) return false;
  if (transmit) {
    clock_.Cancel(tx_step_event_);
    tx_step_event_ = 0;
    if (tx_state_ == 0) return false;
    tx_stopping_ = true;
    tx_stop_due_ = false;
    tx_stop_event_ = clock_.ScheduleAfter(time, [this] {
      tx_stop_event_ = 0;
      if (tx_in_flight_) {
        tx_stop_due_ = true;  // TxFrameLeft finishes the stop
        return;
      }
      FinishTxStop();
    });
  } else {
    if (rx_state_ == 0) return false;
    rx_stopping_ = true;
    rx_stop_event_ = clock_.ScheduleAfter(time, [this] {
      rx_stop_event_ = 0;
      FinishRxStop();
    });
  }
  return true;
}

void Board::Impl::FinishTxStop() {
  tx_stopping_ = tx_stop_due_ = false;
  tx_state_ = 0;
  tx_open_ = false;
  RaiseEvents(bits::kTxStopped);
  UpdateInterruptLine();
}

void Board::Impl::FinishRxStop() {
  rx_stopping_ = false;
  rx_state_ = 0;
  RaiseEvents(bits::kRxStopped);
  UpdateInterruptLine();
}

void Board::Impl::ResetProfileState() {
  clock_.Cancel(tx_step_event_);
  clock_.Cancel(tx_stop_event_);
  clock_.Cancel(rx_stop_event_);
  tx_step_event_ = tx_stop_event_ = rx_stop_event_ = 0;
  tx_stopping_ = tx_stop_due_ = rx_stopping_ = false;
  CancelRxWriteBacks();
  reset_until_ = clock_.Now() + config_.profile.reset_time;
}

void Board::Impl::NoteSiaLink(bool up) {
  sia_link_before_ = !up;
  sia_link_changed_at_ = clock_.Now();
}

// The link drops a while after it came up, as a worn cable or a peer's
// glitch does; the relink tells the far end.
void Board::Impl::ScheduleFlap() {
  Nanoseconds every = config_.profile.flap_every;
  if (every == 0) return;
  clock_.Cancel(flap_event_);
  flap_event_ = clock_.ScheduleAfter(Draw(every / 2, every + every / 2), [this] {
    flap_event_ = 0;
    if (link_mode_ != LinkMode::kNone) Relink(true);
  });
}

// CSR15 bit 16 follows the link only after the lag; CSR12 knows at once.
uint32_t Board::Impl::LaggedCsr15(uint32_t value) const {
  Nanoseconds lag = config_.profile.csr15_lag;
  if (lag == 0 || clock_.Now() >= sia_link_changed_at_ + lag) return value;
  return (value & ~(1u << 16)) | (sia_link_before_ ? 1u << 16 : 0);
}

namespace {
constexpr uint32_t kSerialClocks = bits::kSromClock | bits::kMdc;
constexpr uint32_t kSerialData = bits::kSromDataOut | bits::kMdi;
}  // namespace

// The CSR9 value as the serial buses see it: a clock level changed again
// before the minimum half period keeps its old level.
uint32_t Board::Impl::SerialClocksSeen(uint32_t value) {
  const BoardProfile& p = config_.profile;
  if (p.serial_delay == 0 && p.serial_min_half_period == 0) return value;
  uint32_t changed = (value ^ csr_[9]) & kSerialClocks;
  if (changed == 0) return value;
  if (clock_.Now() < serial_clock_at_ + p.serial_min_half_period) return (value & ~kSerialClocks) | (csr_[9] & kSerialClocks);
  serial_data_before_ = SerialPortValue() & kSerialData;
  serial_clock_at_ = clock_.Now();
  return value;
}

// Data bits read within the propagation delay of a clock edge are the old ones.
uint32_t Board::Impl::SerialDataAsSeen(uint32_t value) const {
  Nanoseconds delay = config_.profile.serial_delay;
  if (delay == 0 || clock_.Now() >= serial_clock_at_ + delay) return value;
  return (value & ~kSerialData) | serial_data_before_;
}

uint32_t Board::Impl::EmptyDescriptorStatus() const {
  return config_.profile.zero_status_on_empty ? 0 : bits::kNothingToReport;
}

// TDES0 bits a duplex disagreement between CSR6 bit 9 and the link costs.
uint32_t Board::Impl::DuplexMismatchStatus() const {
  if (!config_.profile.duplex_mismatch_errors || link_mode_ == LinkMode::kNone) return 0;
  bool link_full = link_mode_ == LinkMode::k10Full || link_mode_ == LinkMode::k100Full;
  bool mac_full = (csr_[6] & bits::kFullDuplex) != 0;
  if (link_full == mac_full) return 0;
  return bits::kErrorSummary | (mac_full ? bits::kTxLateCollision : bits::kTxLossOfCarrier);
}

bool Board::Impl::ThresholdUnderflow(uint32_t length) {
  if (!config_.profile.threshold_underflows || (csr_[6] & bits::kStoreAndForward)) return false;
  uint32_t step = (csr_[6] >> 14) & 3;
  static const uint32_t kThreshold10[4] = {72, 96, 128, 160};  // bytes; 128 to 1024 at 100 Mb/s
  uint32_t threshold = (csr_[6] & bits::kThresholdMode10) ? kThreshold10[step] : 128u << step;
  if (length <= threshold) return false;
  return Draw(0, (16u << step) - 1) == 0;
}

}  // namespace sim

// The receive process: filters arriving frames and stores them through the
// descriptor list from CSR3.
#include <algorithm>

#include "board_impl.h"

namespace sim {

void Board::Impl::StartRx() {
  if (rx_stopping_) {  // restarted before the stop took effect
    clock_.Cancel(rx_stop_event_);
    rx_stop_event_ = 0;
    rx_stopping_ = false;
  }
  rx_state_ = bits::kRxWaiting;
}

void Board::Impl::StopRx() {
  if (BeginSlowStop(false)) return;
  rx_state_ = 0;
  RaiseEvents(bits::kRxStopped);
}

// Receive poll demand: a suspended process looks at its descriptor again.
void Board::Impl::RxPoll() {
  if (rx_state_ != bits::kRxSuspended) return;
  uint32_t d[4];
  if (ReadDescriptor(rx_current_, d) && (d[0] & bits::kOwn)) rx_state_ = bits::kRxWaiting;
}

void Board::Impl::MissFrame() {
  ++counters_.rx_missed;
  CountInCsr8(0, 0xffff, bits::kMissedOverflow);
}

// One of CSR8's two counters, `mask` wide at `shift`: it wraps, setting its
// overflow bit, and leaves the other counter alone.
void Board::Impl::CountInCsr8(uint32_t shift, uint32_t mask, uint32_t overflow) {
  uint32_t count = ((missed_ >> shift) & mask) + 1;
  missed_ = (missed_ & ~(mask << shift)) | (count & mask) << shift;
  if (count > mask) missed_ |= overflow;
}

void Board::Impl::Receive(const uint8_t* frame, uint32_t length) {
  using namespace bits;
  if (__builtin_expect(rx_profiled_, 0)) NoteRxActivity();
  if (rx_state_ == 0 || rx_stopping_ || !PortUp()) {
    ++counters_.rx_ignored;
    return;
  }
  uint32_t status = 0;
  uint32_t arrived = length;
  if (__builtin_expect(rx_profiled_, 0)) length = WatchdogCut(length, status);
  if (length > kMaxFrame) {
    ++counters_.rx_ignored;
    return;
  }
  if (length < 18 || (length < 64 && !(csr_[6] & kPassBadFrames))) {
    ++counters_.rx_runts;
    return;
  }
  if (!filter_.Accepts(frame, csr_[6])) {
    ++counters_.rx_filtered;
    return;
  }
  if (length == arrived && EthernetFcs(frame, length - 4) != LoadLe32(frame + length - 4)) {
    status |= kErrorSummary | kRxCrcError;
    ++counters_.rx_runts_crc;
  }
  if (length < 64) status |= kErrorSummary | kRxRunt;
  if (dribble_left_ > 0) {
    --dribble_left_;
    status |= kErrorSummary | kRxDribbling;
  }
  if (frame[0] & 1) status |= kRxMulticast;
  if ((uint32_t(frame[12]) << 8 | frame[13]) >= 0x0600) status |= kRxFrameType;
  if (length > 1518) status |= kRxTooLong;
  if (__builtin_expect(rx_profiled_, 0)) length = FifoRoom(length, status);
  if (length != 0) StoreFrame(frame, length, status);
  UpdateInterruptLine();
}

// The current descriptor is read again for every frame, so descriptors the
// driver hands back while the process is suspended are found without a poll
// demand.
void Board::Impl::StoreFrame(const uint8_t* frame, uint32_t length, uint32_t status) {
  using namespace bits;
  if (__builtin_expect(rx_profiled_, 0)) rx_words_.clear();
  uint32_t d[4];
  uint32_t descriptor = rx_current_;
  if (!ReadDescriptor(descriptor, d)) return;
  if (!(d[0] & kOwn)) {
    if (rx_state_ != kRxSuspended) RaiseEvents(kRxBufferUnavailable);
    rx_state_ = kRxSuspended;
    MissFrame();
    return;
  }
  rx_state_ = kRxWaiting;
  uint32_t stored = 0;
  uint32_t first = kRxFirstDescriptor;
  for (uint32_t used = 1;; ++used) {
    bool chained = d[1] & kChained;
    uint32_t take1 = std::min(d[1] & 0x7ff, length - stored);
    if (take1 && !DmaWrite(d[2], frame + stored, take1)) return;
    stored += take1;
    if (!chained) {
      uint32_t take2 = std::min((d[1] >> 11) & 0x7ff, length - stored);
      if (take2 && !DmaWrite(d[3], frame + stored, take2)) return;
      stored += take2;
    }
    uint32_t next = NextDescriptor(descriptor, d[1], d[3], csr_[3]);
    if (stored == length) {
      rx_current_ = next;
      if (!PostRxStatus(descriptor, first | kRxLastDescriptor | length << 16 | status)) return;
      break;
    }
    // The frame goes on in the next descriptor, if the driver owns us one.
    uint32_t n[4];
    if (!ReadDescriptor(next, n)) return;
    if (!(n[0] & kOwn) || used == kMaxRxDescriptorsPerFrame) {
      rx_current_ = next;
      uint32_t truncated = kErrorSummary | kRxDescriptorError | kRxLastDescriptor;
      if (!PostRxStatus(descriptor, first | truncated | stored << 16 | status)) return;
      if (!(n[0] & kOwn)) {
        RaiseEvents(kRxBufferUnavailable);
        rx_state_ = kRxSuspended;
      }
      break;
    }
    if (!PostRxStatus(descriptor, first | RunningLength(stored))) return;
    first = 0;
    descriptor = next;
    std::copy(n, n + 4, d);
  }
  if (__builtin_expect(rx_profiled_, 0)) return FrameStored(stored, status);
  ++counters_.rx_frames;
  RaiseEvents(kRxInterrupt);
}

}  // namespace sim

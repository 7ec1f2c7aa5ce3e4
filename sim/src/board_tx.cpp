// The transmit process: walks the descriptor list from CSR4, gathers frames,
// processes setup frames and writes status back.
#include <algorithm>

#include "board_impl.h"

namespace sim {

void Board::Impl::StartTx() {
  if (tx_stopping_) {  // restarted before the stop took effect
    clock_.Cancel(tx_stop_event_);
    tx_stop_event_ = 0;
    tx_stopping_ = tx_stop_due_ = false;
  }
  tx_state_ = tx_in_flight_ ? bits::kTxWaitingEnd : bits::kTxSuspended;
  TxPoll();
}

// Stops at once; a frame already on the wire still gets its status when it
// has left.
void Board::Impl::StopTx() {
  if (BeginSlowStop(true)) return;
  tx_state_ = 0;
  tx_open_ = false;
  RaiseEvents(bits::kTxStopped);
}

void Board::Impl::TxPoll() {
  if (tx_state_ == 0 || tx_stopping_) return;
  if (AsyncDma()) {
    ScheduleTxStep();
    return;
  }
  // A poll demand from inside the walk (an interrupt handler that queued more
  // frames) makes the running walk look again instead of nesting.
  if (tx_walking_) {
    tx_poll_again_ = true;
    return;
  }
  tx_walking_ = true;
  do {
    tx_poll_again_ = false;
    TxWalk();
  } while (tx_poll_again_ && tx_state_ != 0 && !tx_in_flight_);
  tx_walking_ = false;
}

void Board::Impl::TxWalk() {
  using namespace bits;
  for (bool first = true; tx_state_ != 0 && !tx_in_flight_; first = false) {
    if (!first && (AsyncDma() || tx_single_step_)) {  // one descriptor per step
      if (AsyncDma()) ScheduleTxStep();
      return;
    }
    uint32_t d[4];
    uint32_t descriptor = tx_current_;
    if (!ReadDescriptor(descriptor, d)) return;
    if (!(d[0] & kOwn)) {
      tx_state_ = kTxSuspended;
      RaiseEvents(kTxBufferUnavailable);
      return;
    }
    uint32_t tdes1 = d[1];
    tx_current_ = NextDescriptor(descriptor, tdes1, d[3], csr_[4]);
    if (tdes1 & kSetupPacket) {
      ProcessSetupFrame(tdes1, d[2]);
      CloseTxDescriptor(descriptor, EmptyDescriptorStatus(), tdes1 & kInterruptOnCompletion);
      continue;
    }
    uint32_t length1 = tdes1 & 0x7ff, length2 = (tdes1 >> 11) & 0x7ff;
    if (!tx_open_ && length1 == 0 && length2 == 0) {  // a descriptor with no buffers
      CloseTxDescriptor(descriptor, EmptyDescriptorStatus(), tdes1 & kInterruptOnCompletion);
      continue;
    }
    if (!tx_open_ || (tdes1 & kFirstSegment)) {
      tx_open_ = true;
      tx_jabber_ = false;
      tx_length_ = 0;
      tx_first_tdes1_ = tdes1;
    }
    if (!AppendTxBuffer(d[2], length1)) return;
    if (!(tdes1 & kChained) && !AppendTxBuffer(d[3], length2)) return;
    if (!(tdes1 & kLastSegment)) {
      CloseTxDescriptor(descriptor, kNothingToReport, false);
      continue;
    }
    tx_open_ = false;
    if (!TransmitFrame(descriptor, tdes1)) return;
  }
}

bool Board::Impl::TakeTxStep() {
  if (tx_state_ == 0 || tx_stopping_ || tx_in_flight_ || tx_walking_) return false;
  tx_walking_ = tx_single_step_ = true;
  TxWalk();
  tx_walking_ = tx_single_step_ = false;
  UpdateInterruptLine();
  return true;
}

bool Board::Impl::AppendTxBuffer(uint32_t address, uint32_t length) {
  if (length == 0) return true;
  if (tx_length_ + length > kMaxFrame) {
    tx_jabber_ = true;
    return true;
  }
  if (!DmaRead(address, tx_frame_.data() + tx_length_, length)) return false;
  tx_length_ += length;
  return true;
}

void Board::Impl::ProcessSetupFrame(uint32_t tdes1, uint32_t buffer) {
  if ((tdes1 & 0x7ff) != detail::AddressFilter::kSetupFrameLength) {
    ++counters_.tx_bad_setup;
    return;
  }
  uint8_t setup[detail::AddressFilter::kSetupFrameLength];
  if (!DmaRead(buffer, setup, sizeof setup)) return;
  filter_.Program(setup, tdes1);
  ++counters_.tx_setup_frames;
}

void Board::Impl::CloseTxDescriptor(uint32_t descriptor, uint32_t status, bool interrupt) {
  if (!WriteStatusWord(descriptor, Distort(ChaosPoint::kTxStatus, status))) return;
  if (interrupt) RaiseEvents(bits::kTxInterrupt);
}

// Status of an injected fault for the frame about to go; `send` tells whether
// the frame still reaches the wire.
uint32_t Board::Impl::NextFaultStatus(bool& send) {
  using namespace bits;
  send = true;
  if (faults_.empty()) return 0;
  TxFault fault = faults_.front();
  if (--faults_.front().count == 0) faults_.pop_front();
  switch (fault.kind) {
    case TxFault::kUnderflow:
      send = false;
      return kErrorSummary | kTxUnderflowError;
    case TxFault::kCollisions:
      return std::min<uint32_t>(fault.collisions, 15) << 3;
    case TxFault::kExcessiveCollisions:
      send = false;
      return kErrorSummary | kTxExcessiveCollisions;
    case TxFault::kCarrierLoss:
      return kErrorSummary | kTxLossOfCarrier;
    case TxFault::kNoCarrier:
      return kErrorSummary | kTxNoCarrier;
    case TxFault::kDeferred:
      return kTxDeferred;
  }
  return 0;
}

// Returns whether the walk goes on at once.
bool Board::Impl::TransmitFrame(uint32_t descriptor, uint32_t tdes1) {
  using namespace bits;
  bool interrupt = tdes1 & kInterruptOnCompletion;
  if (tx_jabber_) {
    RaiseEvents(kTxJabber);
    CloseTxDescriptor(descriptor, kErrorSummary | kTxJabberTimeout, interrupt);
    return true;
  }
  uint32_t length = tx_length_;
  if (length < 60 && !(tx_first_tdes1_ & kDisablePadding)) {
    std::fill(tx_frame_.begin() + length, tx_frame_.begin() + 60, 0);
    length = 60;
  }
  if (!(tx_first_tdes1_ & kAddCrcDisable)) {
    StoreLe32(tx_frame_.data() + length, EthernetFcs(tx_frame_.data(), length));
    length += 4;
  }
  bool send;
  uint32_t status = NextFaultStatus(send);
  if (!(status & kTxUnderflowError) && ThresholdUnderflow(length)) status = kErrorSummary | kTxUnderflowError;
  if (status & kTxUnderflowError) {
    // The FIFO ran dry: the frame is abandoned and the process suspends
    // until the driver restarts it or demands a poll.
    CloseTxDescriptor(descriptor, status, interrupt);
    RaiseEvents(kTxUnderflow);
    tx_state_ = kTxSuspended;
    return false;
  }
  // Without a link the frame goes nowhere and the carrier errors say so.
  if (send && !PortUp()) {
    status |= kErrorSummary | kTxLossOfCarrier | kTxNoCarrier;
    send = false;
    ++counters_.tx_no_link;
  }
  if (!send) {
    CloseTxDescriptor(descriptor, status, interrupt);
    return true;
  }
  uint32_t mismatch = DuplexMismatchStatus();
  if (mismatch & kTxLateCollision) tx_frame_[length - 1] ^= 0xff;  // the late collision mangles the frame
  status |= mismatch;
  ++counters_.tx_frames;
  self_.SendToWire(tx_frame_.data(), length, link_mode_);
  Wire* wire = self_.wire();
  Nanoseconds leaves = wire && wire->pace() == Wire::Pace::kLineRate ? wire->BusyUntil(&self_) : 0;
  if (leaves <= clock_.Now()) {
    CloseTxDescriptor(descriptor, status, interrupt);
    return true;
  }
  // Paced: the status is written when the frame has left, and only then is
  // the next descriptor taken.
  tx_in_flight_ = true;
  tx_state_ = kTxWaitingEnd;
  tx_pending_descriptor_ = descriptor;
  tx_pending_status_ = status;
  tx_pending_interrupt_ = interrupt;
  tx_pending_epoch_ = link_epoch_;
  tx_event_ = clock_.ScheduleAt(leaves, [this] { TxFrameLeft(); });
  return false;
}

void Board::Impl::TxFrameLeft() {
  using namespace bits;
  tx_event_ = 0;
  tx_in_flight_ = false;
  uint32_t status = tx_pending_status_;
  if (link_epoch_ != tx_pending_epoch_) status |= kErrorSummary | kTxLossOfCarrier;  // link lost meanwhile
  CloseTxDescriptor(tx_pending_descriptor_, status, tx_pending_interrupt_);
  if (tx_stopping_) {
    if (tx_stop_due_) FinishTxStop();
    UpdateInterruptLine();
    return;
  }
  if (tx_state_ == kTxWaitingEnd) tx_state_ = kTxSuspended;
  TxPoll();
  UpdateInterruptLine();
}

}  // namespace sim

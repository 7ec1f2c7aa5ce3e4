// The board's inside: registers, processes and the parts behind CSR9.
#pragma once

#include <cstring>
#include <deque>
#include <memory>

#include "address_filter.h"
#include "eeprom.h"
#include "mii.h"
#include "pci_config.h"
#include "phy.h"
#include "sia.h"
#include "sim/board.h"

namespace sim {

// Register and descriptor bits the board acts on.
namespace bits {
constexpr uint32_t kOwn = 1u << 31;
// CSR0
constexpr uint32_t kSoftwareReset = 1u << 0;
constexpr uint32_t kCsr0AtReset = 0xfe000000u;
// CSR5 events (write 1 to clear) and summaries.
constexpr uint32_t kTxInterrupt = 1u << 0;
constexpr uint32_t kTxStopped = 1u << 1;
constexpr uint32_t kTxBufferUnavailable = 1u << 2;
constexpr uint32_t kTxJabber = 1u << 3;
constexpr uint32_t kLinkPass = 1u << 4;
constexpr uint32_t kTxUnderflow = 1u << 5;
constexpr uint32_t kRxInterrupt = 1u << 6;
constexpr uint32_t kRxBufferUnavailable = 1u << 7;
constexpr uint32_t kRxStopped = 1u << 8;
constexpr uint32_t kRxWatchdogTimeout = 1u << 9;
constexpr uint32_t kLinkFail = 1u << 12;
constexpr uint32_t kSystemError = 1u << 13;
constexpr uint32_t kEarlyReceive = 1u << 14;
constexpr uint32_t kAbnormalSummary = 1u << 15;
constexpr uint32_t kNormalSummary = 1u << 16;
constexpr uint32_t kMasterAbort = 1u << 23;  // error bits 25-23 = 001
constexpr uint32_t kErrorBits = 7u << 23;
constexpr uint32_t kGeneralPurposePort = 1u << 26;
constexpr uint32_t kNormalEvents = 0x00004845u;    // bits 0, 2, 6, 11, 14
constexpr uint32_t kAbnormalEvents = 0x040037bau;  // bits 1, 3-5, 7-10, 12, 13, 26
constexpr uint32_t kEventBits = 0x7fffu & ~kAbnormalSummary;
constexpr uint32_t kClearableEvents = kEventBits | kGeneralPurposePort;
// CSR5 process states.
constexpr uint32_t kRxWaiting = 3, kRxSuspended = 4;
constexpr uint32_t kTxWaitingEnd = 2, kTxSuspended = 6;
// CSR6
constexpr uint32_t kStartRx = 1u << 1;
constexpr uint32_t kPassBadFrames = 1u << 3;
constexpr uint32_t kFullDuplex = 1u << 9;
constexpr uint32_t kStartTx = 1u << 13;
constexpr uint32_t kPortSelectMii = 1u << 18;
constexpr uint32_t kStoreAndForward = 1u << 21;
constexpr uint32_t kThresholdMode10 = 1u << 22;
constexpr uint32_t kCsr6AtReset = 0x02000000u;
// CSR9
constexpr uint32_t kSromChipSelect = 1u << 0;
constexpr uint32_t kSromClock = 1u << 1;
constexpr uint32_t kSromDataIn = 1u << 2;
constexpr uint32_t kSromDataOut = 1u << 3;
constexpr uint32_t kSromSelect = 1u << 11;
constexpr uint32_t kMdc = 1u << 16;
constexpr uint32_t kMdo = 1u << 17;
constexpr uint32_t kMiiReadMode = 1u << 18;
constexpr uint32_t kMdi = 1u << 19;
// CSR8
constexpr uint32_t kMissedOverflow = 1u << 16;
constexpr uint32_t kFifoOverflowShift = 17;         // bits 17-27 count frames lost to a full FIFO
constexpr uint32_t kFifoOverflowOverflow = 1u << 28;
// TDES0 status
constexpr uint32_t kTxDeferred = 1u << 0;
constexpr uint32_t kTxUnderflowError = 1u << 1;
constexpr uint32_t kTxExcessiveCollisions = 1u << 8;
constexpr uint32_t kTxLateCollision = 1u << 9;
constexpr uint32_t kTxNoCarrier = 1u << 10;
constexpr uint32_t kTxLossOfCarrier = 1u << 11;
constexpr uint32_t kTxJabberTimeout = 1u << 14;
constexpr uint32_t kErrorSummary = 1u << 15;
constexpr uint32_t kNothingToReport = 0x7fffffffu;
// TDES1
constexpr uint32_t kInterruptOnCompletion = 1u << 31;
constexpr uint32_t kLastSegment = 1u << 30;
constexpr uint32_t kFirstSegment = 1u << 29;
constexpr uint32_t kSetupPacket = 1u << 27;
constexpr uint32_t kAddCrcDisable = 1u << 26;
constexpr uint32_t kEndOfRing = 1u << 25;
constexpr uint32_t kChained = 1u << 24;
constexpr uint32_t kDisablePadding = 1u << 23;
// RDES0 status
constexpr uint32_t kRxOverflow = 1u << 0;
constexpr uint32_t kRxCrcError = 1u << 1;
constexpr uint32_t kRxDribbling = 1u << 2;
constexpr uint32_t kRxWatchdog = 1u << 4;
constexpr uint32_t kRxFrameType = 1u << 5;
constexpr uint32_t kRxTooLong = 1u << 7;
constexpr uint32_t kRxLastDescriptor = 1u << 8;
constexpr uint32_t kRxFirstDescriptor = 1u << 9;
constexpr uint32_t kRxMulticast = 1u << 10;
constexpr uint32_t kRxRunt = 1u << 11;
constexpr uint32_t kRxDescriptorError = 1u << 14;
}  // namespace bits

inline uint32_t LoadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void StoreLe32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

struct Board::Impl : detail::PhyEvents {
  static constexpr uint32_t kMaxFrame = 16383;  // RDES0 length field
  static constexpr uint32_t kMaxRxDescriptorsPerFrame = 64;

  Impl(Board& self, VirtualClock& clock, DmaSpace& dma, const BoardConfig& config);
  ~Impl() override;

  // Registers (board_registers.cpp).
  uint32_t ReadCsr(uint32_t offset);
  void WriteCsr(uint32_t offset, uint32_t value);
  void SoftwareReset();
  void WriteOperationMode(uint32_t value);
  void WriteSerialPort(uint32_t value);
  uint32_t SerialPortValue() const;
  bool MdioLine(uint32_t csr9) const;
  uint32_t ReadMissedFrames();

  // Status and the interrupt line (board_interrupts.cpp).
  uint32_t Csr5() const;
  void RaiseEvents(uint32_t events) { events_ |= events; }
  void AcknowledgeEvents(uint32_t value);
  void UpdateInterruptLine();

  // DMA through the bus-master check (board_dma.cpp).
  bool DmaRead(uint32_t address, void* dst, uint32_t length);
  bool DmaWrite(uint32_t address, const void* src, uint32_t length);
  bool ReadDescriptor(uint32_t address, uint32_t (&words)[4]);
  bool WriteStatusWord(uint32_t address, uint32_t value);
  void FatalBusError();
  uint32_t NextDescriptor(uint32_t address, uint32_t des1, uint32_t des3, uint32_t base) const;

  // Transmit process (board_tx.cpp).
  void StartTx();
  void StopTx();
  void TxPoll();
  void TxWalk();
  bool TakeTxStep();
  bool AppendTxBuffer(uint32_t address, uint32_t length);
  bool TransmitFrame(uint32_t descriptor, uint32_t tdes1);
  void ProcessSetupFrame(uint32_t tdes1, uint32_t buffer);
  void CloseTxDescriptor(uint32_t descriptor, uint32_t status, bool interrupt);
  void TxFrameLeft();
  uint32_t NextFaultStatus(bool& send);

  // Receive process (board_rx.cpp).
  void StartRx();
  void StopRx();
  void RxPoll();
  void Receive(const uint8_t* frame, uint32_t length);
  void StoreFrame(const uint8_t* frame, uint32_t length, uint32_t status);
  void MissFrame();
  void CountInCsr8(uint32_t shift, uint32_t mask, uint32_t overflow);
  // Where a profile changes the receive path (board_rx_profile.cpp); the
  // kind board's frames pass by these on one flag.
  bool LateRxStatus() const { return config_.profile.rx_writeback_max != 0; }
  void NoteRxActivity();
  uint32_t WatchdogCut(uint32_t length, uint32_t& status);
  uint32_t FifoRoom(uint32_t length, uint32_t& status);
  // The length field of a frame's descriptor before its last.
  uint32_t RunningLength(uint32_t stored) const { return config_.profile.rx_running_lengths ? stored << 16 : 0; }
  bool PostRxStatus(uint32_t descriptor, uint32_t value) {
    if (__builtin_expect(!rx_profiled_, 1)) return WriteRxStatus(descriptor, value);
    return QueueRxStatus(descriptor, value);
  }
  bool QueueRxStatus(uint32_t descriptor, uint32_t value);
  void FrameStored(uint32_t length, uint32_t status);
  void WriteBackRxFrame();
  void CancelRxWriteBacks();
  // Register values as the chip documents them (board_documented_registers.cpp).
  void DocumentedReset();
  uint32_t AsDocumented(uint32_t n, uint32_t value);

  // Link (board_link.cpp).
  bool PortTransmitting() const;
  bool PortAutoNegotiates() const;
  Abilities PortAdvertised() const;
  LinkMode PortForcedMode() const;
  void Relink(bool tell_peer);
  void EvaluateLink();
  void SetLink(LinkMode mode, uint16_t partner);
  bool MacOnPort() const;
  bool PortUp() const { return link_mode_ != LinkMode::kNone && MacOnPort(); }
  void PhyLinkConfigChanged() override { Relink(true); }
  void PhyInterruptRaised() override;

  // What the chaos source, if any, makes of a value the board reports.
  uint32_t Distort(ChaosPoint point, uint32_t own) {
    return __builtin_expect(chaos_ != nullptr, 0) ? chaos_->Distort(point, own) : own;
  }
  // The PHY as the management interface sees it while a chaos source is attached.
  struct DistortedPhy : detail::MiiDevice {
    explicit DistortedPhy(Impl& impl) : impl_(impl) {}
    uint16_t MiiRead(uint32_t reg) override {
      return uint16_t(impl_.Distort(ChaosPoint::kPhyRegister, impl_.phy_->MiiRead(reg)));
    }
    void MiiWrite(uint32_t reg, uint16_t value) override { impl_.phy_->MiiWrite(reg, value); }
    Impl& impl_;
  };
  bool WriteRxStatus(uint32_t descriptor, uint32_t value) {
    return WriteStatusWord(descriptor, Distort(ChaosPoint::kRxStatus, value));
  }
  // Profile behaviour (board_profile_behaviour.cpp).
  Nanoseconds Draw(Nanoseconds low, Nanoseconds high);
  bool AsyncDma() const { return config_.profile.dma_delay_max != 0; }
  void ScheduleTxStep();
  bool BeginSlowStop(bool transmit);
  void FinishTxStop();
  void FinishRxStop();
  void ResetProfileState();
  bool WritesIgnored() const { return clock_.Now() < reset_until_; }
  void NoteSiaLink(bool up);
  void ScheduleFlap();
  uint32_t LaggedCsr15(uint32_t value) const;
  uint32_t EmptyDescriptorStatus() const;
  uint32_t DuplexMismatchStatus() const;
  bool ThresholdUnderflow(uint32_t length);
  uint32_t SerialClocksSeen(uint32_t value);
  uint32_t SerialDataAsSeen(uint32_t value) const;

  void Trace(TraceEntry::Kind kind, uint32_t address, uint32_t value) {
    trace_.push_back(TraceEntry{kind, clock_.Now(), address, value});
  }

  Board& self_;
  VirtualClock& clock_;
  DmaSpace& dma_;
  BoardConfig config_;
  detail::PciConfig pci_;
  detail::SerialEeprom eeprom_;
  detail::MiiManagement mii_;
  std::unique_ptr<detail::Phy> phy_;  // null for PhyModel::kNone
  detail::SerialInterface sia_;
  detail::AddressFilter filter_;

  uint32_t csr_[16] = {};
  uint32_t events_ = 0;  // CSR5 event and error bits
  uint32_t rx_state_ = 0, tx_state_ = 0;
  uint32_t missed_ = 0;  // CSR8 as it will read
  bool line_ = false;
  std::function<void(bool)> listener_;

  // Transmit.
  uint32_t tx_current_ = 0;
  bool tx_walking_ = false, tx_poll_again_ = false;
  bool tx_single_step_ = false;  // TakeTxStep: one descriptor, then stop
  std::vector<uint8_t> tx_frame_;
  uint32_t tx_length_ = 0;
  bool tx_open_ = false;       // a first segment was taken, the last not yet
  bool tx_jabber_ = false;     // the open frame outgrew kMaxFrame
  uint32_t tx_first_tdes1_ = 0;
  bool tx_in_flight_ = false;  // a paced frame is on the wire
  VirtualClock::EventId tx_event_ = 0;
  uint32_t tx_pending_descriptor_ = 0, tx_pending_status_ = 0;
  bool tx_pending_interrupt_ = false;
  uint64_t tx_pending_epoch_ = 0;
  std::deque<TxFault> faults_;

  // Receive.
  uint32_t rx_current_ = 0;
  uint32_t dribble_left_ = 0;
  struct RxStatusWord {
    uint32_t descriptor, value;
  };
  struct PendingRxFrame {
    Nanoseconds due;
    uint32_t bytes;
    bool whole;  // stored without an overflow or a watchdog cut
    std::vector<RxStatusWord> words;
  };
  bool rx_profiled_ = false;                  // any of the receive profile behaviours
  std::vector<RxStatusWord> rx_words_;        // of the frame being stored
  std::deque<PendingRxFrame> rx_pending_;     // stored, status not yet written
  VirtualClock::EventId rx_writeback_event_ = 0;
  Nanoseconds rx_last_due_ = 0, rx_wire_free_at_ = 0;
  bool rx_activity_ = false;  // CSR12 bit 9 since its last read

  // Link.
  LinkMode link_mode_ = LinkMode::kNone;
  uint64_t link_epoch_ = 0;  // counts link losses
  VirtualClock::EventId link_event_ = 0;

  ChaosSource* chaos_ = nullptr;
  DistortedPhy distorted_phy_{*this};
  // Profile state.
  uint64_t rng_ = 0;
  VirtualClock::EventId tx_step_event_ = 0, tx_stop_event_ = 0, rx_stop_event_ = 0;
  bool tx_stopping_ = false, tx_stop_due_ = false, rx_stopping_ = false;
  Nanoseconds reset_until_ = 0;
  VirtualClock::EventId flap_event_ = 0;
  bool sia_link_before_ = false;
  Nanoseconds sia_link_changed_at_ = 0;
  Nanoseconds serial_clock_at_ = 0;  // last clock level change on CSR9
  uint32_t serial_data_before_ = 0;  // data bits readable before that change

  bool trace_on_ = false;
  std::vector<TraceEntry> trace_;
  Counters counters_;
};

}  // namespace sim

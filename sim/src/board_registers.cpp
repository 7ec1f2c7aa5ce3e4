// CSR dispatch: what each register read and write does.
#include "board_impl.h"

namespace sim {

namespace {
constexpr uint32_t kCsrWindow = 16 * 8;
}

uint32_t Board::Impl::ReadCsr(uint32_t offset) {
  uint32_t value = 0xffffffffu;
  if (offset < kCsrWindow && !(offset & 7) && pci_.CsrDecoding()) {
    uint32_t n = offset >> 3;
    switch (n) {
      case 5: {
        // The summary bits drive the interrupt line; a lie about them would
        // be a storm no driver could end.
        uint32_t own = Csr5();
        uint32_t summary = bits::kNormalSummary | bits::kAbnormalSummary;
        value = (Distort(ChaosPoint::kCsr5, own) & ~summary) | (own & summary);
        break;
      }
      case 8: value = Distort(ChaosPoint::kCsr8, ReadMissedFrames()); break;
      case 9: value = Distort(ChaosPoint::kCsr9, SerialDataAsSeen(SerialPortValue())); break;
      case 12: value = Distort(ChaosPoint::kCsr12, sia_.Csr12()); break;
      case 13: value = sia_.Csr13(); break;
      case 14: value = sia_.Csr14(); break;
      case 15: value = LaggedCsr15(sia_.Csr15()); break;
      default: value = csr_[n]; break;
    }
    if (__builtin_expect(config_.profile.documented_registers, 0)) value = AsDocumented(n, value);
  }
  if (__builtin_expect(trace_on_, 0)) Trace(TraceEntry::kCsrRead, offset, value);
  return value;
}

void Board::Impl::WriteCsr(uint32_t offset, uint32_t value) {
  if (__builtin_expect(trace_on_, 0)) Trace(TraceEntry::kCsrWrite, offset, value);
  if (offset >= kCsrWindow || (offset & 7) || !pci_.CsrDecoding() || WritesIgnored()) return;
  switch (offset >> 3) {
    case 0:
      if (value & bits::kSoftwareReset) SoftwareReset();
      else csr_[0] = value;
      break;
    case 1: TxPoll(); break;
    case 2: RxPoll(); break;
    case 3:  // list bases also set the current position
      csr_[3] = rx_current_ = value;
      break;
    case 4: csr_[4] = tx_current_ = value; break;
    case 5: AcknowledgeEvents(value); break;
    case 6: WriteOperationMode(value); break;
    case 7: csr_[7] = value; break;
    case 8:
    case 12:
      break;  // read-only
    case 9: WriteSerialPort(value); break;
    case 13:
      if (sia_.WriteCsr13(value) && !phy_) Relink(true);
      break;
    case 14:
      if (sia_.WriteCsr14(value) && !phy_) Relink(true);
      break;
    case 15: sia_.WriteCsr15(value); break;
    default: csr_[offset >> 3] = value; break;
  }
  UpdateInterruptLine();
}

void Board::Impl::SoftwareReset() {
  clock_.Cancel(tx_event_);
  tx_event_ = 0;
  ResetProfileState();
  tx_in_flight_ = tx_open_ = tx_jabber_ = false;
  tx_length_ = 0;
  for (uint32_t& r : csr_) r = 0;
  csr_[0] = bits::kCsr0AtReset;
  csr_[6] = bits::kCsr6AtReset;
  events_ = 0;
  rx_state_ = tx_state_ = 0;
  rx_current_ = tx_current_ = 0;
  missed_ = 0;
  filter_.Reset();
  eeprom_.Reset();
  mii_.Reset();
  bool sia_was_running = sia_.Running();
  sia_.Reset();
  if (config_.profile.documented_registers) DocumentedReset();
  if (!phy_ && sia_was_running) Relink(true);
}

void Board::Impl::WriteOperationMode(uint32_t value) {
  uint32_t old = csr_[6];
  csr_[6] = value;
  uint32_t rising = value & ~old, falling = old & ~value;
  if (falling & bits::kStartRx) StopRx();
  if (falling & bits::kStartTx) StopTx();
  if (rising & bits::kStartRx) StartRx();
  if (rising & bits::kStartTx) StartTx();
}

// CSR9 drives two serial buses at once: the EEPROM (only while the serial ROM
// is selected, bit 11) and the MII management lines.
void Board::Impl::WriteSerialPort(uint32_t value) {
  value = SerialClocksSeen(value);
  csr_[9] = value;
  bool rom = value & bits::kSromSelect;
  eeprom_.Drive(rom && (value & bits::kSromChipSelect), value & bits::kSromClock, value & bits::kSromDataIn);
  detail::MiiDevice* phy = phy_.get();
  if (chaos_ != nullptr && phy != nullptr) phy = &distorted_phy_;
  mii_.Clock(value & bits::kMdc, MdioLine(value), phy);
}

uint32_t Board::Impl::SerialPortValue() const {
  uint32_t value = csr_[9] & ~(bits::kSromDataOut | bits::kMdi);
  if ((value & bits::kSromSelect) && eeprom_.DataOut()) value |= bits::kSromDataOut;
  if (MdioLine(value)) value |= bits::kMdi;
  return value;
}

// With the host's driver released the management data line shows the PHY (or
// the line's idle level when nothing drives it); otherwise the host's output.
bool Board::Impl::MdioLine(uint32_t csr9) const {
  if (!(csr9 & bits::kMiiReadMode)) return (csr9 & bits::kMdo) != 0;
  return mii_.Driving() ? mii_.Output() : config_.profile.mdio_idles_high;
}

uint32_t Board::Impl::ReadMissedFrames() {
  uint32_t value = missed_;
  missed_ = 0;
  return value;
}

}  // namespace sim

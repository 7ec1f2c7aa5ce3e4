// Construction and the board's public face; the work is in board_*.cpp.
#include <algorithm>

#include "board_impl.h"

namespace sim {

Board::Impl::Impl(Board& self, VirtualClock& clock, DmaSpace& dma, const BoardConfig& config)
    : self_(self), clock_(clock), dma_(dma), config_(config), pci_(config_), eeprom_(config_.eeprom) {
  // A profile lengthens the PHY reset, never shortens one a test asked for.
  config_.phy_reset_reads = std::max(config_.phy_reset_reads, config_.profile.phy_reset_reads);
  if (config_.phy != PhyModel::kNone) phy_ = std::make_unique<detail::Phy>(config_, *this);
  tx_frame_.resize(kMaxFrame + 64);
  csr_[0] = bits::kCsr0AtReset;
  csr_[6] = bits::kCsr6AtReset;
  if (config_.profile.documented_registers) DocumentedReset();
  const BoardProfile& p = config_.profile;
  rx_profiled_ = p.documented_registers || p.rx_writeback_max != 0 || p.rx_fifo_bytes != 0 || p.rx_watchdog ||
                 p.rx_running_lengths;
}

Board::Impl::~Impl() {
  clock_.Cancel(tx_event_);
  clock_.Cancel(link_event_);
  clock_.Cancel(flap_event_);
  ResetProfileState();
}

Board::Board(VirtualClock& clock, DmaSpace& dma, const BoardConfig& config)
    : impl_(std::make_unique<Impl>(*this, clock, dma, config)) {}

Board::~Board() = default;

const BoardConfig& Board::config() const { return impl_->config_; }

uint32_t Board::ReadCsr(uint32_t offset) { return impl_->ReadCsr(offset); }
void Board::WriteCsr(uint32_t offset, uint32_t value) { impl_->WriteCsr(offset, value); }

uint32_t Board::ReadPciConfig(uint32_t offset) {
  uint32_t value = impl_->pci_.Read(offset);
  if (impl_->trace_on_) impl_->Trace(TraceEntry::kPciRead, offset, value);
  return value;
}

void Board::WritePciConfig(uint32_t offset, uint32_t value) {
  if (impl_->trace_on_) impl_->Trace(TraceEntry::kPciWrite, offset, value);
  impl_->pci_.Write(offset, value);
}

bool Board::InterruptAsserted() const { return impl_->line_; }
void Board::SetInterruptListener(std::function<void(bool asserted)> listener) { impl_->listener_ = std::move(listener); }

uint16_t Board::EepromWord(uint32_t address) const { return address < 64 ? impl_->config_.eeprom[address] : 0xffff; }
void Board::SetEepromWord(uint32_t address, uint16_t value) {
  if (address < 64) impl_->config_.eeprom[address] = value;
}

uint16_t Board::PhyRegister(uint32_t reg) const { return impl_->phy_ && reg < 32 ? impl_->phy_->Peek(reg) : 0xffff; }

void Board::SetPhyRegister(uint32_t reg, uint16_t value) {
  if (impl_->phy_ && reg < 32) {
    impl_->phy_->MiiWrite(reg, value);
    impl_->UpdateInterruptLine();
  }
}

LinkMode Board::CurrentMode() const { return impl_->link_mode_; }
bool Board::PhyInterruptLine() const { return impl_->phy_ && impl_->phy_->InterruptLine(); }

void Board::InjectTxFault(const TxFault& fault) {
  if (fault.count > 0) impl_->faults_.push_back(fault);
}
void Board::InjectRxDribble(uint32_t count) { impl_->dribble_left_ += count; }

const ReceiveFilter& Board::filter() const { return impl_->filter_.state(); }

bool Board::TakeDmaStep() { return impl_->TakeTxStep(); }

void Board::SetChaosSource(ChaosSource* source) {
  impl_->chaos_ = source;
  impl_->eeprom_.SetChaosSource(source);
}

void Board::EnableTrace(bool on) { impl_->trace_on_ = on; }
const std::vector<TraceEntry>& Board::trace() const { return impl_->trace_; }
void Board::ClearTrace() { impl_->trace_.clear(); }

const Board::Counters& Board::counters() const { return impl_->counters_; }

void Board::FrameArrived(const uint8_t* frame, uint32_t length) { impl_->Receive(frame, length); }
void Board::PeerChanged() { impl_->Relink(false); }
bool Board::AutoNegotiates() const { return impl_->PortAutoNegotiates(); }
Abilities Board::Advertised() const { return impl_->PortAdvertised(); }
LinkMode Board::ForcedMode() const { return impl_->PortForcedMode(); }
bool Board::Transmitting() const { return impl_->PortTransmitting(); }

}  // namespace sim

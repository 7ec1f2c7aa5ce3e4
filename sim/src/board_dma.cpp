// Bus-master access to host memory, and what a failed access does.
#include "board_impl.h"

namespace sim {

bool Board::Impl::DmaRead(uint32_t address, void* dst, uint32_t length) {
  if (__builtin_expect(trace_on_, 0)) Trace(TraceEntry::kDmaRead, address, length);
  if (pci_.BusMaster() && dma_.DmaRead(address, dst, length)) return true;
  FatalBusError();
  return false;
}

bool Board::Impl::DmaWrite(uint32_t address, const void* src, uint32_t length) {
  if (__builtin_expect(trace_on_, 0)) Trace(TraceEntry::kDmaWrite, address, length);
  if (pci_.BusMaster() && dma_.DmaWrite(address, src, length)) return true;
  FatalBusError();
  return false;
}

bool Board::Impl::ReadDescriptor(uint32_t address, uint32_t (&words)[4]) {
  uint8_t raw[16];
  if (!DmaRead(address, raw, sizeof raw)) return false;
  for (int i = 0; i < 4; ++i) words[i] = LoadLe32(raw + 4 * i);
  return true;
}

bool Board::Impl::WriteStatusWord(uint32_t address, uint32_t value) {
  uint8_t raw[4];
  StoreLe32(raw, value);
  return DmaWrite(address, raw, sizeof raw);
}

// A master abort (bus mastering off, or an address no memory answers) is a
// fatal bus error: both processes stop until the driver restarts them.
void Board::Impl::FatalBusError() {
  ++counters_.dma_errors;
  RaiseEvents(bits::kSystemError | bits::kMasterAbort);
  rx_state_ = tx_state_ = 0;
  tx_open_ = false;
}

uint32_t Board::Impl::NextDescriptor(uint32_t address, uint32_t des1, uint32_t des3, uint32_t base) const {
  if (des1 & bits::kEndOfRing) return base;
  if (des1 & bits::kChained) return des3;
  uint32_t skip_words = (csr_[0] >> 2) & 0x1f;  // CSR0 descriptor skip length
  return address + 16 + 4 * skip_words;
}

}  // namespace sim

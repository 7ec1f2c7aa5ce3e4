#include "chip_view.h"

#include <chrono>

#include "hostpci/pci_device.h"
#include "sim/csr9_master.h"
#include "trx_regs.h"

namespace simlab {

void PauseForRealChip() {
  auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(1);
  while (std::chrono::steady_clock::now() < until) {
  }
}

uint16_t EepromWord(Port& port, uint32_t address) {
  if (port.board) return port.board->EepromWord(address);
  return sim::Csr9Master<hostndis::Device>(*port.device, PauseForRealChip).SromWord(address);
}

uint16_t PhyRegister(Port& port, uint32_t reg) {
  if (port.board) return port.board->PhyRegister(reg);
  return sim::Csr9Master<hostndis::Device>(*port.device, PauseForRealChip).MiiRead(1, reg);
}

uint32_t ReadCsr(Port& port, uint32_t offset) { return port.device->ReadCsr(offset); }

uint32_t LastWritten(Port& port, uint32_t offset) {
  if (port.pci) return port.pci->LastWritten(offset);
  uint32_t value = 0;
  for (const sim::TraceEntry& e : port.board->trace())
    if (e.kind == sim::TraceEntry::kCsrWrite && e.address == offset) value = e.value;
  return value;
}

sim::ReceiveFilter CurrentFilter(Lab& lab, Port& port) {
  if (port.board) return port.board->filter();
  const ADAPTER_CONTEXT* a = lab.ContextWithRecords(port);
  return a == nullptr ? sim::ReceiveFilter() : SetupFrameFilter(lab.host().memory(), *a);
}

sim::ReceiveFilter SetupFrameFilter(hostndis::PhysicalMemory& memory, const ADAPTER_CONTEXT& a) {
  if (a.TxRecords == nullptr || a.TxHead == nullptr || a.TxCount == 0) return {};
  // Back from the head: the newest setup descriptor the chip has given back.
  ULONG head = ULONG(a.TxHead - a.TxRecords);
  for (ULONG back = 1; back <= a.TxCount; ++back) {
    PULONG d = a.TxRecords[(head + a.TxCount - back) % a.TxCount].Descriptor;
    if ((d[1] & TDES1_SETUP_FRAME) == 0 || (d[0] & TDES0_OWN) != 0) continue;
    uint8_t setup[TRX_SETUP_FRAME_SIZE];
    if (!memory.DmaRead(d[2], setup, sizeof(setup))) return {};
    return sim::DecodeSetupFrame(setup, d[1]);
  }
  return {};
}

}  // namespace simlab

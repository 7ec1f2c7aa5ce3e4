// Interrupt registration and delivery. A device's line drives delivery: when
// it rises and the processor is below device level, the ISRs on its vector
// run at once, as hardware would preempt; a deferred interrupt routine they
// ask for waits until no handler is running. A level-sensitive line that
// stays up after the ISRs ran is served again, up to a limit, and a line that
// every ISR declined or that never drops is reported as a storm and muted.
#include <algorithm>

#include "hostndis/detail/machine.h"

namespace hostndis::detail {

void Machine::LineChanged(Device* device, bool asserted) {
  // A test may drive a device directly while another host is current.
  MakeCurrent();
  if (!asserted) {
    // A muted vector is heard again once every line on it has dropped.
    for (size_t i = 0; i < muted_vectors.size();) {
      bool up = false;
      for (const InterruptRecord& r : interrupts)
        if (r.alive && r.vector == muted_vectors[i] && r.owner->device->InterruptAsserted()) up = true;
      if (up)
        ++i;
      else
        muted_vectors.erase(muted_vectors.begin() + static_cast<long>(i));
    }
    return;
  }
  for (InterruptRecord& r : interrupts)
    if (r.alive && r.owner->device == device) r.pending = true;
  DeliverInterrupts();
}

bool Machine::RunIsrChain(UINT vector) {
  for (size_t i = 0; i < interrupts.size(); ++i) {
    if (!interrupts[i].alive || interrupts[i].vector != vector) continue;
    interrupts[i].pending = false;
    Miniport* m = interrupts[i].owner;
    bool request_isr = interrupts[i].request_isr;
    BOOLEAN recognized = FALSE;
    BOOLEAN queue = FALSE;
    KIRQL saved_irql = irql;
    Miniport* saved_running = running;
    size_t held_before = held_locks.size();
    irql = hostndis::kDeviceIrql;
    in_isr = true;
    running = m;
    if (request_isr) {
      m->chars30().ISRHandler(&recognized, &queue, m->context);
    } else {
      // Without an ISR of its own the miniport's interrupt is masked by its
      // DisableInterrupt handler and always served.
      m->chars30().DisableInterruptHandler(m->context);
      recognized = queue = TRUE;
    }
    if (held_locks.size() != held_before) ReleaseLeftLocks(held_before, "the ISR");
    in_isr = false;
    running = saved_running;
    irql = saved_irql;
    if (queue) QueueDpc(m);
    if (recognized) {
      for (InterruptRecord& r : interrupts)
        if (r.alive && r.vector == vector) r.pending = false;
      return true;
    }
  }
  return false;
}

void Machine::DeliverInterrupts() {
  if (in_isr || delivering || irql >= hostndis::kDeviceIrql) return;
  delivering = true;
  std::vector<std::pair<UINT, uint32_t>> rounds;
  for (;;) {
    const InterruptRecord* next = nullptr;
    for (const InterruptRecord& r : interrupts)
      if (r.alive && r.pending && std::find(muted_vectors.begin(), muted_vectors.end(), r.vector) == muted_vectors.end()) {
        next = &r;
        break;
      }
    if (next == nullptr) break;
    UINT vector = next->vector;
    bool recognized = RunIsrChain(vector);
    bool still_up = false;
    for (InterruptRecord& r : interrupts) {
      if (!r.alive || r.vector != vector) continue;
      if (r.mode == NdisInterruptLevelSensitive && r.owner->device->InterruptAsserted()) r.pending = true;
      still_up = still_up || r.pending;
    }
    if (!still_up) continue;
    auto it = std::find_if(rounds.begin(), rounds.end(), [&](const auto& p) { return p.first == vector; });
    if (it == rounds.end()) it = rounds.insert(rounds.end(), {vector, 0});
    const char* why = nullptr;
    if (!recognized)
      why = "stays asserted after every ISR on it declined the interrupt";
    else if (++it->second >= config.storm_limit)
      why = "stays asserted although the ISR keeps claiming the interrupt";
    if (why == nullptr) continue;
    Report(rule::kInterruptStorm, "the level-sensitive line of vector " + std::to_string(vector) + " " + why +
                                      "; a real machine would loop in the ISR (vector muted until the line drops)");
    muted_vectors.push_back(vector);
    for (InterruptRecord& r : interrupts)
      if (r.vector == vector) r.pending = false;
  }
  delivering = false;
}

void Machine::RunDpc(Miniport* m) {
  m->dpc_queued = false;
  if (m->interrupt < 0 || !interrupts[m->interrupt].alive) return;
  bool request_isr = interrupts[m->interrupt].request_isr;
  RunHandler(m, DISPATCH_LEVEL, "HandleInterrupt", [&] {
    m->chars30().HandleInterruptHandler(m->context);
    if (!request_isr && m->chars30().EnableInterruptHandler) m->chars30().EnableInterruptHandler(m->context);
  });
}

void Machine::DropInterrupt(Miniport* m) {
  if (m->interrupt >= 0) interrupts[m->interrupt].alive = false;
  m->interrupt = -1;
  m->dpc_queued = false;
}

}  // namespace hostndis::detail

using hostndis::detail::InterruptRecord;
using hostndis::detail::Machine;
using hostndis::detail::Miniport;

extern "C" {

NDIS_STATUS NdisMRegisterInterrupt(PNDIS_MINIPORT_INTERRUPT Interrupt, NDIS_HANDLE MiniportAdapterHandle,
                                   UINT InterruptVector, UINT InterruptLevel, BOOLEAN RequestIsr,
                                   BOOLEAN SharedInterrupt, NDIS_INTERRUPT_MODE InterruptMode) {
  const char* op = "NdisMRegisterInterrupt";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return NDIS_STATUS_FAILURE;
  Miniport* m = mc->MiniportFromHandle(MiniportAdapterHandle, op);
  if (m == nullptr) return NDIS_STATUS_FAILURE;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  mc->CheckInitializing(m, op);
  if (Interrupt == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisMRegisterInterrupt given a null interrupt object");
    return NDIS_STATUS_FAILURE;
  }
  NDIS_STATUS status;
  if (mc->InjectFault(hostndis::Op::kNdisMRegisterInterrupt, &status)) return status;
  if (m->interrupt >= 0) {
    mc->Report(hostndis::rule::kBadArgument, "NdisMRegisterInterrupt called twice for one adapter");
    return NDIS_STATUS_FAILURE;
  }
  const hostndis::DeviceResources& res = m->device->resources();
  if (!res.has_interrupt || res.interrupt_vector != InterruptVector || res.interrupt_level != InterruptLevel)
    return NDIS_STATUS_RESOURCE_CONFLICT;
  if (RequestIsr ? m->chars30().ISRHandler == nullptr : m->chars30().DisableInterruptHandler == nullptr)
    return NDIS_STATUS_FAILURE;
  Interrupt->InterruptObject = nullptr;
  Interrupt->MiniportIsr = m->chars30().ISRHandler;
  Interrupt->MiniportDpc = m->chars30().HandleInterruptHandler;
  Interrupt->Miniport = reinterpret_cast<PNDIS_MINIPORT_BLOCK>(m);
  Interrupt->DpcCount = 0;
  Interrupt->SharedInterrupt = SharedInterrupt;
  Interrupt->IsrRequested = RequestIsr;
  mc->interrupts.push_back(InterruptRecord{Interrupt, m, InterruptVector, InterruptLevel, SharedInterrupt != FALSE,
                                           RequestIsr != FALSE, InterruptMode, true, false});
  m->interrupt = static_cast<int32_t>(mc->interrupts.size() - 1);
  if (m->device->InterruptAsserted()) {
    mc->interrupts.back().pending = true;
    mc->DeliverInterrupts();
  }
  return NDIS_STATUS_SUCCESS;
}

VOID NdisMDeregisterInterrupt(PNDIS_MINIPORT_INTERRUPT Interrupt) {
  const char* op = "NdisMDeregisterInterrupt";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  for (InterruptRecord& r : mc->interrupts) {
    if (r.alive && r.object == Interrupt) {
      mc->DropInterrupt(r.owner);
      return;
    }
  }
  mc->Report(hostndis::rule::kFreeUnknown, "NdisMDeregisterInterrupt on an interrupt that is not registered");
}

}  // extern "C"

// What an adapter must have given back after Halt or a failed Initialize.
// Each leftover is reported once and then reclaimed.
#include <cstdlib>

#include "hostndis/detail/machine.h"

namespace hostndis::detail {

void Machine::AuditAndReclaim(Miniport* m, const char* when) {
  const std::string after = std::string(" ") + when;

  for (auto it = memory_records.begin(); it != memory_records.end();) {
    if (it->second.owner != m) {
      ++it;
      continue;
    }
    Report(rule::kLeakMemory, std::to_string(it->second.length) + " bytes from NdisAllocateMemory at " +
                                  Hex(reinterpret_cast<uintptr_t>(it->first)) + " not freed" + after);
    if (it->second.region.virt != nullptr)
      memory.Free(it->second.region);
    else
      std::free(const_cast<void*>(it->first));
    it = memory_records.erase(it);
  }
  for (auto it = shared_records.begin(); it != shared_records.end();) {
    if (it->second.owner != m) {
      ++it;
      continue;
    }
    Report(rule::kLeakSharedMemory, std::to_string(it->second.length) + " bytes of " +
                                        (it->second.cached ? "cached" : "non-cached") + " shared memory not freed" + after);
    memory.Free(it->second.region);
    it = shared_records.erase(it);
  }
  for (auto& p : packet_pools) {
    if (p->owner() != m || !p->alive()) continue;
    Report(rule::kLeakPool, "a packet pool of " + std::to_string(p->count()) + " packets not freed" + after);
    p->Release();
  }
  for (auto& p : buffer_pools) {
    if (p->owner() != m || !p->alive()) continue;
    Report(rule::kLeakPool, "a buffer pool not freed" + after);
    p->Release();
  }
  if (m->map_registers_allocated) {
    for (size_t i = 0; i < m->map_registers.size(); ++i)
      if (m->map_registers[i].active)
        Report(rule::kLeakMapping, "map register " + std::to_string(i) + " still maps a buffer" + after);
    Report(rule::kLeakMapRegisters, std::to_string(m->map_registers.size()) + " map registers not freed" + after);
    m->map_registers.clear();
    m->map_registers_allocated = false;
  }
  if (m->interrupt >= 0) {
    Report(rule::kLeakInterrupt, "the interrupt is still registered" + after);
    DropInterrupt(m);
  }
  if (m->shutdown_registered) {
    Report(rule::kLeakShutdownHandler, "the shutdown handler is still registered" + after);
    m->shutdown_registered = false;
  }
  for (IoMapping& w : io_mappings) {
    if (!w.alive || w.owner != m) continue;
    Report(rule::kLeakIoSpace, "a register window of " + std::to_string(w.length) + " bytes still mapped" + after);
    w.alive = false;
    io_cache = IoMapping();
  }
  for (auto& c : m->configs) {
    if (!c->open) continue;
    Report(rule::kLeakConfiguration, "a configuration handle left open" + after);
    c->open = false;
  }
  for (LockRecord& r : locks) {
    if (!r.alive || r.owner != m) continue;
    Report(rule::kLeakSpinLock, "the " + LockName(r) + " was never freed (NdisFreeSpinLock)" + after);
    r.alive = false;
  }
  for (TimerRecord& t : timers) {
    if (!t.alive || t.owner != m) continue;
    if (t.set || t.queued) Report(rule::kLeakTimer, "a timer is still set" + after);
    if (t.set) clock.Cancel(t.event);
    t.alive = t.set = t.queued = false;
  }
}

}  // namespace hostndis::detail

// The machine's bookkeeping: the current host, handle lookups, the common
// checks, and the queue of work that waits for no handler to be running.
#include "hostndis/detail/machine.h"

#include <sys/mman.h>

#include <cstdio>
#include <cstdlib>

namespace hostndis::detail {

namespace {
Machine* g_current = nullptr;
constexpr uint32_t kIoSlotSize = 0x10000;
constexpr uint32_t kIoSlots = 64;
}  // namespace

std::string Hex(uint64_t value) {
  char text[24];
  std::snprintf(text, sizeof(text), "0x%llx", static_cast<unsigned long long>(value));
  return text;
}

Miniport::Miniport(Machine* m, Device* d, const AdapterOptions& o) : machine(m), device(d), options(o) {
  send_pool = std::make_unique<PacketPool>(options.send_packets, 16, this);
  send_buffers = std::make_unique<BufferPool>(options.send_packets * 4, this);
  send_slots.resize(options.send_packets);
}

Miniport::~Miniport() {
  for (SendSlot& s : send_slots)
    for (const PhysicalMemory::Region& r : s.regions) machine->memory.Free(r);
}

const NDIS_MINIPORT_CHARACTERISTICS& Miniport::chars() const { return machine->characteristics; }

Machine::Machine(const HostConfig& c)
    : config(c),
      real_start(std::chrono::steady_clock::now()),
      memory(c.contiguous_pages, c.scattered_pages, c.physical_base, c.physical_memory_fd) {
  void* p = mmap(nullptr, static_cast<size_t>(kIoSlots) * kIoSlotSize, PROT_NONE,
                 MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p != MAP_FAILED) {
    io_base = static_cast<uint8_t*>(p);
    io_slots = kIoSlots;
  }
  registry_path_text = u"\\Registry\\Machine\\System\\CurrentControlSet\\Services\\Miniport";
  registry_path.Buffer = registry_path_text.data();
  registry_path.Length = static_cast<USHORT>(registry_path_text.size() * 2);
  registry_path.MaximumLength = static_cast<USHORT>(registry_path.Length + 2);
  driver_object.Type = 4;
  driver_object.Size = sizeof(DRIVER_OBJECT);
  memory.SetUnallocatedAccessHook([this](bool write, uint32_t address, uint32_t length) {
    Report(rule::kDmaFreedMemory, std::string("device DMA ") + (write ? "write of " : "read of ") +
                                      std::to_string(length) + " bytes at " + Hex(address) +
                                      ", memory that is not allocated (freed, or never handed out)");
  });
}

Machine::~Machine() {
  // Devices may call back into the machine from their destructors' listeners.
  for (auto& d : devices) d->SetInterruptListener(nullptr);
  miniports.clear();
  if (io_base) munmap(io_base, static_cast<size_t>(io_slots) * kIoSlotSize);
  // Pool memory from malloc; the rest (contiguous, or pool kept in physical
  // memory for an image) goes with the physical memory.
  for (auto& [virt, record] : memory_records)
    if (record.region.virt == nullptr) std::free(const_cast<void*>(virt));
  if (g_current == this) g_current = nullptr;
}

Machine* Machine::Current(const char* op) {
  if (g_current == nullptr) std::fprintf(stderr, "hostndis: %s called with no host running\n", op);
  return g_current;
}

void Machine::MakeCurrent() { g_current = this; }

Miniport* Machine::MiniportFromHandle(NDIS_HANDLE handle, const char* op) {
  for (auto& m : miniports)
    if (m.get() == handle) return m.get();
  Report(rule::kBadHandle, std::string(op) + " given " + Hex(reinterpret_cast<uintptr_t>(handle)) +
                               ", which is no miniport adapter handle");
  return nullptr;
}

Miniport* Machine::MiniportFromConfigContext(NDIS_HANDLE handle, const char* op) {
  for (auto& m : miniports)
    if (&m->config_context_tag == handle) return m.get();
  Report(rule::kBadHandle, std::string(op) + " given " + Hex(reinterpret_cast<uintptr_t>(handle)) +
                               ", which is no wrapper configuration context");
  return nullptr;
}

ConfigHandle* Machine::ConfigFromHandle(NDIS_HANDLE handle, const char* op) {
  for (auto& m : miniports)
    for (auto& c : m->configs)
      if (c.get() == handle) {
        if (c->open) return c.get();
        Report(rule::kBadHandle, std::string(op) + " given a configuration handle that was already closed");
        return nullptr;
      }
  Report(rule::kBadHandle, std::string(op) + " given " + Hex(reinterpret_cast<uintptr_t>(handle)) +
                               ", which is no configuration handle");
  return nullptr;
}

PacketPool* Machine::PacketPoolFromHandle(NDIS_HANDLE handle) {
  for (auto& p : packet_pools)
    if (p.get() == handle) return p.get();
  return nullptr;
}

BufferPool* Machine::BufferPoolFromHandle(NDIS_HANDLE handle) {
  for (auto& p : buffer_pools)
    if (p.get() == handle) return p.get();
  return nullptr;
}

bool Machine::FindDriverPacket(const void* packet, PacketPool** pool, int32_t* index) {
  for (auto& p : packet_pools) {
    int32_t i = p->IndexOf(packet);
    if (i >= 0 && p->slot(static_cast<uint32_t>(i)).allocated) {
      *pool = p.get();
      *index = i;
      return true;
    }
  }
  return false;
}

BufferSlot* Machine::FindBuffer(const void* buffer, BufferPool** pool) {
  BufferPool* found = nullptr;
  BufferSlot* slot = nullptr;
  for (auto& p : buffer_pools)
    if ((slot = p->SlotOf(buffer)) != nullptr) {
      found = p.get();
      break;
    }
  if (found == nullptr)
    for (auto& m : miniports)
      if ((slot = m->send_buffers->SlotOf(buffer)) != nullptr) {
        found = m->send_buffers.get();
        break;
      }
  if (found == nullptr || !slot->in_use) return nullptr;
  if (pool) *pool = found;
  return slot;
}

bool Machine::CheckIrqlAtMost(KIRQL max, const char* op) {
  if (irql <= max) return true;
  Report(rule::kIrqlTooHigh, std::string(op) + " called at IRQL " + std::to_string(irql) + "; it runs at IRQL " +
                                 std::to_string(max) + " or below");
  return false;
}

void Machine::CheckNoLockHeld(const char* op) {
  if (held_locks.empty()) return;
  Report(rule::kLockHeldAcrossIndication,
         std::string(op) + " called while the driver holds " + std::to_string(held_locks.size()) +
             " spin lock(s); no lock may be held across a call into NDIS");
}

void Machine::CheckInitializing(Miniport* m, const char* op) {
  if (m->state == MiniportState::kInitializing) return;
  Report(rule::kInitializeOnly, std::string(op) + " called outside the Initialize handler");
}

HoldDeferred::HoldDeferred(Machine& m) : machine(m) { ++machine.handler_depth; }

HoldDeferred::~HoldDeferred() {
  --machine.handler_depth;
  machine.RunPending();
}

void Machine::Defer(Miniport* m, std::function<void()> call) {
  if (InHandler()) {
    work.push_back(WorkItem{WorkItem::Kind::kCall, m, 0, std::move(call)});
    return;
  }
  call();
}

void Machine::QueueDpc(Miniport* m) {
  if (m->dpc_queued) return;
  m->dpc_queued = true;
  work.push_back(WorkItem{WorkItem::Kind::kDpc, m, 0, {}});
}

void Machine::RunPending() {
  if (draining || InHandler()) return;
  draining = true;
  while (!work.empty() && !InHandler()) {
    WorkItem item = std::move(work.front());
    work.pop_front();
    switch (item.kind) {
      case WorkItem::Kind::kDpc:
        RunDpc(item.miniport);
        break;
      case WorkItem::Kind::kTimer:
        RunTimer(item.timer);
        break;
      case WorkItem::Kind::kCall:
        item.call();
        break;
    }
  }
  draining = false;
}

}  // namespace hostndis::detail

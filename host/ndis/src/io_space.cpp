// Register windows. NdisMMapIoSpace hands out an address inside a reserved,
// inaccessible host range (a plain dereference faults at once); the register
// primitives translate it to the device's register offset. The last window
// used is kept at hand, so the common access costs two comparisons.
#include "hostndis/detail/machine.h"

namespace hostndis::detail {

namespace {
constexpr uint32_t kIoSlotSize = 0x10000;

// The window holding [at, at+4), or null.
IoMapping* FindWindow(Machine* mc, uintptr_t at) {
  for (IoMapping& w : mc->io_mappings) {
    uintptr_t offset = at - w.virt;
    if (w.alive && offset < w.length && offset + 4 <= w.length) return &w;
  }
  return nullptr;
}

Device* Resolve(Machine* mc, volatile ULONG* reg, const char* op, uint32_t* offset) {
  uintptr_t at = reinterpret_cast<uintptr_t>(reg);
  IoMapping& c = mc->io_cache;
  uintptr_t off = at - c.virt;
  if (off < c.length && off + 4 <= c.length && (at & 3) == 0) {
    *offset = c.window_offset + static_cast<uint32_t>(off);
    return c.device;
  }
  if (at & 3) {
    mc->Report(rule::kRegisterWindow, std::string(op) + " at " + Hex(at) + ", which is not 4-byte aligned");
    return nullptr;
  }
  IoMapping* w = FindWindow(mc, at);
  if (w == nullptr) {
    mc->Report(rule::kRegisterWindow, std::string(op) + " at " + Hex(at) + ", outside every mapped register window");
    return nullptr;
  }
  mc->io_cache = *w;
  *offset = w->window_offset + static_cast<uint32_t>(at - w->virt);
  return w->device;
}

}  // namespace
}  // namespace hostndis::detail

using hostndis::detail::IoMapping;
using hostndis::detail::Machine;
using hostndis::detail::Miniport;

extern "C" {

NDIS_STATUS NdisMMapIoSpace(PVOID* VirtualAddress, NDIS_HANDLE MiniportAdapterHandle,
                            NDIS_PHYSICAL_ADDRESS PhysicalAddress, UINT Length) {
  const char* op = "NdisMMapIoSpace";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return NDIS_STATUS_FAILURE;
  Miniport* m = mc->MiniportFromHandle(MiniportAdapterHandle, op);
  if (m == nullptr) return NDIS_STATUS_FAILURE;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  if (VirtualAddress == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisMMapIoSpace given a null VirtualAddress");
    return NDIS_STATUS_FAILURE;
  }
  *VirtualAddress = nullptr;
  NDIS_STATUS status;
  if (mc->InjectFault(hostndis::Op::kNdisMMapIoSpace, &status)) return status;
  const hostndis::DeviceResources& res = m->device->resources();
  uint64_t start = static_cast<uint64_t>(PhysicalAddress.QuadPart);
  if (Length == 0 || Length > hostndis::detail::kIoSlotSize || start < res.csr_physical ||
      start + Length > static_cast<uint64_t>(res.csr_physical) + res.csr_length)
    return NDIS_STATUS_RESOURCE_CONFLICT;
  // A free slot of the reserved range. Slots count from the range's start,
  // which mmap aligns to a page only.
  const uintptr_t io = reinterpret_cast<uintptr_t>(mc->io_base);
  for (uint32_t slot = 0; slot < mc->io_slots; ++slot) {
    uintptr_t base = io + static_cast<uintptr_t>(slot) * hostndis::detail::kIoSlotSize;
    bool used = false;
    for (const IoMapping& w : mc->io_mappings)
      used = used || (w.alive && (w.virt - io) / hostndis::detail::kIoSlotSize == slot);
    if (used) continue;
    IoMapping w;
    w.virt = base + start % hostndis::kPageSize;
    w.length = Length;
    w.window_offset = static_cast<uint32_t>(start - res.csr_physical);
    w.device = m->device;
    w.owner = m;
    w.alive = true;
    mc->io_mappings.push_back(w);
    *VirtualAddress = reinterpret_cast<PVOID>(w.virt);
    return NDIS_STATUS_SUCCESS;
  }
  return NDIS_STATUS_RESOURCES;
}

VOID NdisMUnmapIoSpace(NDIS_HANDLE MiniportAdapterHandle, PVOID VirtualAddress, UINT Length) {
  const char* op = "NdisMUnmapIoSpace";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  Miniport* m = mc->MiniportFromHandle(MiniportAdapterHandle, op);
  if (m == nullptr) return;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  for (IoMapping& w : mc->io_mappings) {
    if (!w.alive || w.owner != m || w.virt != reinterpret_cast<uintptr_t>(VirtualAddress)) continue;
    if (w.length != Length)
      mc->Report(hostndis::rule::kFreeMismatch, "NdisMUnmapIoSpace with length " + std::to_string(Length) +
                                                    " of a window mapped with length " + std::to_string(w.length));
    w.alive = false;
    mc->io_cache = IoMapping();
    return;
  }
  mc->Report(hostndis::rule::kFreeUnknown, "NdisMUnmapIoSpace of " +
                                               hostndis::detail::Hex(reinterpret_cast<uintptr_t>(VirtualAddress)) +
                                               ", which is not a mapped register window of this adapter");
}

ULONG READ_REGISTER_ULONG(volatile ULONG* Register) {
  Machine* mc = Machine::Current("READ_REGISTER_ULONG");
  if (mc == nullptr) return 0xffffffffu;
  uint32_t offset;
  hostndis::Device* d = hostndis::detail::Resolve(mc, Register, "READ_REGISTER_ULONG", &offset);
  return d ? d->ReadCsr(offset) : 0xffffffffu;
}

VOID WRITE_REGISTER_ULONG(volatile ULONG* Register, ULONG Value) {
  Machine* mc = Machine::Current("WRITE_REGISTER_ULONG");
  if (mc == nullptr) return;
  uint32_t offset;
  if (hostndis::Device* d = hostndis::detail::Resolve(mc, Register, "WRITE_REGISTER_ULONG", &offset))
    d->WriteCsr(offset, Value);
}

}  // extern "C"

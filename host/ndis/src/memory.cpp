// Pool memory and shared memory. Every allocation is recorded, so that a
// wrong or second free and anything left at Halt are found; fresh memory is
// filled with a pattern, so that a driver using it uninitialized shows it.
#include <cstdlib>

#include "hostndis/detail/machine.h"

using hostndis::detail::Machine;
using hostndis::detail::MemoryRecord;
using hostndis::detail::Miniport;
using hostndis::detail::SharedRecord;
using hostndis::detail::Hex;

extern "C" {

NDIS_STATUS NdisAllocateMemory(PVOID* VirtualAddress, UINT Length, UINT MemoryFlags,
                               NDIS_PHYSICAL_ADDRESS HighestAcceptableAddress) {
  const char* op = "NdisAllocateMemory";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return NDIS_STATUS_FAILURE;
  if (VirtualAddress == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisAllocateMemory given a null VirtualAddress");
    return NDIS_STATUS_FAILURE;
  }
  *VirtualAddress = nullptr;
  bool physical = (MemoryFlags & (NDIS_MEMORY_CONTIGUOUS | NDIS_MEMORY_NONCACHED)) != 0;
  mc->CheckIrqlAtMost(physical ? PASSIVE_LEVEL : DISPATCH_LEVEL, op);
  NDIS_STATUS status;
  if (mc->InjectFault(hostndis::Op::kNdisAllocateMemory, &status)) return status;
  if (Length == 0) return NDIS_STATUS_FAILURE;
  MemoryRecord record{Length, MemoryFlags, mc->running, physical, {}};
  void* p = nullptr;
  if (physical) {
    if (!mc->memory.AllocateContiguous(Length, 0, &record.region)) return NDIS_STATUS_RESOURCES;
    uint64_t highest = static_cast<uint64_t>(HighestAcceptableAddress.QuadPart);
    if (HighestAcceptableAddress.QuadPart != -1 && record.region.phys + static_cast<uint64_t>(Length) - 1 > highest) {
      mc->memory.Free(record.region);
      return NDIS_STATUS_RESOURCES;
    }
    p = record.region.virt;
  } else if (mc->config.pool_in_physical_memory) {
    // From the protocol zone, so that shared memory lands where it would
    // without the switch.
    if (!mc->memory.AllocateScattered(Length, 0, &record.region)) return NDIS_STATUS_RESOURCES;
    p = record.region.virt;
  } else {
    p = std::malloc(Length);
    if (p == nullptr) return NDIS_STATUS_RESOURCES;
  }
  std::memset(p, mc->config.fill_byte, Length);
  mc->memory_records.emplace(p, record);
  *VirtualAddress = p;
  return NDIS_STATUS_SUCCESS;
}

VOID NdisFreeMemory(PVOID VirtualAddress, UINT Length, UINT MemoryFlags) {
  const char* op = "NdisFreeMemory";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  auto it = mc->memory_records.find(VirtualAddress);
  if (it == mc->memory_records.end()) {
    mc->Report(hostndis::rule::kFreeUnknown, "NdisFreeMemory of " + Hex(reinterpret_cast<uintptr_t>(VirtualAddress)) +
                                                 ", which is not allocated (freed twice, or never allocated)");
    return;
  }
  const MemoryRecord& r = it->second;
  mc->CheckIrqlAtMost(r.physical ? PASSIVE_LEVEL : DISPATCH_LEVEL, op);
  if (r.length != Length)
    mc->Report(hostndis::rule::kFreeMismatch, "NdisFreeMemory with length " + std::to_string(Length) + " of " +
                                                  std::to_string(r.length) + " bytes allocated");
  if (r.flags != MemoryFlags)
    mc->Report(hostndis::rule::kFreeMismatch, "NdisFreeMemory with flags " + Hex(MemoryFlags) +
                                                  " of memory allocated with flags " + Hex(r.flags));
  mc->RetireTimers(VirtualAddress, r.length, op);
  if (r.region.virt != nullptr)
    mc->memory.Free(r.region);
  else
    std::free(VirtualAddress);
  mc->memory_records.erase(it);
}

VOID NdisMAllocateSharedMemory(NDIS_HANDLE MiniportAdapterHandle, ULONG Length, BOOLEAN Cached,
                               PVOID* VirtualAddress, PNDIS_PHYSICAL_ADDRESS PhysicalAddress) {
  const char* op = "NdisMAllocateSharedMemory";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  if (VirtualAddress == nullptr || PhysicalAddress == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisMAllocateSharedMemory given a null output");
    return;
  }
  *VirtualAddress = nullptr;
  PhysicalAddress->QuadPart = 0;
  Miniport* m = mc->MiniportFromHandle(MiniportAdapterHandle, op);
  if (m == nullptr) return;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  NDIS_STATUS status;
  if (mc->InjectFault(hostndis::Op::kNdisMAllocateSharedMemory, &status) || Length == 0) return;
  SharedRecord record{Length, Cached != FALSE, m, {}};
  if (!mc->memory.AllocateContiguous(Length, mc->config.shared_memory_offset, &record.region)) return;
  std::memset(record.region.virt, mc->config.fill_byte, Length);
  mc->shared_records.emplace(record.region.virt, record);
  *VirtualAddress = record.region.virt;
  PhysicalAddress->QuadPart = record.region.phys;
}

VOID NdisMFreeSharedMemory(NDIS_HANDLE MiniportAdapterHandle, ULONG Length, BOOLEAN Cached, PVOID VirtualAddress,
                           NDIS_PHYSICAL_ADDRESS PhysicalAddress) {
  const char* op = "NdisMFreeSharedMemory";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  Miniport* m = mc->MiniportFromHandle(MiniportAdapterHandle, op);
  if (m == nullptr) return;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  auto it = mc->shared_records.find(VirtualAddress);
  if (it == mc->shared_records.end()) {
    mc->Report(hostndis::rule::kFreeUnknown, "NdisMFreeSharedMemory of " +
                                                 Hex(reinterpret_cast<uintptr_t>(VirtualAddress)) +
                                                 ", which is not allocated (freed twice, or never allocated)");
    return;
  }
  const SharedRecord& r = it->second;
  std::string wrong;
  if (r.length != Length) wrong += " length " + std::to_string(Length) + " (allocated " + std::to_string(r.length) + ")";
  if (r.cached != (Cached != FALSE)) wrong += std::string(" cached ") + (Cached ? "TRUE" : "FALSE");
  if (static_cast<uint64_t>(PhysicalAddress.QuadPart) != r.region.phys)
    wrong += " physical address " + Hex(static_cast<uint64_t>(PhysicalAddress.QuadPart)) + " (allocated at " +
             Hex(r.region.phys) + ")";
  if (r.owner != m) wrong += " through another adapter's handle";
  if (!wrong.empty()) mc->Report(hostndis::rule::kFreeMismatch, "NdisMFreeSharedMemory with" + wrong);
  mc->memory.Free(r.region);
  mc->shared_records.erase(it);
}

}  // extern "C"

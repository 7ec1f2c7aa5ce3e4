// Map registers and buffer mappings. A mapping yields one segment per
// physically contiguous run of the buffer, and must be ended with the same
// register and buffer before the register is used again.
#include "hostndis/detail/machine.h"

using hostndis::detail::BufferSlot;
using hostndis::detail::Machine;
using hostndis::detail::Miniport;

extern "C" {

NDIS_STATUS NdisMAllocateMapRegisters(NDIS_HANDLE MiniportAdapterHandle, UINT DmaChannel, NDIS_DMA_SIZE DmaSize,
                                      ULONG PhysicalMapRegistersNeeded, ULONG MaximumPhysicalMapping) {
  const char* op = "NdisMAllocateMapRegisters";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return NDIS_STATUS_FAILURE;
  Miniport* m = mc->MiniportFromHandle(MiniportAdapterHandle, op);
  if (m == nullptr) return NDIS_STATUS_FAILURE;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  mc->CheckInitializing(m, op);
  (void)DmaChannel;
  (void)DmaSize;
  NDIS_STATUS status;
  if (mc->InjectFault(hostndis::Op::kNdisMAllocateMapRegisters, &status)) return status;
  if (m->map_registers_allocated) {
    mc->Report(hostndis::rule::kBadArgument, "NdisMAllocateMapRegisters called twice for one adapter");
    return NDIS_STATUS_FAILURE;
  }
  if (PhysicalMapRegistersNeeded == 0 || MaximumPhysicalMapping == 0) return NDIS_STATUS_FAILURE;
  m->map_registers.assign(PhysicalMapRegistersNeeded, Miniport::MapRegister());
  m->max_mapping = MaximumPhysicalMapping;
  m->map_registers_allocated = true;
  return NDIS_STATUS_SUCCESS;
}

VOID NdisMFreeMapRegisters(NDIS_HANDLE MiniportAdapterHandle) {
  const char* op = "NdisMFreeMapRegisters";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  Miniport* m = mc->MiniportFromHandle(MiniportAdapterHandle, op);
  if (m == nullptr) return;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  if (!m->map_registers_allocated) {
    mc->Report(hostndis::rule::kFreeUnknown, "NdisMFreeMapRegisters without map registers allocated");
    return;
  }
  for (size_t i = 0; i < m->map_registers.size(); ++i) {
    if (!m->map_registers[i].active) continue;
    mc->Report(hostndis::rule::kLeakMapping,
               "map register " + std::to_string(i) + " still maps a buffer when the map registers are freed");
    if (BufferSlot* s = mc->FindBuffer(m->map_registers[i].buffer)) s->mapped_register = -1;
  }
  m->map_registers.clear();
  m->map_registers_allocated = false;
}

VOID NdisMStartBufferPhysicalMapping(NDIS_HANDLE MiniportAdapterHandle, PNDIS_BUFFER Buffer,
                                     ULONG PhysicalMapRegister, BOOLEAN WriteToDevice,
                                     PNDIS_PHYSICAL_ADDRESS_UNIT PhysicalAddressArray, PUINT ArraySize) {
  const char* op = "NdisMStartBufferPhysicalMapping";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  if (ArraySize) *ArraySize = 0;
  Miniport* m = mc->MiniportFromHandle(MiniportAdapterHandle, op);
  if (m == nullptr) return;
  mc->CheckIrqlAtMost(DISPATCH_LEVEL, op);
  (void)WriteToDevice;
  if (Buffer == nullptr || PhysicalAddressArray == nullptr || ArraySize == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisMStartBufferPhysicalMapping given a null buffer or output");
    return;
  }
  if (PhysicalMapRegister >= m->map_registers.size()) {
    mc->Report(hostndis::rule::kMappingPairing, "NdisMStartBufferPhysicalMapping with map register " +
                                                    std::to_string(PhysicalMapRegister) + " of " +
                                                    std::to_string(m->map_registers.size()) + " allocated");
    return;
  }
  Miniport::MapRegister& reg = m->map_registers[PhysicalMapRegister];
  if (reg.active)
    mc->Report(hostndis::rule::kMappingPairing, "map register " + std::to_string(PhysicalMapRegister) +
                                                    " mapped again before NdisMCompleteBufferPhysicalMapping");
  BufferSlot* slot = mc->FindBuffer(Buffer);
  if (slot == nullptr) {
    mc->Report(hostndis::rule::kBadPacket, "NdisMStartBufferPhysicalMapping given a buffer from no buffer pool");
    return;
  }
  ULONG length = MmGetMdlByteCount(Buffer);
  if (length > m->max_mapping)
    mc->Report(hostndis::rule::kMappingTooLong, "a buffer of " + std::to_string(length) +
                                                    " bytes mapped; the map registers allow at most " +
                                                    std::to_string(m->max_mapping));
  hostndis::PhysicalMemory::Segment segments[16];
  uint32_t n = 0;
  if (length != 0) {
    n = mc->memory.Segments(MmGetMdlVirtualAddress(Buffer), length, segments, 16);
    if (n == 0 || n > 16) {
      mc->Report(hostndis::rule::kMappingNotDmaMemory,
                 "NdisMStartBufferPhysicalMapping of a buffer that is not in memory a device can reach");
      return;
    }
  }
  for (uint32_t i = 0; i < n; ++i) {
    PhysicalAddressArray[i].PhysicalAddress.QuadPart = segments[i].phys;
    PhysicalAddressArray[i].Length = segments[i].length;
  }
  *ArraySize = n;
  reg.active = true;
  reg.buffer = Buffer;
  slot->mapped_register = static_cast<int32_t>(PhysicalMapRegister);
}

VOID NdisMCompleteBufferPhysicalMapping(NDIS_HANDLE MiniportAdapterHandle, PNDIS_BUFFER Buffer,
                                        ULONG PhysicalMapRegister) {
  const char* op = "NdisMCompleteBufferPhysicalMapping";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  Miniport* m = mc->MiniportFromHandle(MiniportAdapterHandle, op);
  if (m == nullptr) return;
  mc->CheckIrqlAtMost(DISPATCH_LEVEL, op);
  if (PhysicalMapRegister >= m->map_registers.size()) {
    mc->Report(hostndis::rule::kMappingPairing, "NdisMCompleteBufferPhysicalMapping with map register " +
                                                    std::to_string(PhysicalMapRegister) + " of " +
                                                    std::to_string(m->map_registers.size()) + " allocated");
    return;
  }
  Miniport::MapRegister& reg = m->map_registers[PhysicalMapRegister];
  if (!reg.active) {
    mc->Report(hostndis::rule::kMappingPairing, "NdisMCompleteBufferPhysicalMapping of map register " +
                                                    std::to_string(PhysicalMapRegister) + ", which maps nothing");
    return;
  }
  if (reg.buffer != Buffer) {
    mc->Report(hostndis::rule::kMappingPairing, "NdisMCompleteBufferPhysicalMapping of map register " +
                                                    std::to_string(PhysicalMapRegister) +
                                                    " with another buffer than the one it maps");
    return;
  }
  reg.active = false;
  reg.buffer = nullptr;
  if (BufferSlot* s = mc->FindBuffer(Buffer)) s->mapped_register = -1;
}

}  // extern "C"

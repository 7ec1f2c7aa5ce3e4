// Packet and buffer pools, packets, buffers and buffer chains.
#include "hostndis/detail/machine.h"

using hostndis::detail::BufferPool;
using hostndis::detail::BufferSlot;
using hostndis::detail::Machine;
using hostndis::detail::PacketPool;

extern "C" {

VOID NdisAllocatePacketPool(PNDIS_STATUS Status, PNDIS_HANDLE PoolHandle, UINT NumberOfDescriptors,
                            UINT ProtocolReservedLength) {
  const char* op = "NdisAllocatePacketPool";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  if (Status == nullptr || PoolHandle == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisAllocatePacketPool given a null output");
    return;
  }
  *PoolHandle = nullptr;
  mc->CheckIrqlAtMost(DISPATCH_LEVEL, op);
  if (mc->InjectFault(hostndis::Op::kNdisAllocatePacketPool, Status)) return;
  if (NumberOfDescriptors == 0 || NumberOfDescriptors > 0x100000 || ProtocolReservedLength > 0x10000) {
    *Status = NDIS_STATUS_RESOURCES;
    return;
  }
  mc->packet_pools.push_back(std::make_unique<PacketPool>(NumberOfDescriptors, ProtocolReservedLength, mc->running));
  *PoolHandle = mc->packet_pools.back()->handle();
  *Status = NDIS_STATUS_SUCCESS;
}

VOID NdisFreePacketPool(NDIS_HANDLE PoolHandle) {
  Machine* mc = Machine::Current("NdisFreePacketPool");
  if (mc == nullptr) return;
  PacketPool* pool = mc->PacketPoolFromHandle(PoolHandle);
  if (pool == nullptr || !pool->alive()) {
    mc->Report(hostndis::rule::kFreeUnknown, "NdisFreePacketPool of a pool that is not allocated (freed twice?)");
    return;
  }
  if (uint32_t held = pool->held_by_protocol())
    mc->Report(hostndis::rule::kBadPacket, "NdisFreePacketPool while the protocols still hold " +
                                               std::to_string(held) + " of its packets");
  // Packets still taken from the pool go with it.
  pool->Release();
}

VOID NdisAllocatePacket(PNDIS_STATUS Status, PNDIS_PACKET* Packet, NDIS_HANDLE PoolHandle) {
  const char* op = "NdisAllocatePacket";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  if (Status == nullptr || Packet == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisAllocatePacket given a null output");
    return;
  }
  *Packet = nullptr;
  PacketPool* pool = mc->PacketPoolFromHandle(PoolHandle);
  if (pool == nullptr || !pool->alive()) {
    mc->Report(hostndis::rule::kBadHandle, "NdisAllocatePacket from a pool that is not allocated");
    *Status = NDIS_STATUS_FAILURE;
    return;
  }
  if (mc->InjectFault(hostndis::Op::kNdisAllocatePacket, Status)) return;
  *Packet = pool->Allocate();
  *Status = *Packet ? NDIS_STATUS_SUCCESS : NDIS_STATUS_RESOURCES;
}

VOID NdisFreePacket(PNDIS_PACKET Packet) {
  Machine* mc = Machine::Current("NdisFreePacket");
  if (mc == nullptr) return;
  PacketPool* pool;
  int32_t index;
  if (!mc->FindDriverPacket(Packet, &pool, &index)) {
    mc->Report(hostndis::rule::kFreeUnknown, "NdisFreePacket of a packet that is not allocated (freed twice?)");
    return;
  }
  if (pool->slot(static_cast<uint32_t>(index)).held_by_protocol)
    mc->Report(hostndis::rule::kBadPacket, "NdisFreePacket of a packet the protocols still hold");
  pool->Free(static_cast<uint32_t>(index));
}

VOID NdisAllocateBufferPool(PNDIS_STATUS Status, PNDIS_HANDLE PoolHandle, UINT NumberOfDescriptors) {
  const char* op = "NdisAllocateBufferPool";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  if (Status == nullptr || PoolHandle == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisAllocateBufferPool given a null output");
    return;
  }
  *PoolHandle = nullptr;
  mc->CheckIrqlAtMost(DISPATCH_LEVEL, op);
  if (mc->InjectFault(hostndis::Op::kNdisAllocateBufferPool, Status)) return;
  if (NumberOfDescriptors == 0 || NumberOfDescriptors > 0x100000) {
    *Status = NDIS_STATUS_RESOURCES;
    return;
  }
  mc->buffer_pools.push_back(std::make_unique<BufferPool>(NumberOfDescriptors, mc->running));
  *PoolHandle = mc->buffer_pools.back()->handle();
  *Status = NDIS_STATUS_SUCCESS;
}

VOID NdisFreeBufferPool(NDIS_HANDLE PoolHandle) {
  Machine* mc = Machine::Current("NdisFreeBufferPool");
  if (mc == nullptr) return;
  BufferPool* pool = mc->BufferPoolFromHandle(PoolHandle);
  if (pool == nullptr || !pool->alive()) {
    mc->Report(hostndis::rule::kFreeUnknown, "NdisFreeBufferPool of a pool that is not allocated (freed twice?)");
    return;
  }
  pool->Release();
}

VOID NdisAllocateBuffer(PNDIS_STATUS Status, PNDIS_BUFFER* Buffer, NDIS_HANDLE PoolHandle, PVOID VirtualAddress,
                        UINT Length) {
  const char* op = "NdisAllocateBuffer";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  if (Status == nullptr || Buffer == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisAllocateBuffer given a null output");
    return;
  }
  *Buffer = nullptr;
  BufferPool* pool = mc->BufferPoolFromHandle(PoolHandle);
  if (pool == nullptr || !pool->alive()) {
    mc->Report(hostndis::rule::kBadHandle, "NdisAllocateBuffer from a pool that is not allocated");
    *Status = NDIS_STATUS_FAILURE;
    return;
  }
  if (VirtualAddress == nullptr && Length != 0) {
    mc->Report(hostndis::rule::kBadArgument, "NdisAllocateBuffer over a null address");
    *Status = NDIS_STATUS_FAILURE;
    return;
  }
  if (mc->InjectFault(hostndis::Op::kNdisAllocateBuffer, Status)) return;
  *Buffer = pool->Allocate(VirtualAddress, Length);
  *Status = *Buffer ? NDIS_STATUS_SUCCESS : NDIS_STATUS_RESOURCES;
}

VOID NdisFreeBuffer(PNDIS_BUFFER Buffer) {
  Machine* mc = Machine::Current("NdisFreeBuffer");
  if (mc == nullptr) return;
  BufferPool* pool = nullptr;
  BufferSlot* slot = mc->FindBuffer(Buffer, &pool);
  if (slot == nullptr) {
    mc->Report(hostndis::rule::kFreeUnknown, "NdisFreeBuffer of a buffer that is not allocated (freed twice?)");
    return;
  }
  if (slot->mapped_register >= 0)
    mc->Report(hostndis::rule::kMappingPairing, "NdisFreeBuffer of a buffer still mapped by map register " +
                                                    std::to_string(slot->mapped_register));
  pool->Free(slot);
}

VOID NdisAdjustBufferLength(PNDIS_BUFFER Buffer, UINT Length) {
  Machine* mc = Machine::Current("NdisAdjustBufferLength");
  if (mc == nullptr) return;
  BufferSlot* slot = mc->FindBuffer(Buffer);
  if (slot == nullptr) {
    mc->Report(hostndis::rule::kBadPacket, "NdisAdjustBufferLength of a buffer from no buffer pool");
    return;
  }
  if (Length > slot->capacity)
    mc->Report(hostndis::rule::kBufferLength, "NdisAdjustBufferLength to " + std::to_string(Length) +
                                                  " bytes of a buffer made over " + std::to_string(slot->capacity));
  Buffer->ByteCount = Length;
}

VOID NdisUnchainBufferAtFront(PNDIS_PACKET Packet, PNDIS_BUFFER* Buffer) {
  Machine* mc = Machine::Current("NdisUnchainBufferAtFront");
  if (Packet == nullptr || Buffer == nullptr) {
    if (mc) mc->Report(hostndis::rule::kBadArgument, "NdisUnchainBufferAtFront given a null packet or output");
    return;
  }
  PNDIS_BUFFER first = Packet->Private.Head;
  *Buffer = first;
  if (first == nullptr) return;
  Packet->Private.Head = first->Next;
  if (first->Next == nullptr) Packet->Private.Tail = nullptr;
  first->Next = nullptr;
  Packet->Private.ValidCounts = FALSE;
}

VOID NdisUnchainBufferAtBack(PNDIS_PACKET Packet, PNDIS_BUFFER* Buffer) {
  Machine* mc = Machine::Current("NdisUnchainBufferAtBack");
  if (Packet == nullptr || Buffer == nullptr) {
    if (mc) mc->Report(hostndis::rule::kBadArgument, "NdisUnchainBufferAtBack given a null packet or output");
    return;
  }
  PNDIS_BUFFER head = Packet->Private.Head;
  *Buffer = nullptr;
  if (head == nullptr) return;
  if (head->Next == nullptr) {
    *Buffer = head;
    Packet->Private.Head = Packet->Private.Tail = nullptr;
  } else {
    PNDIS_BUFFER before = head;
    while (before->Next->Next != nullptr) before = before->Next;
    *Buffer = before->Next;
    before->Next = nullptr;
    Packet->Private.Tail = before;
  }
  Packet->Private.ValidCounts = FALSE;
}

ULONG NDIS_BUFFER_TO_SPAN_PAGES(PNDIS_BUFFER Buffer) {
  if (Buffer == nullptr) return 0;
  ULONG length = MmGetMdlByteCount(Buffer);
  if (length == 0) return 1;
  return static_cast<ULONG>((BYTE_OFFSET(MmGetMdlVirtualAddress(Buffer)) + static_cast<uint64_t>(length) + PAGE_SIZE - 1) >>
                            PAGE_SHIFT);
}

}  // extern "C"

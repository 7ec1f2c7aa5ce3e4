// SendPackets: each packet becomes one transmit descriptor, its leading
// buffers copied into the record's copy buffer and a large last buffer mapped
// in place.
#include "trx_miniport.h"

// Copies or maps the packet into the record. Returns FALSE for a packet the
// chip cannot send as one frame (empty, or longer than the largest frame).
static BOOLEAN BuildPacket(PADAPTER_CONTEXT A, PTX_RECORD R, PNDIS_PACKET Packet) {
  UINT BufferCount = 0;
  UINT TotalLength = 0;
  PNDIS_BUFFER Buffer = NULL;
  NdisQueryPacket(Packet, NULL, &BufferCount, &Buffer, &TotalLength);
  R->Packet = NULL;
  R->MappedBuffer = NULL;
  R->MappedPhysical = 0;
  R->MappedLength = 0;
  R->CopyLength = 0;
  if (BufferCount == 0 || TotalLength == 0 || TotalLength > TRX_MAX_PACKET) return FALSE;

  R->Packet = Packet;
  PUCHAR Cursor = R->CopyVirtual;
  while (Buffer != NULL) {
    PVOID Address;
    UINT Length;
    NdisQueryBuffer(Buffer, &Address, &Length);
    PNDIS_BUFFER Next = NDIS_BUFFER_LINKAGE(Buffer);
    if (Next != NULL || Length < A->MapThreshold) {
      NdisMoveMemory(Cursor, Address, Length);
      Cursor += Length;
    } else if (Length != 0) {
      NDIS_PHYSICAL_ADDRESS_UNIT Segments[2];
      UINT SegmentCount = 0;
      NdisMStartBufferPhysicalMapping(A->MiniportAdapterHandle, Buffer, R->MapRegister, TRUE, Segments, &SegmentCount);
      R->MappedBuffer = Buffer;
      ULONG Second = SegmentCount > 1 ? 1 : 0;
      if (Second) {
        // The buffer crosses a page: its first piece joins the copy.
        NdisMoveMemory(Cursor, Address, Segments[0].Length);
        Cursor += Segments[0].Length;
      }
      R->MappedPhysical = NdisGetPhysicalAddressLow(Segments[Second].PhysicalAddress);
      R->MappedLength = Segments[Second].Length;
    }
    Buffer = Next;
  }
  R->CopyLength = (ULONG)(Cursor - R->CopyVirtual);
  NdisAdjustBufferLength(R->CopyBuffer, R->CopyLength);
  return TRUE;
}

static VOID RefusePackets(PPNDIS_PACKET Packets, UINT From, UINT To, NDIS_STATUS Status) {
  for (UINT i = From; i < To; i++) NDIS_SET_PACKET_STATUS(Packets[i], Status);
}

VOID NTAPI MiniportSendPackets(NDIS_HANDLE MiniportAdapterContext, PPNDIS_PACKET PacketArray, UINT NumberOfPackets) {
  PADAPTER_CONTEXT A = (PADAPTER_CONTEXT)MiniportAdapterContext;
  if (NumberOfPackets == 0) return;
  if (!A->LinkUp) {
    A->SendResourcesNeeded = TRUE;
    RefusePackets(PacketArray, 0, NumberOfPackets, NDIS_STATUS_RESOURCES);
    return;
  }
  ULONG Count = NumberOfPackets;
  PTX_RECORD First = A->ChipOps.ReserveTransmit(A, &Count);
  if (Count < NumberOfPackets) {
    NdisDprAcquireSpinLock(&A->TxLock);
    A->RingFullRefused = TRUE;
    NdisDprReleaseSpinLock(&A->TxLock);
  }
  if (First == NULL) {
    RefusePackets(PacketArray, 0, NumberOfPackets, NDIS_STATUS_RESOURCES);
    return;
  }
  PTX_RECORD R = First;
  for (ULONG i = 0; i < Count; i++, R = R->Next) {
    // A packet that cannot be one frame fails now; its descriptor goes out empty.
    NDIS_SET_PACKET_STATUS(PacketArray[i], BuildPacket(A, R, PacketArray[i]) ? NDIS_STATUS_PENDING : NDIS_STATUS_FAILURE);
  }
  A->ChipOps.SubmitTransmit(A, First, Count);
  RefusePackets(PacketArray, Count, NumberOfPackets, NDIS_STATUS_RESOURCES);
}

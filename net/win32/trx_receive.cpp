// The receive chain: frames are lent to the protocols in their own packets,
// and descriptors go back to the chip in the order the buffers come back.
#include "trx_chip.h"

// Frames the chip can report but the driver must not indicate: shorter than
// a header plus CRC, longer than the buffer, or spread over several
// descriptors (a frame longer than one buffer: its length and error bits are
// valid in its last descriptor only, so a part must never pass for a frame).
#define TRX_MIN_RX_LENGTH (TRX_HEADER_SIZE + 4)

VOID RecycleReceive(PADAPTER_CONTEXT A, PRX_RECORD Record) {
  NdisDprAcquireSpinLock(&A->RxLock);
  PRX_RECORD Tail = A->RxTail;
  DESC_WORD(Tail->Descriptor, 3) = Record->DescriptorPhysical;
  Tail->Next = Record;
  DESC_WORD(Record->Descriptor, 2) = Record->BufferPhysical;
  DESC_WORD(Tail->Descriptor, 0) = RDES0_OWN;
  TRX_ASSERT_HELD(&A->RxLock);
  A->RxTail = Record;
  NdisDprReleaseSpinLock(&A->RxLock);
}

static BOOLEAN IsGoodFrame(ULONG Rdes0) {
  ULONG Length = (Rdes0 >> RDES0_LENGTH_SHIFT) & RDES0_LENGTH_MASK;
  return (Rdes0 & (RDES0_ERROR_SUMMARY | RDES0_FIRST_LAST)) == RDES0_FIRST_LAST && Length >= TRX_MIN_RX_LENGTH &&
         Length <= TRX_MAX_FRAME;
}

VOID IndicateReceives(PADAPTER_CONTEXT A) {
  for (;;) {
    ULONG Count = 0;
    NdisDprAcquireSpinLock(&A->RxLock);
    PRX_RECORD First = A->RxHead;
    PRX_RECORD Cur = First;
    while (Cur != A->RxTail) {
      ULONG Rdes0 = DESC_WORD(Cur->Descriptor, 0);
      if (Rdes0 & RDES0_OWN) break;
      if (!IsGoodFrame(Rdes0)) {
        // A frame spread over several descriptors counts once, at its end.
        if (Rdes0 & RDES0_LAST_DESCRIPTOR) {
          A->RcvError++;
          if (Rdes0 & RDES0_DRIBBLING) A->RcvAlignment++;
          if (Rdes0 & RDES0_CRC_ERROR) A->RcvCrc++;
        }
        A->RxHead = Cur->Next;
        A->RcvOk += Count;
        NdisDprReleaseSpinLock(&A->RxLock);
        if (Count != 0) IndicatePackets(A, First, Count);
        RecycleReceive(A, Cur);
        goto next_pass;
      }
      Cur->FrameLength = ((Rdes0 >> RDES0_LENGTH_SHIFT) & RDES0_LENGTH_MASK) - 4;
      Count++;
      Cur = Cur->Next;
    }
    TRX_ASSERT_HELD(&A->RxLock);
    A->RxHead = Cur;
    A->RcvOk += Count;
    NdisDprReleaseSpinLock(&A->RxLock);
    if (Count != 0) IndicatePackets(A, First, Count);
    return;
  next_pass:;
  }
}

VOID IndicatePackets(PADAPTER_CONTEXT A, PRX_RECORD First, ULONG Count) {
  PNDIS_PACKET Packets[TRX_INDICATE_BATCH];
  PRX_RECORD Records[TRX_INDICATE_BATCH];
  PRX_RECORD Cur = First;
  while (Count > 0) {
    ULONG N = Count < TRX_INDICATE_BATCH ? Count : TRX_INDICATE_BATCH;
    for (ULONG i = 0; i < N; i++, Cur = Cur->Next) {
      Records[i] = Cur;
      Packets[i] = Cur->Packet;
      NDIS_SET_PACKET_STATUS(Cur->Packet, NDIS_STATUS_SUCCESS);
      NdisAdjustBufferLength(Cur->Buffer, Cur->FrameLength);
    }
    // Cur now names the next batch; recycling below rewrites Next links.
    NdisMIndicateReceivePacket(A->MiniportAdapterHandle, Packets, N);
    for (ULONG i = 0; i < N; i++) {
      if (NDIS_GET_PACKET_STATUS(Packets[i]) != NDIS_STATUS_PENDING) {
        ReattachReceiveBuffer(Records[i]);
        RecycleReceive(A, Records[i]);
      }
    }
    Count -= N;
  }
}

// The transmit ring: reserving records, handing descriptors to the chip and
// reclaiming them with their completion status.
#include "trx_chip.h"

PTX_RECORD TxRecordAfter(PADAPTER_CONTEXT A, PTX_RECORD Record, ULONG Steps) {
  ULONG Index = (ULONG)(Record - A->TxRecords) + Steps;
  return &A->TxRecords[Index % A->TxCount];
}

PTX_RECORD ReserveTransmit(PADAPTER_CONTEXT A, PULONG Count) {
  if (A->TxFree == 0) CompleteTransmits(A);
  if (A->TxFree == 0) {
    *Count = 0;
    return NULL;
  }
  NdisDprAcquireSpinLock(&A->TxLock);
  if (*Count > A->TxFree) *Count = A->TxFree;
  TRX_ASSERT_HELD(&A->TxLock);
  PTX_RECORD First = A->TxHead;
  A->TxHead = TxRecordAfter(A, First, *Count);
  A->TxFree -= *Count;
  NdisDprReleaseSpinLock(&A->TxLock);
  return First;
}

// Interrupt on completion for two records per lap; end of ring on the last.
static ULONG RingBits(PADAPTER_CONTEXT A, PTX_RECORD R) {
  ULONG Index = (ULONG)(R - A->TxRecords);
  if (Index == A->TxCount / 2 - 1) return TDES1_INTERRUPT;
  if (Index == A->TxCount - 1) return TDES1_INTERRUPT | TDES1_END_OF_RING;
  return 0;
}

VOID SubmitTransmit(PADAPTER_CONTEXT A, PTX_RECORD First, ULONG Count) {
  PTX_RECORD R = First;
  for (ULONG i = 0; i < Count; i++, R = R->Next) {
    PULONG D = R->Descriptor;
    // A record whose packet was refused goes out as an empty descriptor.
    ULONG Control = R->Packet != NULL ? R->CopyLength + (R->MappedLength << TDES1_BUFFER2_SHIFT) + TDES1_FIRST_LAST : 0;
    DESC_WORD(D, 1) = Control + RingBits(A, R);
    DESC_WORD(D, 2) = R->CopyPhysical;
    DESC_WORD(D, 3) = R->MappedPhysical;
    R->Submitted = TRUE;
    DESC_WORD(D, 0) = TDES0_OWN;
  }
  TRX_CSR_WRITE(A, CSR1_TX_POLL, 0);
}

// Sorts one written-back status into the counters and the packet's status.
static VOID ClassifyTransmit(PADAPTER_CONTEXT A, PTX_RECORD R, ULONG S) {
  if (S == TDES0_NOTHING) {
    // A packet's descriptor closed with nothing to report: the frame is not
    // known to have left.
    A->XmitError++;
    R->Status = NDIS_STATUS_FAILURE;
    return;
  }
  if (S & TDES0_ERROR_SUMMARY) {
    A->XmitError++;
    if (S == TDES0_FLUSHED) {
      R->Status = NDIS_STATUS_REQUEST_ABORTED;
      return;
    }
    if (S & (TDES0_LOSS_OF_CARRIER | TDES0_NO_CARRIER)) A->XmitCrsLost++;
    if (S & TDES0_EXCESS_COLLISIONS) A->XmitMaxCollisions++;
    if (S & TDES0_UNDERFLOW) A->XmitUnderrun++;
    R->Status = NDIS_STATUS_FAILURE;
    return;
  }
  A->XmitOk++;
  if (S & TDES0_DEFERRED) A->XmitDeferred++;
  if (S & TDES0_COLLISION_MASK) A->XmitCollisions++;
  R->Status = NDIS_STATUS_SUCCESS;
}

// Ends the mapping and reports the packet. Called without TxLock.
static VOID CompleteRecord(PADAPTER_CONTEXT A, PTX_RECORD R) {
  if (R->MappedBuffer != NULL) {
    NdisMCompleteBufferPhysicalMapping(A->MiniportAdapterHandle, R->MappedBuffer, R->MapRegister);
    R->MappedBuffer = NULL;
  }
  if (R->Packet != NULL) {
    PNDIS_PACKET Packet = R->Packet;
    R->Packet = NULL;
    NdisMSendComplete(A->MiniportAdapterHandle, Packet, R->Status);
  }
}

VOID CompleteTransmits(PADAPTER_CONTEXT A) {
  NdisDprAcquireSpinLock(&A->TxLock);
  if (A->CompletionBusy) {
    NdisDprReleaseSpinLock(&A->TxLock);
    return;
  }
  A->CompletionBusy = TRUE;
  PTX_RECORD Cur = A->TxTail;
  ULONG Freed = 0;

  while (Cur != A->TxHead) {
    // Descriptors with nothing to report (setup, dummy) are freed silently;
    // one that carries a packet is reported whatever the chip wrote into it.
    while (Cur != A->TxHead && Cur->Packet == NULL && DESC_WORD(Cur->Descriptor, 0) == TDES0_NOTHING) {
      Cur->Submitted = FALSE;
      Freed++;
      Cur = Cur->Next;
    }
    PTX_RECORD Start = Cur;
    while (Cur != A->TxHead) {
      ULONG S = DESC_WORD(Cur->Descriptor, 0);
      if (S > TDES0_NOTHING) break;               // still the chip's
      if (S == TDES0_NOTHING && Cur->Packet == NULL) break;  // nothing to report
      if (S == 0 && !Cur->Submitted) break;       // never handed over: stop here
      // Some chips close a dummy or setup descriptor with 0 rather than
      // "nothing to report": it is no sent packet.
      if (Cur->Packet != NULL || S != 0) ClassifyTransmit(A, Cur, S);  // zero: a clean completion
      Cur->Submitted = FALSE;
      Freed++;
      Cur = Cur->Next;
    }
    if (Start != Cur) {
      NdisDprReleaseSpinLock(&A->TxLock);
      for (PTX_RECORD R = Start; R != Cur; R = R->Next) CompleteRecord(A, R);
      NdisDprAcquireSpinLock(&A->TxLock);
    }
    if (Cur == A->TxHead || DESC_WORD(Cur->Descriptor, 0) != TDES0_NOTHING) break;
  }

  TRX_ASSERT_HELD(&A->TxLock);
  A->TxTail = Cur;
  A->TxFree += Freed;
  A->CompletionBusy = FALSE;
  BOOLEAN Tell = Freed != 0 && A->RingFullRefused;
  if (Tell) A->RingFullRefused = FALSE;
  if (A->SetupPending || Tell) {
    BOOLEAN Reload = A->SetupPending;
    A->SetupPending = FALSE;
    NdisDprReleaseSpinLock(&A->TxLock);
    if (Reload) LoadFilter(A);
    if (Tell) NdisMSendResourcesAvailable(A->MiniportAdapterHandle);
    return;
  }
  NdisDprReleaseSpinLock(&A->TxLock);
}

// At Halt the chip is stopped and its interrupt gone: nothing will give back
// the packets still in the ring, so they complete here as aborted. Nothing
// else runs by then, so no lock is taken.
VOID AbortTransmits(PADAPTER_CONTEXT A) {
  if (A->TxHead == NULL) return;
  for (PTX_RECORD R = A->TxTail; R != A->TxHead; R = R->Next) {
    R->Status = NDIS_STATUS_REQUEST_ABORTED;
    R->Submitted = FALSE;
    CompleteRecord(A, R);
  }
  A->TxTail = A->TxHead;
  A->TxFree = A->TxCount - 1;
}

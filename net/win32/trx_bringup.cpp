// Chip bring-up, stop and release.
#include "trx_chip.h"

// Busy-waits are kept short; longer waits are made of several.
static VOID StallLong(ULONG Microseconds) {
  while (Microseconds > 0) {
    ULONG Step = Microseconds > 50 ? 50 : Microseconds;
    TRX_STALL(Step);
    Microseconds -= Step;
  }
}

static VOID ProgramPort(PADAPTER_CONTEXT A) {
  TRX_CSR_WRITE(A, CSR13_SIA_CONNECT, 0);
  if (A->PhyKind == TRX_PHY_NONE) {
    TRX_CSR_WRITE(A, CSR14_SIA_TXRX, A->SiaMedia == TRX_CONNECTION_10F ? CSR14_SIA_FULL_DUPLEX : CSR14_SIA_HALF_DUPLEX);
    TRX_CSR_WRITE(A, CSR15_SIA_GENERAL, 0x081e0008);
    TRX_CSR_WRITE(A, CSR15_SIA_GENERAL, 0x000e0008);
    TRX_CSR_WRITE(A, CSR13_SIA_CONNECT, 1);
  } else {
    TRX_CSR_WRITE(A, CSR14_SIA_TXRX, 0);
    TRX_CSR_WRITE(A, CSR15_SIA_GENERAL, 0x090e0000);
    TRX_CSR_WRITE(A, CSR15_SIA_GENERAL, 0x000e0000);
  }
}

// Software reset, then the bus and operation modes until they read back.
// Caller holds ChipLock.
static NDIS_STATUS ResetController(PADAPTER_CONTEXT A) {
  TRX_ASSERT_HELD(&A->ChipLock);
  TRX_CSR_WRITE(A, CSR6_OPMODE, A->PhyKind == TRX_PHY_NONE ? CSR6_RESET_SIA : CSR6_RESET_MII);
  TRX_CSR_WRITE(A, CSR0_BUS_MODE, CSR0_SOFTWARE_RESET);
  for (ULONG Tries = 0; Tries < TRX_RESET_TRIES; Tries++) {
    StallLong(100);
    TRX_CSR_WRITE(A, CSR0_BUS_MODE, A->Csr0Value);
    TRX_CSR_WRITE(A, CSR6_OPMODE, A->Csr6Value);
    ProgramPort(A);
    if ((TRX_CSR_READ(A, CSR0_BUS_MODE) & A->Csr0Value) == A->Csr0Value &&
        (TRX_CSR_READ(A, CSR6_OPMODE) & A->Csr6Value) == A->Csr6Value) {
      return NDIS_STATUS_SUCCESS;
    }
  }
  return NDIS_STATUS_HARD_ERRORS;
}

// Completes every packet still in the transmit ring as aborted and restarts
// the ring at record 0. Caller holds TxLock.
static NDIS_STATUS FlushTransmitRing(PADAPTER_CONTEXT A) {
  TRX_ASSERT_HELD(&A->TxLock);
  for (ULONG Tries = 0; A->TxHead != A->TxTail; Tries++) {
    if (Tries == TRX_DRAIN_TRIES) return NDIS_STATUS_HARD_ERRORS;
    for (PTX_RECORD R = A->TxTail; R != A->TxHead; R = R->Next) {
      DESC_WORD(R->Descriptor, 0) = (DESC_WORD(R->Descriptor, 1) & TDES1_FIRST_SEGMENT) ? TDES0_FLUSHED : TDES0_NOTHING;
    }
    NdisDprReleaseSpinLock(&A->TxLock);
    CompleteTransmits(A);
    NdisDprAcquireSpinLock(&A->TxLock);
  }
  A->TxHead = A->TxTail = &A->TxRecords[0];
  return NDIS_STATUS_SUCCESS;
}

// Waits until the setup frame that LoadFilter queued has left the ring.
static NDIS_STATUS DrainSetupFrame(PADAPTER_CONTEXT A) {
  for (ULONG Tries = 0; Tries < TRX_DRAIN_TRIES; Tries++) {
    CompleteTransmits(A);
    if (A->TxFree == A->TxCount - 1) return NDIS_STATUS_SUCCESS;
    TRX_STALL(10);
  }
  return NDIS_STATUS_HARD_ERRORS;
}

static VOID StartReceive(PADAPTER_CONTEXT A) {
  NdisDprAcquireSpinLock(&A->RxLock);
  PRX_RECORD R = A->RxHead;
  while (R != A->RxTail && (DESC_WORD(R->Descriptor, 0) & RDES0_OWN) == 0) R = R->Next;
  NdisDprAcquireSpinLock(&A->ChipLock);
  TRX_CSR_WRITE(A, CSR3_RX_LIST, R->DescriptorPhysical);
  TRX_CSR_WRITE(A, CSR6_OPMODE, TRX_CSR_READ(A, CSR6_OPMODE) | CSR6_START_RX);
  NdisDprReleaseSpinLock(&A->RxLock);
  A->ChipBusy = FALSE;
  NdisDprReleaseSpinLock(&A->ChipLock);
}

static NDIS_STATUS ProgramAndRestart(PADAPTER_CONTEXT A) {
  NdisDprAcquireSpinLock(&A->ChipLock);
  if (A->ChipBusy) {
    NdisDprReleaseSpinLock(&A->ChipLock);
    return NDIS_STATUS_SUCCESS;
  }
  A->ChipBusy = TRUE;
  NDIS_STATUS Status = ResetController(A);
  if (Status == NDIS_STATUS_SUCCESS) Status = SetUpPhy(A);
  NdisDprReleaseSpinLock(&A->ChipLock);

  if (Status == NDIS_STATUS_SUCCESS) {
    NdisDprAcquireSpinLock(&A->TxLock);
    Status = FlushTransmitRing(A);
    if (Status == NDIS_STATUS_SUCCESS) {
      NdisDprAcquireSpinLock(&A->ChipLock);
      TRX_CSR_WRITE(A, CSR4_TX_LIST, A->TxRecords[0].DescriptorPhysical);
      TRX_CSR_WRITE(A, CSR6_OPMODE, TRX_CSR_READ(A, CSR6_OPMODE) | CSR6_START_TX);
      NdisDprReleaseSpinLock(&A->ChipLock);
    }
    NdisDprReleaseSpinLock(&A->TxLock);
  }
  if (Status == NDIS_STATUS_SUCCESS) {
    LoadFilter(A);
    Status = DrainSetupFrame(A);
  }
  if (Status != NDIS_STATUS_SUCCESS) {
    NdisDprAcquireSpinLock(&A->ChipLock);
    A->ChipBusy = FALSE;
    NdisDprReleaseSpinLock(&A->ChipLock);
    return Status;
  }
  StartReceive(A);
  return NDIS_STATUS_SUCCESS;
}

NDIS_STATUS InitializeChip(PADAPTER_CONTEXT A, BOOLEAN LinkSettled) {
  if (!LinkSettled) return ProgramAndRestart(A);
  UpdateLinkState(A);
  return NDIS_STATUS_SUCCESS;
}

VOID StopChip(PADAPTER_CONTEXT A) {
  TRX_CSR_WRITE(A, CSR0_BUS_MODE, CSR0_SOFTWARE_RESET);
  TRX_STALL(1);
  MiiWrite(A, 0, 0x8000);
}

VOID ReleaseChip(PADAPTER_CONTEXT A) {
  if (A->TxRecords != NULL) AbortTransmits(A);
  if (A->DescriptorAreaVirtual != NULL) {
    NDIS_PHYSICAL_ADDRESS Physical;
    NdisSetPhysicalAddressHigh(Physical, 0);
    NdisSetPhysicalAddressLow(Physical, A->DescriptorAreaPhysical);
    NdisMFreeSharedMemory(A->MiniportAdapterHandle, A->DescriptorAreaLength, FALSE, A->DescriptorAreaVirtual, Physical);
    A->DescriptorAreaVirtual = NULL;
  }
  if (A->TxRecords != NULL) {
    NdisFreeMemory(A->TxRecords, A->TxRingSize * sizeof(TX_RECORD), 0);
    A->TxRecords = NULL;
  }
  if (A->RxRecords != NULL) {
    NdisFreeMemory(A->RxRecords, A->RxRingSize * sizeof(RX_RECORD), 0);
    A->RxRecords = NULL;
  }
  if (A->ChipLocksAllocated) {
    NdisFreeSpinLock(&A->TxLock);
    NdisFreeSpinLock(&A->RxLock);
    NdisFreeSpinLock(&A->ChipLock);
    A->ChipLocksAllocated = FALSE;
  }
}

VOID DemandTransmitPoll(PADAPTER_CONTEXT A) {
  TRX_CSR_WRITE(A, CSR1_TX_POLL, 0);
}

// Link state: follow the PHY or serial interface into CSR6 and report changes
// to NDIS.
#include "trx_chip.h"

// The most rounds UpdateLinkState follows a status that keeps changing under
// it; a flapping link is picked up again by its next interrupt.
#define TRX_LINK_FOLLOW_ROUNDS 16

static VOID ProgramSerialInterface(PADAPTER_CONTEXT A) {
  TRX_CSR_WRITE(A, CSR13_SIA_CONNECT, 0);
  TRX_CSR_WRITE(A, CSR14_SIA_TXRX, A->SiaMedia == TRX_CONNECTION_10F ? CSR14_SIA_FULL_DUPLEX : CSR14_SIA_HALF_DUPLEX);
  TRX_CSR_WRITE(A, CSR13_SIA_CONNECT, 1);
}

// Stops both processes, writes the wanted mode and restarts them. Caller
// holds ChipLock.
NDIS_STATUS ChangeOperationMode(PADAPTER_CONTEXT A, ULONG Current, ULONG Wanted) {
  TRX_ASSERT_HELD(&A->ChipLock);
  NDIS_STATUS Status = NDIS_STATUS_HARD_ERRORS;
  for (ULONG Tries = 0; Tries < TRX_STOP_TRIES; Tries++) {
    TRX_CSR_WRITE(A, CSR6_OPMODE, Current & ~CSR6_RUN_BITS);
    if ((TRX_CSR_READ(A, CSR5_STATUS) & CSR5_PROCESS_STATE_MASK) == 0) {
      Status = NDIS_STATUS_SUCCESS;
      break;
    }
    TRX_STALL(10);
  }
  TRX_CSR_WRITE(A, CSR6_OPMODE, Wanted & ~CSR6_RUN_BITS);
  if (A->PhyKind == TRX_PHY_NONE) ProgramSerialInterface(A);
  TRX_CSR_WRITE(A, CSR6_OPMODE, Wanted | CSR6_RUN_BITS);
  return Status;
}

static USHORT ReadPhyStatus(PADAPTER_CONTEXT A) {
  if (A->PhyKind == TRX_PHY_1378) return MiiRead(A, 0x11) & 0x7fdc;
  return MiiRead(A, 0x14) & 0x3b35;
}

VOID UpdateLinkState(PADAPTER_CONTEXT A) {
  if (A->PhyKind == TRX_PHY_NONE) {
    NdisDprAcquireSpinLock(&A->ChipLock);
    ULONG Mode = TRX_CSR_READ(A, CSR6_OPMODE);
    ULONG Wanted = A->SiaMedia == TRX_CONNECTION_10F ? (Mode | CSR6_FULL_DUPLEX) : (Mode & ~CSR6_FULL_DUPLEX);
    if (Wanted != Mode) ChangeOperationMode(A, Mode, Wanted);
    BOOLEAN Link = (TRX_CSR_READ(A, CSR12_SIA_STATUS) & CSR12_LINK_FAIL_10) == 0;
    NdisDprReleaseSpinLock(&A->ChipLock);
    ReportLinkState(A, Link);
    return;
  }
  if (A->PhyKind != TRX_PHY_1378 && A->PhyKind != TRX_PHY_7810) return;

  const USHORT LinkBit = A->PhyKind == TRX_PHY_1378 ? 0x0400 : 0x2000;
  const USHORT FullBit = A->PhyKind == TRX_PHY_1378 ? 0x0200 : 0x1000;
  const USHORT FastBit = A->PhyKind == TRX_PHY_1378 ? 0x4000 : 0x0800;

  NdisDprAcquireSpinLock(&A->ChipLock);
  USHORT Status = ReadPhyStatus(A);
  for (ULONG Round = 0;; Round++) {
    ULONG Mode = TRX_CSR_READ(A, CSR6_OPMODE);
    ULONG Wanted = (Status & FullBit) ? (Mode | CSR6_FULL_DUPLEX) : (Mode & ~CSR6_FULL_DUPLEX);
    Wanted = (Status & FastBit) ? (Wanted & ~CSR6_THRESHOLD_MODE_10) : (Wanted | CSR6_THRESHOLD_MODE_10);
    if (Wanted != Mode) ChangeOperationMode(A, Mode, Wanted);
    NdisDprReleaseSpinLock(&A->ChipLock);
    ReportLinkState(A, (Status & LinkBit) != 0);
    NdisDprAcquireSpinLock(&A->ChipLock);
    USHORT Again = ReadPhyStatus(A);
    if (Again == Status || Round + 1 == TRX_LINK_FOLLOW_ROUNDS) break;
    Status = Again;
  }
  NdisDprReleaseSpinLock(&A->ChipLock);
}

VOID ReportLinkState(PADAPTER_CONTEXT A, BOOLEAN Link) {
  if (Link == A->LinkUp) return;
  A->LinkUp = Link;
  if (A->InitDone) {
    NdisMIndicateStatus(A->MiniportAdapterHandle, Link ? NDIS_STATUS_MEDIA_CONNECT : NDIS_STATUS_MEDIA_DISCONNECT, NULL, 0);
    NdisMIndicateStatusComplete(A->MiniportAdapterHandle);
  }
  if (A->SendResourcesNeeded && A->LinkUp) {
    A->SendResourcesNeeded = FALSE;
    NdisMSendResourcesAvailable(A->MiniportAdapterHandle);
  }
}

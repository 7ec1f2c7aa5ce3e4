// The adapter's interrupt: the status test the ISR uses, the mask, and the
// deferred loop that serves every enabled event.
#include "trx_chip.h"

BOOLEAN InterruptPending(PADAPTER_CONTEXT A) {
  return (TRX_CSR_READ(A, CSR5_STATUS) & CSR5_SUMMARY) != 0;
}

VOID EnableInterrupts(PADAPTER_CONTEXT A) {
  TRX_CSR_WRITE(A, CSR7_INTR_ENABLE, CSR7_ENABLED_EVENTS);
}

VOID DisableInterrupts(PADAPTER_CONTEXT A) {
  TRX_CSR_WRITE(A, CSR7_INTR_ENABLE, 0);
}

// Reading the PHY's status and its interrupt register acknowledges its line.
static VOID AcknowledgePhy(PADAPTER_CONTEXT A) {
  NdisDprAcquireSpinLock(&A->ChipLock);
  if (A->PhyKind == TRX_PHY_1378) {
    MiiRead(A, 1);
    MiiRead(A, 0x13);
  } else if (A->PhyKind == TRX_PHY_7810) {
    MiiRead(A, 1);
    MiiRead(A, 0x12);
  }
  NdisDprReleaseSpinLock(&A->ChipLock);
}

// Transmit underflow: stop the transmitter, raise its threshold one step (or
// go to store and forward from the top step) and restart it.
static VOID RaiseTransmitThreshold(PADAPTER_CONTEXT A) {
  NdisDprAcquireSpinLock(&A->ChipLock);
  ULONG Mode = TRX_CSR_READ(A, CSR6_OPMODE);
  for (ULONG Tries = 0; Tries < TRX_STOP_TRIES; Tries++) {
    TRX_CSR_WRITE(A, CSR6_OPMODE, Mode & ~CSR6_START_TX);
    if ((TRX_CSR_READ(A, CSR5_STATUS) & CSR5_TX_STATE_MASK) == 0) break;
    TRX_STALL(10);
  }
  if ((Mode & CSR6_THRESHOLD_MASK) == CSR6_THRESHOLD_MASK) {
    Mode |= CSR6_STORE_AND_FORWARD;
  } else {
    Mode += CSR6_THRESHOLD_STEP;
  }
  TRX_CSR_WRITE(A, CSR6_OPMODE, Mode & ~CSR6_START_TX);
  TRX_CSR_WRITE(A, CSR6_OPMODE, Mode | CSR6_START_TX);
  TRX_CSR_WRITE(A, CSR1_TX_POLL, 0);
  NdisDprReleaseSpinLock(&A->ChipLock);
}

static VOID CountMissedFrames(PADAPTER_CONTEXT A) {
  ULONG Missed = TRX_CSR_READ(A, CSR8_MISSED);
  NdisDprAcquireSpinLock(&A->RxLock);
  A->RcvMissed += (Missed & CSR8_OVERFLOW) ? 0x10000 : (Missed & CSR8_COUNT_MASK);
  NdisDprReleaseSpinLock(&A->RxLock);
}

// Bounded: a chip whose status never clears (or a card gone from the bus,
// which reads as all ones) must not hold the processor in this loop. Events
// still set when the rounds run out interrupt again once the mask is lifted.
VOID ServiceInterrupts(PADAPTER_CONTEXT A) {
  ULONG Status;
  ULONG Rounds = 0;
  do {
    Status = TRX_CSR_READ(A, CSR5_STATUS);
    TRX_CSR_WRITE(A, CSR5_STATUS, Status);
    // No buffer means the chain is full of frames. Their receive interrupt
    // may be gone: a reset clears it, and the chip cannot raise it again
    // until the walk hands descriptors back.
    if (Status & (CSR5_RX_INTERRUPT | CSR5_RX_UNAVAILABLE)) IndicateReceives(A);
    if (Status & (CSR5_TX_INTERRUPT | CSR5_TX_UNAVAILABLE)) CompleteTransmits(A);
    if (Status & CSR5_ABNORMAL_EVENTS) {
      BOOLEAN Serial = A->PhyKind == TRX_PHY_NONE;
      if (Status & CSR5_GP_PORT) {
        AcknowledgePhy(A);
        UpdateLinkState(A);
      }
      if ((Status & CSR5_LINK_FAIL) && Serial) UpdateLinkState(A);
      if ((Status & CSR5_LINK_PASS) && Serial) UpdateLinkState(A);
      if (Status & CSR5_TX_UNDERFLOW) RaiseTransmitThreshold(A);
      if (Status & CSR5_RX_UNAVAILABLE) CountMissedFrames(A);
    }
  } while (++Rounds < TRX_SERVICE_ROUNDS && (TRX_CSR_READ(A, CSR5_STATUS) & CSR7_ENABLED_EVENTS));
}

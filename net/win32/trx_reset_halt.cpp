// Reset, halt and shutdown, and ReleaseAdapter, the one teardown for a failed
// Initialize and for Halt.
#include "trx_miniport.h"

// Reset runs at DISPATCH level, where the link's settle time cannot be slept
// away: the chip is restarted now and the reset completes from a timer.
NDIS_STATUS NTAPI MiniportReset(PBOOLEAN AddressingReset, NDIS_HANDLE MiniportAdapterContext) {
  PADAPTER_CONTEXT A = (PADAPTER_CONTEXT)MiniportAdapterContext;
  *AddressingReset = FALSE;  // the filter state is reloaded by the restart
  NDIS_STATUS Status = A->ChipOps.InitializeChip(A, FALSE);
  if (Status != NDIS_STATUS_SUCCESS) return Status;
  A->ResetPending = TRUE;
  NdisMSetTimer(&A->ResetTimer, TRX_LINK_SETTLE_US / 1000);
  return NDIS_STATUS_PENDING;
}

VOID NTAPI FinishReset(PVOID SystemSpecific1, PVOID Context, PVOID SystemSpecific2, PVOID SystemSpecific3) {
  UNREFERENCED_PARAMETER(SystemSpecific1);
  UNREFERENCED_PARAMETER(SystemSpecific2);
  UNREFERENCED_PARAMETER(SystemSpecific3);
  PADAPTER_CONTEXT A = (PADAPTER_CONTEXT)Context;
  if (!A->ResetPending) return;
  A->ResetPending = FALSE;
  A->ChipOps.InitializeChip(A, TRUE);
  A->ChipOps.SetConnectionType(A, 0, A->ConnectionType);
  A->ChipOps.EnableInterrupts(A);
  NdisMResetComplete(A->MiniportAdapterHandle, NDIS_STATUS_SUCCESS, FALSE);
}

VOID NTAPI MiniportShutdown(PVOID ShutdownContext) {
  PADAPTER_CONTEXT A = (PADAPTER_CONTEXT)ShutdownContext;
  A->ChipOps.StopChip(A);
}

VOID NTAPI MiniportHalt(NDIS_HANDLE MiniportAdapterContext) {
  ReleaseAdapter((PADAPTER_CONTEXT)MiniportAdapterContext);
}

VOID ReleaseAdapter(PADAPTER_CONTEXT A) {
  A->InitDone = FALSE;
  if (A->ShutdownRegistered) {
    NdisMDeregisterAdapterShutdownHandler(A->MiniportAdapterHandle);
    A->ShutdownRegistered = FALSE;
  }
  if (A->ResetTimerInitialized) {
    BOOLEAN Cancelled;
    NdisMCancelTimer(&A->ResetTimer, &Cancelled);
    A->ResetPending = FALSE;
  }
  if (A->ChipReady) {
    // A chip left running keeps fetching descriptors and storing frames into
    // the areas freed below, with or without an interrupt to report them.
    NdisAllocateSpinLock(&A->BringUpLock);
    NdisAcquireSpinLock(&A->BringUpLock);
    A->ChipOps.StopChip(A);
    NdisReleaseSpinLock(&A->BringUpLock);
    NdisFreeSpinLock(&A->BringUpLock);
    if (A->InterruptRegistered) {
      NdisMDeregisterInterrupt(&A->Interrupt);
      A->InterruptRegistered = FALSE;
    }
    A->ChipOps.ReleaseChip(A);
    A->ChipReady = FALSE;
  }
  if (A->BufferAreaVirtual != NULL) {
    NDIS_PHYSICAL_ADDRESS Physical;
    NdisSetPhysicalAddressHigh(Physical, 0);
    NdisSetPhysicalAddressLow(Physical, A->BufferAreaPhysical);
    NdisMFreeSharedMemory(A->MiniportAdapterHandle, A->BufferAreaLength, TRUE, A->BufferAreaVirtual, Physical);
  }
  if (A->MapRegistersAllocated) NdisMFreeMapRegisters(A->MiniportAdapterHandle);
  if (A->CsrMapped) NdisMUnmapIoSpace(A->MiniportAdapterHandle, A->CsrBase, A->CsrLength);
  if (A->PacketPool != NULL) NdisFreePacketPool(A->PacketPool);
  if (A->BufferPool != NULL) NdisFreeBufferPool(A->BufferPool);
  NdisFreeMemory(A, sizeof(ADAPTER_CONTEXT), 0);
}

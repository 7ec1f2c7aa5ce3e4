// Driver entry, the handler table, and the thin handlers that forward into
// ChipOps.
#include "trx_miniport.h"

extern "C" TRX_INIT_CODE NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath) {
  NDIS_HANDLE Wrapper = NULL;
  NdisInitializeWrapper(&Wrapper, DriverObject, RegistryPath, NULL);

  NDIS_MINIPORT_CHARACTERISTICS Chars;
  NdisZeroMemory(&Chars, sizeof(Chars));
  Chars.Ndis40Chars.Ndis30Chars.MajorNdisVersion = 5;
  Chars.Ndis40Chars.Ndis30Chars.MinorNdisVersion = 0;
  Chars.Ndis40Chars.Ndis30Chars.DisableInterruptHandler = MiniportDisableInterrupt;
  Chars.Ndis40Chars.Ndis30Chars.EnableInterruptHandler = MiniportEnableInterrupt;
  Chars.Ndis40Chars.Ndis30Chars.HaltHandler = MiniportHalt;
  Chars.Ndis40Chars.Ndis30Chars.HandleInterruptHandler = MiniportHandleInterrupt;
  Chars.Ndis40Chars.Ndis30Chars.InitializeHandler = MiniportInitialize;
  Chars.Ndis40Chars.Ndis30Chars.ISRHandler = MiniportIsr;
  Chars.Ndis40Chars.Ndis30Chars.QueryInformationHandler = MiniportQueryInformation;
  Chars.Ndis40Chars.Ndis30Chars.ResetHandler = MiniportReset;
  Chars.Ndis40Chars.Ndis30Chars.SetInformationHandler = MiniportSetInformation;
  Chars.Ndis40Chars.ReturnPacketHandler = MiniportReturnPacket;
  Chars.Ndis40Chars.SendPacketsHandler = MiniportSendPackets;

  NDIS_STATUS Status = NdisMRegisterMiniport(Wrapper, &Chars, sizeof(Chars));
  if (Status != NDIS_STATUS_SUCCESS) NdisTerminateWrapper(Wrapper, NULL);
  return Status;
}

VOID NTAPI MiniportEnableInterrupt(NDIS_HANDLE MiniportAdapterContext) {
  PADAPTER_CONTEXT A = (PADAPTER_CONTEXT)MiniportAdapterContext;
  A->ChipOps.EnableInterrupts(A);
}

VOID NTAPI MiniportDisableInterrupt(NDIS_HANDLE MiniportAdapterContext) {
  PADAPTER_CONTEXT A = (PADAPTER_CONTEXT)MiniportAdapterContext;
  A->ChipOps.DisableInterrupts(A);
}

VOID NTAPI MiniportIsr(PBOOLEAN InterruptRecognized, PBOOLEAN QueueMiniportHandleInterrupt,
                       NDIS_HANDLE MiniportAdapterContext) {
  PADAPTER_CONTEXT A = (PADAPTER_CONTEXT)MiniportAdapterContext;
  if (A->ChipOps.InterruptPending(A)) {
    A->ChipOps.DisableInterrupts(A);
    *InterruptRecognized = TRUE;
    *QueueMiniportHandleInterrupt = TRUE;
  } else {
    *InterruptRecognized = FALSE;
  }
}

VOID NTAPI MiniportHandleInterrupt(NDIS_HANDLE MiniportAdapterContext) {
  PADAPTER_CONTEXT A = (PADAPTER_CONTEXT)MiniportAdapterContext;
  A->ChipOps.ServiceInterrupts(A);
  A->ChipOps.EnableInterrupts(A);
}

VOID NTAPI MiniportReturnPacket(NDIS_HANDLE MiniportAdapterContext, PNDIS_PACKET Packet) {
  PADAPTER_CONTEXT A = (PADAPTER_CONTEXT)MiniportAdapterContext;
  PRX_RECORD R = RxRecordOfPacket(Packet);
  ReattachReceiveBuffer(R);
  A->ChipOps.RecycleReceive(A, R);
}

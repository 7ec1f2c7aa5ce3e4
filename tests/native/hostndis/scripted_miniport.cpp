#include "scripted_miniport.h"

namespace hostndis_test {

namespace {

Script* g_script = nullptr;

NDIS_STATUS NTAPI Initialize(PNDIS_STATUS OpenErrorStatus, PUINT SelectedMediumIndex, PNDIS_MEDIUM Media,
                             UINT MediaCount, NDIS_HANDLE Handle, NDIS_HANDLE WrapperConfigurationContext) {
  UINT medium = 0;
  while (medium < MediaCount && Media[medium] != NdisMedium802_3) ++medium;
  if (medium == MediaCount) return NDIS_STATUS_UNSUPPORTED_MEDIA;
  g_script->handle = Handle;
  g_script->wrapper_context = WrapperConfigurationContext;
  if (g_script->set_attributes) NdisMSetAttributesEx(Handle, g_script, 0, NDIS_ATTRIBUTE_BUS_MASTER, NdisInterfacePci);
  *SelectedMediumIndex = medium;
  *OpenErrorStatus = NDIS_STATUS_SUCCESS;
  return g_script->initialize ? g_script->initialize() : NDIS_STATUS_SUCCESS;
}

VOID NTAPI Halt(NDIS_HANDLE) {
  if (g_script->halt) g_script->halt();
}

VOID NTAPI SendPackets(NDIS_HANDLE, PPNDIS_PACKET Packets, UINT Count) {
  if (g_script->send_packets) {
    g_script->send_packets(Packets, Count);
    return;
  }
  for (UINT i = 0; i < Count; ++i) NDIS_SET_PACKET_STATUS(Packets[i], NDIS_STATUS_RESOURCES);
}

VOID NTAPI ReturnPacket(NDIS_HANDLE, PNDIS_PACKET Packet) {
  if (g_script->return_packet) g_script->return_packet(Packet);
}

NDIS_STATUS NTAPI Query(NDIS_HANDLE, NDIS_OID Oid, PVOID Buffer, ULONG Length, PULONG Written, PULONG Needed) {
  return g_script->query ? g_script->query(Oid, Buffer, Length, Written, Needed) : NDIS_STATUS_INVALID_OID;
}

NDIS_STATUS NTAPI Set(NDIS_HANDLE, NDIS_OID Oid, PVOID Buffer, ULONG Length, PULONG Read, PULONG Needed) {
  return g_script->set ? g_script->set(Oid, Buffer, Length, Read, Needed) : NDIS_STATUS_INVALID_OID;
}

NDIS_STATUS NTAPI Reset(PBOOLEAN AddressingReset, NDIS_HANDLE) {
  *AddressingReset = FALSE;
  return g_script->reset ? g_script->reset(AddressingReset) : NDIS_STATUS_SUCCESS;
}

VOID NTAPI Isr(PBOOLEAN Recognized, PBOOLEAN Queue, NDIS_HANDLE) {
  ++g_script->isr_calls;
  bool mine = g_script->isr && g_script->isr();
  *Recognized = mine ? TRUE : FALSE;
  if (mine) *Queue = TRUE;
}

VOID NTAPI HandleInterrupt(NDIS_HANDLE) {
  ++g_script->dpc_calls;
  if (g_script->handle_interrupt) g_script->handle_interrupt();
}

}  // namespace

void SetScript(Script* script) { g_script = script; }

NTSTATUS NTAPI ScriptedDriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath) {
  NDIS_HANDLE Wrapper;
  NdisInitializeWrapper(&Wrapper, DriverObject, RegistryPath, NULL);
  NDIS_MINIPORT_CHARACTERISTICS Chars;
  NdisZeroMemory(&Chars, sizeof(Chars));
  Chars.Ndis40Chars.Ndis30Chars.MajorNdisVersion = 5;
  Chars.Ndis40Chars.Ndis30Chars.InitializeHandler = Initialize;
  Chars.Ndis40Chars.Ndis30Chars.HaltHandler = Halt;
  Chars.Ndis40Chars.Ndis30Chars.QueryInformationHandler = Query;
  Chars.Ndis40Chars.Ndis30Chars.SetInformationHandler = Set;
  Chars.Ndis40Chars.Ndis30Chars.ResetHandler = Reset;
  Chars.Ndis40Chars.Ndis30Chars.ISRHandler = Isr;
  Chars.Ndis40Chars.Ndis30Chars.HandleInterruptHandler = HandleInterrupt;
  Chars.Ndis40Chars.SendPacketsHandler = SendPackets;
  Chars.Ndis40Chars.ReturnPacketHandler = ReturnPacket;
  NDIS_STATUS Status = NdisMRegisterMiniport(Wrapper, &Chars, sizeof(Chars));
  if (Status != NDIS_STATUS_SUCCESS) NdisTerminateWrapper(Wrapper, NULL);
  return Status;
}

}  // namespace hostndis_test

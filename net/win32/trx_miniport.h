// The NDIS-facing handlers of the miniport layer and the set-up routines they
// share. None of them touches the controller: they go through ChipOps.
#pragma once

#include "trx_adapter.h"

// Code that runs only while the driver loads: the loader frees the INIT
// section once DriverEntry has returned.
#define TRX_INIT_CODE __attribute__((section("INIT")))

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath);

NDIS_STATUS NTAPI MiniportInitialize(PNDIS_STATUS OpenErrorStatus, PUINT SelectedMediumIndex,
                                     PNDIS_MEDIUM MediumArray, UINT MediumArraySize,
                                     NDIS_HANDLE MiniportAdapterHandle, NDIS_HANDLE WrapperConfigurationContext);
VOID NTAPI MiniportHalt(NDIS_HANDLE MiniportAdapterContext);
NDIS_STATUS NTAPI MiniportReset(PBOOLEAN AddressingReset, NDIS_HANDLE MiniportAdapterContext);
VOID NTAPI MiniportShutdown(PVOID ShutdownContext);
VOID NTAPI MiniportSendPackets(NDIS_HANDLE MiniportAdapterContext, PPNDIS_PACKET PacketArray, UINT NumberOfPackets);
VOID NTAPI MiniportReturnPacket(NDIS_HANDLE MiniportAdapterContext, PNDIS_PACKET Packet);
NDIS_STATUS NTAPI MiniportQueryInformation(NDIS_HANDLE MiniportAdapterContext, NDIS_OID Oid, PVOID InformationBuffer,
                                           ULONG InformationBufferLength, PULONG BytesWritten, PULONG BytesNeeded);
NDIS_STATUS NTAPI MiniportSetInformation(NDIS_HANDLE MiniportAdapterContext, NDIS_OID Oid, PVOID InformationBuffer,
                                         ULONG InformationBufferLength, PULONG BytesRead, PULONG BytesNeeded);
VOID NTAPI MiniportIsr(PBOOLEAN InterruptRecognized, PBOOLEAN QueueMiniportHandleInterrupt,
                       NDIS_HANDLE MiniportAdapterContext);
VOID NTAPI MiniportHandleInterrupt(NDIS_HANDLE MiniportAdapterContext);
VOID NTAPI MiniportEnableInterrupt(NDIS_HANDLE MiniportAdapterContext);
VOID NTAPI MiniportDisableInterrupt(NDIS_HANDLE MiniportAdapterContext);

// Set-up and teardown.
NDIS_STATUS ReadKeywords(PADAPTER_CONTEXT A, NDIS_HANDLE ConfigurationHandle);
VOID ParseOptions(const NDIS_STRING* Text, ULONG Options[16]);
BOOLEAN CheckPciIdentity(NDIS_HANDLE MiniportAdapterHandle, ULONG Slot, ULONG Identifier, ULONG Subsystem);
VOID ReleaseAdapter(PADAPTER_CONTEXT A);
VOID NTAPI FinishReset(PVOID SystemSpecific1, PVOID Context, PVOID SystemSpecific2, PVOID SystemSpecific3);

// InstallChipOps is the one chip-layer routine the set-up calls directly:
// it is what fills ChipOps.
NDIS_STATUS InstallChipOps(PADAPTER_CONTEXT A, ULONG RxRingSize, ULONG TxRingSize, const ULONG Options[16]);

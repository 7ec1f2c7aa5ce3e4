// <ndis.h> for the kernel build: the platform's DDK header (mingw-w64's
// ddk/ndis.h) made to compile as C++ for an NDIS 5.0 miniport. The kernel
// build puts this directory first on the include path, so the driver's
// `#include <ndis.h>` lands here; the native build gets the host stand-in's
// header of the same name instead.
#pragma once

#ifndef NDIS_MINIPORT_DRIVER
#define NDIS_MINIPORT_DRIVER 1
#endif
#ifndef NDIS50_MINIPORT
#define NDIS50_MINIPORT 1
#endif

// In C++ the DDK's own inline InterlockedBitTestAndSet/Reset clash with the
// declarations intrin.h makes; telling intrin.h they exist keeps only the
// DDK's.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset

#include <ddk/ntddk.h>

// ntddndis.h and ddk/ndis.h both define the request type enumeration. The
// SDK copy (read first) is renamed out of the way; the DDK one stands.
typedef int NDIS_STATUS, *PNDIS_STATUS;
#define _NDIS_REQUEST_TYPE TmrxSdk_NDIS_REQUEST_TYPE_tag
#define NDIS_REQUEST_TYPE TmrxSdk_NDIS_REQUEST_TYPE
#define PNDIS_REQUEST_TYPE TmrxSdk_PNDIS_REQUEST_TYPE
#define NdisRequestQueryInformation TmrxSdk_NdisRequestQueryInformation
#define NdisRequestSetInformation TmrxSdk_NdisRequestSetInformation
#define NdisRequestQueryStatistics TmrxSdk_NdisRequestQueryStatistics
#define NdisRequestOpen TmrxSdk_NdisRequestOpen
#define NdisRequestClose TmrxSdk_NdisRequestClose
#define NdisRequestSend TmrxSdk_NdisRequestSend
#define NdisRequestTransferData TmrxSdk_NdisRequestTransferData
#define NdisRequestReset TmrxSdk_NdisRequestReset
#define NdisRequestGeneric1 TmrxSdk_NdisRequestGeneric1
#define NdisRequestGeneric2 TmrxSdk_NdisRequestGeneric2
#define NdisRequestGeneric3 TmrxSdk_NdisRequestGeneric3
#define NdisRequestGeneric4 TmrxSdk_NdisRequestGeneric4
#define NdisRequestMethod TmrxSdk_NdisRequestMethod
#include <ntddndis.h>
#undef _NDIS_REQUEST_TYPE
#undef NDIS_REQUEST_TYPE
#undef PNDIS_REQUEST_TYPE
#undef NdisRequestQueryInformation
#undef NdisRequestSetInformation
#undef NdisRequestQueryStatistics
#undef NdisRequestOpen
#undef NdisRequestClose
#undef NdisRequestSend
#undef NdisRequestTransferData
#undef NdisRequestReset
#undef NdisRequestGeneric1
#undef NdisRequestGeneric2
#undef NdisRequestGeneric3
#undef NdisRequestGeneric4
#undef NdisRequestMethod

// The DDK's prototype of NdisMWanIndicateReceiveComplete lacks a comma
// between its parameters; the declaration is swapped for a well-formed one
// under another name (a WAN call no miniport here makes).
#define NdisMWanIndicateReceiveComplete(...) TmrxDdkWanIndicateReceiveComplete(NDIS_HANDLE, NDIS_HANDLE)

#include <ddk/ndis.h>

#undef NdisMWanIndicateReceiveComplete

// Exported by NDIS.SYS, but not declared by this DDK.
extern "C" {
NDISAPI NDIS_STATUS NTAPI NdisMPciAssignResources(NDIS_HANDLE MiniportHandle, ULONG SlotNumber,
                                                  PNDIS_RESOURCE_LIST* AssignedResources);
NDISAPI VOID NTAPI NdisMStartBufferPhysicalMapping(NDIS_HANDLE MiniportAdapterHandle, PNDIS_BUFFER Buffer,
                                                   ULONG PhysicalMapRegister, BOOLEAN WriteToDevice,
                                                   PNDIS_PHYSICAL_ADDRESS_UNIT PhysicalAddressArray,
                                                   PUINT ArraySize);
NDISAPI VOID NTAPI NdisMCompleteBufferPhysicalMapping(NDIS_HANDLE MiniportAdapterHandle, PNDIS_BUFFER Buffer,
                                                      ULONG PhysicalMapRegister);
// Exported by ntoskrnl.exe, not declared by this DDK; only checked builds'
// assertions call it (TRX_ASSERT_HELD).
NTKERNELAPI BOOLEAN FASTCALL KeTestSpinLock(PKSPIN_LOCK SpinLock);
}

// Counted UTF-16 text of a literal, lengths in bytes without the terminator.
#ifndef NDIS_STRING_CONST
#define NDIS_STRING_CONST(x) \
  { sizeof(L##x) - 2, sizeof(L##x), (PWSTR)L##x }
#endif

// NdisFreeSpinLock is an empty macro in the DDK; an expression instead keeps
// `if (...) NdisFreeSpinLock(&Lock);` free of empty-body warnings.
#undef NdisFreeSpinLock
#define NdisFreeSpinLock(_SpinLock) ((void)(_SpinLock))

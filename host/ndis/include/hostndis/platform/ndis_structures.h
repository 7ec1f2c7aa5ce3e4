// NDIS records a miniport fills, reads or carries: packets and buffers,
// configuration parameters, spin locks, interrupt and timer storage, and the
// miniport characteristics record (NDIS 3.0, 4.0 and 5.0 parts nested, as the
// platform lays it out for C++).
#pragma once

#include "hostndis/platform/ndis_constants.h"

typedef PVOID NDIS_HANDLE, *PNDIS_HANDLE;
typedef UNICODE_STRING NDIS_STRING, *PNDIS_STRING;
typedef ANSI_STRING NDIS_ANSI_STRING, *PNDIS_ANSI_STRING;
typedef MDL NDIS_BUFFER, *PNDIS_BUFFER;
typedef PHYSICAL_ADDRESS NDIS_PHYSICAL_ADDRESS, *PNDIS_PHYSICAL_ADDRESS;
typedef CM_PARTIAL_RESOURCE_LIST NDIS_RESOURCE_LIST, *PNDIS_RESOURCE_LIST;
typedef struct _NDIS_MINIPORT_BLOCK NDIS_MINIPORT_BLOCK, *PNDIS_MINIPORT_BLOCK;

typedef struct _NDIS_SPIN_LOCK {
  KSPIN_LOCK SpinLock;  // the stand-in's record of the lock, plus one
  KIRQL OldIrql;
} NDIS_SPIN_LOCK, *PNDIS_SPIN_LOCK;

typedef struct _NDIS_PHYSICAL_ADDRESS_UNIT {
  NDIS_PHYSICAL_ADDRESS PhysicalAddress;
  UINT Length;
} NDIS_PHYSICAL_ADDRESS_UNIT, *PNDIS_PHYSICAL_ADDRESS_UNIT;

typedef struct _BINARY_DATA {
  USHORT Length;
  PVOID Buffer;
} BINARY_DATA;

typedef struct _NDIS_CONFIGURATION_PARAMETER {
  NDIS_PARAMETER_TYPE ParameterType;
  union {
    ULONG IntegerData;
    NDIS_STRING StringData;
    BINARY_DATA BinaryData;
  } ParameterData;
} NDIS_CONFIGURATION_PARAMETER, *PNDIS_CONFIGURATION_PARAMETER;

typedef NDIS_HANDLE PNDIS_PACKET_POOL;

typedef struct _NDIS_PACKET_PRIVATE {
  UINT PhysicalCount;
  UINT TotalLength;
  PNDIS_BUFFER Head;
  PNDIS_BUFFER Tail;
  PNDIS_PACKET_POOL Pool;
  UINT Count;
  ULONG Flags;
  BOOLEAN ValidCounts;
  UCHAR NdisPacketFlags;
  USHORT NdisPacketOobOffset;
} NDIS_PACKET_PRIVATE, *PNDIS_PACKET_PRIVATE;

typedef struct _NDIS_PACKET {
  NDIS_PACKET_PRIVATE Private;
  __extension__ union {
    __extension__ struct {
      UCHAR MiniportReserved[2 * sizeof(PVOID)];
      UCHAR WrapperReserved[2 * sizeof(PVOID)];
    };
    __extension__ struct {
      UCHAR MiniportReservedEx[3 * sizeof(PVOID)];
      UCHAR WrapperReservedEx[sizeof(PVOID)];
    };
    __extension__ struct {
      UCHAR MacReserved[4 * sizeof(PVOID)];
    };
  };
  ULONG_PTR Reserved[2];
  UCHAR ProtocolReserved[1];
} NDIS_PACKET, *PNDIS_PACKET, **PPNDIS_PACKET;

typedef struct _NDIS_PACKET_OOB_DATA {
  __extension__ union {
    ULONGLONG TimeToSend;
    ULONGLONG TimeSent;
  };
  ULONGLONG TimeReceived;
  UINT HeaderSize;
  UINT SizeMediaSpecificInfo;
  PVOID MediaSpecificInformation;
  NDIS_STATUS Status;
} NDIS_PACKET_OOB_DATA, *PNDIS_PACKET_OOB_DATA;

typedef enum _NDIS_PER_PACKET_INFO {
  TcpIpChecksumPacketInfo,
  IpSecPacketInfo,
  TcpLargeSendPacketInfo,
  ClassificationHandlePacketInfo,
  NdisReserved,
  ScatterGatherListPacketInfo,
  Ieee8021QInfo,
  OriginalPacketInfo,
  PacketCancelId,
  OriginalNetBufferList,
  CachedNetBufferList,
  ShortPacketPaddingInfo,
  MaxPerPacketInfo
} NDIS_PER_PACKET_INFO, *PNDIS_PER_PACKET_INFO;

typedef struct _NDIS_PACKET_EXTENSION {
  PVOID NdisPacketInfo[MaxPerPacketInfo];
} NDIS_PACKET_EXTENSION, *PNDIS_PACKET_EXTENSION;

// Miniport handlers.
typedef BOOLEAN (NTAPI* W_CHECK_FOR_HANG_HANDLER)(NDIS_HANDLE MiniportAdapterContext);
typedef VOID (NTAPI* W_DISABLE_INTERRUPT_HANDLER)(NDIS_HANDLE MiniportAdapterContext);
typedef VOID (NTAPI* W_ENABLE_INTERRUPT_HANDLER)(NDIS_HANDLE MiniportAdapterContext);
typedef VOID (NTAPI* W_HALT_HANDLER)(NDIS_HANDLE MiniportAdapterContext);
typedef VOID (NTAPI* W_HANDLE_INTERRUPT_HANDLER)(NDIS_HANDLE MiniportAdapterContext);
typedef NDIS_STATUS (NTAPI* W_INITIALIZE_HANDLER)(PNDIS_STATUS OpenErrorStatus, PUINT SelectedMediumIndex,
                                                  PNDIS_MEDIUM MediumArray, UINT MediumArraySize,
                                                  NDIS_HANDLE MiniportAdapterContext,
                                                  NDIS_HANDLE WrapperConfigurationContext);
typedef VOID (NTAPI* W_ISR_HANDLER)(PBOOLEAN InterruptRecognized, PBOOLEAN QueueMiniportHandleInterrupt,
                                    NDIS_HANDLE MiniportAdapterContext);
typedef NDIS_STATUS (NTAPI* W_QUERY_INFORMATION_HANDLER)(NDIS_HANDLE MiniportAdapterContext, NDIS_OID Oid,
                                                         PVOID InformationBuffer, ULONG InformationBufferLength,
                                                         PULONG BytesWritten, PULONG BytesNeeded);
typedef NDIS_STATUS (NTAPI* W_RECONFIGURE_HANDLER)(PNDIS_STATUS OpenErrorStatus, NDIS_HANDLE MiniportAdapterContext,
                                                   NDIS_HANDLE WrapperConfigurationContext);
typedef NDIS_STATUS (NTAPI* W_RESET_HANDLER)(PBOOLEAN AddressingReset, NDIS_HANDLE MiniportAdapterContext);
typedef NDIS_STATUS (NTAPI* W_SEND_HANDLER)(NDIS_HANDLE MiniportAdapterContext, PNDIS_PACKET Packet, UINT Flags);
typedef NDIS_STATUS (NTAPI* W_SET_INFORMATION_HANDLER)(NDIS_HANDLE MiniportAdapterContext, NDIS_OID Oid,
                                                       PVOID InformationBuffer, ULONG InformationBufferLength,
                                                       PULONG BytesRead, PULONG BytesNeeded);
typedef NDIS_STATUS (NTAPI* W_TRANSFER_DATA_HANDLER)(PNDIS_PACKET Packet, PUINT BytesTransferred,
                                                     NDIS_HANDLE MiniportAdapterContext,
                                                     NDIS_HANDLE MiniportReceiveContext, UINT ByteOffset,
                                                     UINT BytesToTransfer);
typedef VOID (NTAPI* ADAPTER_SHUTDOWN_HANDLER)(PVOID ShutdownContext);
typedef VOID (NTAPI* W_RETURN_PACKET_HANDLER)(NDIS_HANDLE MiniportAdapterContext, PNDIS_PACKET Packet);
typedef VOID (NTAPI* W_SEND_PACKETS_HANDLER)(NDIS_HANDLE MiniportAdapterContext, PPNDIS_PACKET PacketArray,
                                             UINT NumberOfPackets);
typedef VOID (NTAPI* W_ALLOCATE_COMPLETE_HANDLER)(NDIS_HANDLE MiniportAdapterContext, PVOID VirtualAddress,
                                                  PNDIS_PHYSICAL_ADDRESS PhysicalAddress, ULONG Length,
                                                  PVOID Context);
// Connection-oriented handlers: never used by a connectionless miniport.
typedef NDIS_STATUS (NTAPI* W_CO_CREATE_VC_HANDLER)(NDIS_HANDLE MiniportAdapterContext, NDIS_HANDLE NdisVcHandle,
                                                    PNDIS_HANDLE MiniportVcContext);
typedef NDIS_STATUS (NTAPI* W_CO_DELETE_VC_HANDLER)(NDIS_HANDLE MiniportVcContext);
typedef NDIS_STATUS (NTAPI* W_CO_ACTIVATE_VC_HANDLER)(NDIS_HANDLE MiniportVcContext, PVOID CallParameters);
typedef NDIS_STATUS (NTAPI* W_CO_DEACTIVATE_VC_HANDLER)(NDIS_HANDLE MiniportVcContext);
typedef VOID (NTAPI* W_CO_SEND_PACKETS_HANDLER)(NDIS_HANDLE MiniportVcContext, PPNDIS_PACKET PacketArray,
                                                UINT NumberOfPackets);
typedef NDIS_STATUS (NTAPI* W_CO_REQUEST_HANDLER)(NDIS_HANDLE MiniportAdapterContext, NDIS_HANDLE MiniportVcContext,
                                                  PVOID NdisRequest);

typedef struct _NDIS30_MINIPORT_CHARACTERISTICS {
  UCHAR MajorNdisVersion;
  UCHAR MinorNdisVersion;
  UINT Reserved;
  W_CHECK_FOR_HANG_HANDLER CheckForHangHandler;
  W_DISABLE_INTERRUPT_HANDLER DisableInterruptHandler;
  W_ENABLE_INTERRUPT_HANDLER EnableInterruptHandler;
  W_HALT_HANDLER HaltHandler;
  W_HANDLE_INTERRUPT_HANDLER HandleInterruptHandler;
  W_INITIALIZE_HANDLER InitializeHandler;
  W_ISR_HANDLER ISRHandler;
  W_QUERY_INFORMATION_HANDLER QueryInformationHandler;
  W_RECONFIGURE_HANDLER ReconfigureHandler;
  W_RESET_HANDLER ResetHandler;
  W_SEND_HANDLER SendHandler;
  W_SET_INFORMATION_HANDLER SetInformationHandler;
  W_TRANSFER_DATA_HANDLER TransferDataHandler;
} NDIS30_MINIPORT_CHARACTERISTICS;

typedef struct _NDIS40_MINIPORT_CHARACTERISTICS {
  NDIS30_MINIPORT_CHARACTERISTICS Ndis30Chars;
  W_RETURN_PACKET_HANDLER ReturnPacketHandler;
  W_SEND_PACKETS_HANDLER SendPacketsHandler;
  W_ALLOCATE_COMPLETE_HANDLER AllocateCompleteHandler;
} NDIS40_MINIPORT_CHARACTERISTICS;

typedef struct _NDIS50_MINIPORT_CHARACTERISTICS {
  NDIS40_MINIPORT_CHARACTERISTICS Ndis40Chars;
  W_CO_CREATE_VC_HANDLER CoCreateVcHandler;
  W_CO_DELETE_VC_HANDLER CoDeleteVcHandler;
  W_CO_ACTIVATE_VC_HANDLER CoActivateVcHandler;
  W_CO_DEACTIVATE_VC_HANDLER CoDeactivateVcHandler;
  W_CO_SEND_PACKETS_HANDLER CoSendPacketsHandler;
  W_CO_REQUEST_HANDLER CoRequestHandler;
} NDIS50_MINIPORT_CHARACTERISTICS;

typedef NDIS50_MINIPORT_CHARACTERISTICS NDIS_MINIPORT_CHARACTERISTICS, *PNDIS_MINIPORT_CHARACTERISTICS;

typedef struct _NDIS_MINIPORT_INTERRUPT {
  PKINTERRUPT InterruptObject;
  KSPIN_LOCK DpcCountLock;
  PVOID Reserved;
  W_ISR_HANDLER MiniportIsr;
  W_HANDLE_INTERRUPT_HANDLER MiniportDpc;
  KDPC InterruptDpc;
  PNDIS_MINIPORT_BLOCK Miniport;
  UCHAR DpcCount;
  BOOLEAN Filler1;
  KEVENT DpcsCompletedEvent;
  BOOLEAN SharedInterrupt;
  BOOLEAN IsrRequested;
} NDIS_MINIPORT_INTERRUPT, *PNDIS_MINIPORT_INTERRUPT;

typedef VOID(NTAPI NDIS_TIMER_FUNCTION)(PVOID SystemSpecific1, PVOID FunctionContext, PVOID SystemSpecific2,
                                        PVOID SystemSpecific3);
typedef NDIS_TIMER_FUNCTION* PNDIS_TIMER_FUNCTION;

typedef struct _NDIS_MINIPORT_TIMER {
  KTIMER Timer;
  KDPC Dpc;
  PNDIS_TIMER_FUNCTION MiniportTimerFunction;
  PVOID MiniportTimerContext;
  PNDIS_MINIPORT_BLOCK Miniport;
  struct _NDIS_MINIPORT_TIMER* NextDeferredTimer;
} NDIS_MINIPORT_TIMER, *PNDIS_MINIPORT_TIMER;

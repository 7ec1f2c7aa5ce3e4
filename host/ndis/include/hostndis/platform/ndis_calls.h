// The NDIS, kernel and HAL operations a miniport calls, with the platform's
// names and parameter lists. Operations that the platform offers as macros
// over its own records stay macros here; the others are functions of the
// host stand-in (library hostndis), routed through the handles they are given.
#pragma once

#include "hostndis/platform/ndis_structures.h"

extern "C" {

// Wrapper and registration.
VOID NdisInitializeWrapper(PNDIS_HANDLE NdisWrapperHandle, PVOID SystemSpecific1, PVOID SystemSpecific2,
                           PVOID SystemSpecific3);
NDIS_STATUS NdisMRegisterMiniport(NDIS_HANDLE NdisWrapperHandle,
                                  PNDIS_MINIPORT_CHARACTERISTICS MiniportCharacteristics,
                                  UINT CharacteristicsLength);
VOID NdisTerminateWrapper(NDIS_HANDLE NdisWrapperHandle, PVOID SystemSpecific);

// Configuration.
VOID NdisOpenConfiguration(PNDIS_STATUS Status, PNDIS_HANDLE ConfigurationHandle,
                           NDIS_HANDLE WrapperConfigurationContext);
VOID NdisReadConfiguration(PNDIS_STATUS Status, PNDIS_CONFIGURATION_PARAMETER* ParameterValue,
                           NDIS_HANDLE ConfigurationHandle, PNDIS_STRING Keyword, NDIS_PARAMETER_TYPE ParameterType);
VOID NdisReadNetworkAddress(PNDIS_STATUS Status, PVOID* NetworkAddress, PUINT NetworkAddressLength,
                            NDIS_HANDLE ConfigurationHandle);
VOID NdisCloseConfiguration(NDIS_HANDLE ConfigurationHandle);

// Adapter attributes, PCI configuration space and assigned resources.
VOID NdisMSetAttributesEx(NDIS_HANDLE MiniportAdapterHandle, NDIS_HANDLE MiniportAdapterContext,
                          UINT CheckForHangTimeInSeconds, ULONG AttributeFlags, NDIS_INTERFACE_TYPE AdapterType);
NDIS_STATUS NdisMPciAssignResources(NDIS_HANDLE MiniportHandle, ULONG SlotNumber,
                                    PNDIS_RESOURCE_LIST* AssignedResources);
ULONG NdisReadPciSlotInformation(NDIS_HANDLE NdisAdapterHandle, ULONG SlotNumber, ULONG Offset, PVOID Buffer,
                                 ULONG Length);
ULONG NdisWritePciSlotInformation(NDIS_HANDLE NdisAdapterHandle, ULONG SlotNumber, ULONG Offset, PVOID Buffer,
                                  ULONG Length);
NDIS_STATUS NdisMMapIoSpace(PVOID* VirtualAddress, NDIS_HANDLE MiniportAdapterHandle,
                            NDIS_PHYSICAL_ADDRESS PhysicalAddress, UINT Length);
VOID NdisMUnmapIoSpace(NDIS_HANDLE MiniportAdapterHandle, PVOID VirtualAddress, UINT Length);

// Controller registers (the kernel's register primitives).
ULONG READ_REGISTER_ULONG(volatile ULONG* Register);
VOID WRITE_REGISTER_ULONG(volatile ULONG* Register, ULONG Value);

// Memory and DMA.
NDIS_STATUS NdisAllocateMemory(PVOID* VirtualAddress, UINT Length, UINT MemoryFlags,
                               NDIS_PHYSICAL_ADDRESS HighestAcceptableAddress);
VOID NdisFreeMemory(PVOID VirtualAddress, UINT Length, UINT MemoryFlags);
VOID NdisMAllocateSharedMemory(NDIS_HANDLE MiniportAdapterHandle, ULONG Length, BOOLEAN Cached,
                               PVOID* VirtualAddress, PNDIS_PHYSICAL_ADDRESS PhysicalAddress);
VOID NdisMFreeSharedMemory(NDIS_HANDLE MiniportAdapterHandle, ULONG Length, BOOLEAN Cached, PVOID VirtualAddress,
                           NDIS_PHYSICAL_ADDRESS PhysicalAddress);
NDIS_STATUS NdisMAllocateMapRegisters(NDIS_HANDLE MiniportAdapterHandle, UINT DmaChannel, NDIS_DMA_SIZE DmaSize,
                                      ULONG PhysicalMapRegistersNeeded, ULONG MaximumPhysicalMapping);
VOID NdisMFreeMapRegisters(NDIS_HANDLE MiniportAdapterHandle);
VOID NdisMStartBufferPhysicalMapping(NDIS_HANDLE MiniportAdapterHandle, PNDIS_BUFFER Buffer,
                                     ULONG PhysicalMapRegister, BOOLEAN WriteToDevice,
                                     PNDIS_PHYSICAL_ADDRESS_UNIT PhysicalAddressArray, PUINT ArraySize);
VOID NdisMCompleteBufferPhysicalMapping(NDIS_HANDLE MiniportAdapterHandle, PNDIS_BUFFER Buffer,
                                        ULONG PhysicalMapRegister);

// Packets and buffers.
VOID NdisAllocatePacketPool(PNDIS_STATUS Status, PNDIS_HANDLE PoolHandle, UINT NumberOfDescriptors,
                            UINT ProtocolReservedLength);
VOID NdisFreePacketPool(NDIS_HANDLE PoolHandle);
VOID NdisAllocatePacket(PNDIS_STATUS Status, PNDIS_PACKET* Packet, NDIS_HANDLE PoolHandle);
VOID NdisFreePacket(PNDIS_PACKET Packet);
VOID NdisAllocateBufferPool(PNDIS_STATUS Status, PNDIS_HANDLE PoolHandle, UINT NumberOfDescriptors);
VOID NdisFreeBufferPool(NDIS_HANDLE PoolHandle);
VOID NdisAllocateBuffer(PNDIS_STATUS Status, PNDIS_BUFFER* Buffer, NDIS_HANDLE PoolHandle, PVOID VirtualAddress,
                        UINT Length);
VOID NdisFreeBuffer(PNDIS_BUFFER Buffer);
// A macro on the platform; a function here so that a length beyond the
// buffer's memory is caught.
VOID NdisAdjustBufferLength(PNDIS_BUFFER Buffer, UINT Length);
VOID NdisUnchainBufferAtFront(PNDIS_PACKET Packet, PNDIS_BUFFER* Buffer);
VOID NdisUnchainBufferAtBack(PNDIS_PACKET Packet, PNDIS_BUFFER* Buffer);
ULONG NDIS_BUFFER_TO_SPAN_PAGES(PNDIS_BUFFER Buffer);

// Spin locks and IRQL.
VOID NdisAllocateSpinLock(PNDIS_SPIN_LOCK SpinLock);
VOID NdisFreeSpinLock(PNDIS_SPIN_LOCK SpinLock);
VOID NdisAcquireSpinLock(PNDIS_SPIN_LOCK SpinLock);
VOID NdisReleaseSpinLock(PNDIS_SPIN_LOCK SpinLock);
VOID NdisDprAcquireSpinLock(PNDIS_SPIN_LOCK SpinLock);
VOID NdisDprReleaseSpinLock(PNDIS_SPIN_LOCK SpinLock);
KIRQL KeGetCurrentIrql(VOID);
// FALSE while the lock is held (here that is by the code running). The
// kernel lock of an NDIS spin lock is its first field.
BOOLEAN FASTCALL KeTestSpinLock(PKSPIN_LOCK SpinLock);

// Assertions are always checked here, as in the platform's checked build:
// one that fails is a verifier finding (rule AssertionFailed).
VOID RtlAssert(PVOID FailedAssertion, PVOID FileName, ULONG LineNumber, PCHAR Message);
#define ASSERT(exp) ((exp) ? (VOID)0 : RtlAssert((PVOID) #exp, (PVOID)__FILE__, __LINE__, NULL))

// Interrupt and shutdown handler.
NDIS_STATUS NdisMRegisterInterrupt(PNDIS_MINIPORT_INTERRUPT Interrupt, NDIS_HANDLE MiniportAdapterHandle,
                                   UINT InterruptVector, UINT InterruptLevel, BOOLEAN RequestIsr,
                                   BOOLEAN SharedInterrupt, NDIS_INTERRUPT_MODE InterruptMode);
VOID NdisMDeregisterInterrupt(PNDIS_MINIPORT_INTERRUPT Interrupt);
VOID NdisMRegisterAdapterShutdownHandler(NDIS_HANDLE MiniportHandle, PVOID ShutdownContext,
                                         ADAPTER_SHUTDOWN_HANDLER ShutdownHandler);
VOID NdisMDeregisterAdapterShutdownHandler(NDIS_HANDLE MiniportHandle);

// Time.
VOID KeStallExecutionProcessor(ULONG MicroSeconds);
VOID NdisMSleep(ULONG MicrosecondsToSleep);
VOID KeQuerySystemTime(PLARGE_INTEGER CurrentTime);
VOID NdisMInitializeTimer(PNDIS_MINIPORT_TIMER Timer, NDIS_HANDLE MiniportAdapterHandle,
                          PNDIS_TIMER_FUNCTION TimerFunction, PVOID FunctionContext);
VOID NdisMSetTimer(PNDIS_MINIPORT_TIMER Timer, UINT MillisecondsToDelay);
VOID NdisMCancelTimer(PNDIS_MINIPORT_TIMER Timer, PBOOLEAN TimerCancelled);

// Indications to the protocols. Macros through the miniport block on the
// platform; calls here.
VOID NdisMIndicateReceivePacket(NDIS_HANDLE MiniportAdapterHandle, PPNDIS_PACKET ReceivePackets,
                                UINT NumberOfPackets);
VOID NdisMSendComplete(NDIS_HANDLE MiniportAdapterHandle, PNDIS_PACKET Packet, NDIS_STATUS Status);
VOID NdisMSendResourcesAvailable(NDIS_HANDLE MiniportAdapterHandle);
VOID NdisMIndicateStatus(NDIS_HANDLE MiniportAdapterHandle, NDIS_STATUS GeneralStatus, PVOID StatusBuffer,
                         UINT StatusBufferSize);
VOID NdisMIndicateStatusComplete(NDIS_HANDLE MiniportAdapterHandle);
VOID NdisMResetComplete(NDIS_HANDLE MiniportAdapterHandle, NDIS_STATUS Status, BOOLEAN AddressingReset);
VOID NdisMQueryInformationComplete(NDIS_HANDLE MiniportAdapterHandle, NDIS_STATUS Status);
VOID NdisMSetInformationComplete(NDIS_HANDLE MiniportAdapterHandle, NDIS_STATUS Status);

// Strings.
VOID NdisInitUnicodeString(PNDIS_STRING DestinationString, PCWSTR SourceString);

}  // extern "C"

// Packet contents and buffer chains.
#define NdisQueryBuffer(_Buffer, _VirtualAddress, _Length)            \
  {                                                                   \
    if (ARGUMENT_PRESENT(_VirtualAddress)) {                          \
      *(PVOID*)(_VirtualAddress) = MmGetSystemAddressForMdl(_Buffer); \
    }                                                                 \
    *(_Length) = MmGetMdlByteCount(_Buffer);                          \
  }
#define NdisQueryBufferOffset(_Buffer, _Offset, _Length) \
  {                                                      \
    *(_Offset) = MmGetMdlByteOffset(_Buffer);            \
    *(_Length) = MmGetMdlByteCount(_Buffer);             \
  }
#define NdisBufferLength MmGetMdlByteCount
#define NdisBufferVirtualAddress MmGetSystemAddressForMdl
#define NDIS_BUFFER_LINKAGE(Buffer) (Buffer)->Next
#define NdisGetNextBuffer(CurrentBuffer, NextBuffer) \
  { *(NextBuffer) = (CurrentBuffer)->Next; }
#define NdisGetBufferPhysicalArraySize(Buffer, ArraySize) (*(ArraySize) = NDIS_BUFFER_TO_SPAN_PAGES(Buffer))

#define NDIS_PACKET_FIRST_NDIS_BUFFER(_Packet) ((_Packet)->Private.Head)
#define NDIS_PACKET_LAST_NDIS_BUFFER(_Packet) ((_Packet)->Private.Tail)
#define NDIS_PACKET_VALID_COUNTS(_Packet) ((_Packet)->Private.ValidCounts)
#define NdisGetPacketFlags(Packet) (Packet)->Private.Flags
#define NdisSetPacketFlags(Packet, Flags) (Packet)->Private.Flags |= (Flags)
#define NdisClearPacketFlags(Packet, Flags) (Packet)->Private.Flags &= ~(Flags)

#define NDIS_OOB_DATA_FROM_PACKET(_Packet) \
  (PNDIS_PACKET_OOB_DATA)((PUCHAR)(_Packet) + (_Packet)->Private.NdisPacketOobOffset)
#define NDIS_GET_PACKET_HEADER_SIZE(_Packet) \
  ((PNDIS_PACKET_OOB_DATA)((PUCHAR)(_Packet) + (_Packet)->Private.NdisPacketOobOffset))->HeaderSize
#define NDIS_GET_PACKET_STATUS(_Packet) \
  ((PNDIS_PACKET_OOB_DATA)((PUCHAR)(_Packet) + (_Packet)->Private.NdisPacketOobOffset))->Status
#define NDIS_SET_PACKET_HEADER_SIZE(_Packet, _HdrSize) \
  ((PNDIS_PACKET_OOB_DATA)((PUCHAR)(_Packet) + (_Packet)->Private.NdisPacketOobOffset))->HeaderSize = (_HdrSize)
#define NDIS_SET_PACKET_STATUS(_Packet, _Status) \
  ((PNDIS_PACKET_OOB_DATA)((PUCHAR)(_Packet) + (_Packet)->Private.NdisPacketOobOffset))->Status = (_Status)
#define NDIS_PER_PACKET_INFO_FROM_PACKET(Packet, InfoType)                                                   \
  ((PNDIS_PACKET_EXTENSION)((PUCHAR)(Packet) + (Packet)->Private.NdisPacketOobOffset +                      \
                            sizeof(NDIS_PACKET_OOB_DATA)))                                                  \
      ->NdisPacketInfo[(InfoType)]

#define NdisReinitializePacket(Packet)         \
  {                                            \
    (Packet)->Private.Head = (PNDIS_BUFFER)NULL; \
    (Packet)->Private.ValidCounts = FALSE;     \
  }

#define NdisRecalculatePacketCounts(Packet)        \
  {                                                \
    PNDIS_BUFFER _Buffer = (Packet)->Private.Head; \
    if (_Buffer != NULL) {                         \
      while (_Buffer->Next != NULL) {              \
        _Buffer = _Buffer->Next;                   \
      }                                            \
      (Packet)->Private.Tail = _Buffer;            \
    }                                              \
    (Packet)->Private.ValidCounts = FALSE;         \
  }

#define NdisChainBufferAtFront(Packet, Buffer)                             \
  {                                                                        \
    PNDIS_BUFFER _NdisBuffer = (Buffer);                                   \
    while (_NdisBuffer->Next != NULL) _NdisBuffer = _NdisBuffer->Next;     \
    if ((Packet)->Private.Head == NULL) (Packet)->Private.Tail = _NdisBuffer; \
    _NdisBuffer->Next = (Packet)->Private.Head;                            \
    (Packet)->Private.Head = (Buffer);                                     \
    (Packet)->Private.ValidCounts = FALSE;                                 \
  }

#define NdisChainBufferAtBack(Packet, Buffer)                          \
  {                                                                    \
    PNDIS_BUFFER _NdisBuffer = (Buffer);                               \
    while (_NdisBuffer->Next != NULL) _NdisBuffer = _NdisBuffer->Next; \
    _NdisBuffer->Next = NULL;                                          \
    if ((Packet)->Private.Head != NULL)                                \
      (Packet)->Private.Tail->Next = (Buffer);                         \
    else                                                               \
      (Packet)->Private.Head = (Buffer);                               \
    (Packet)->Private.Tail = _NdisBuffer;                              \
    (Packet)->Private.ValidCounts = FALSE;                             \
  }

static inline VOID NdisQueryPacket(PNDIS_PACKET Packet, PUINT PhysicalBufferCount, PUINT BufferCount,
                                   PNDIS_BUFFER* FirstBuffer, PUINT TotalPacketLength) {
  if (FirstBuffer) *FirstBuffer = Packet->Private.Head;
  if (TotalPacketLength || BufferCount || PhysicalBufferCount) {
    if (!Packet->Private.ValidCounts) {
      UINT Physical = 0, Total = 0, Count = 0;
      for (PNDIS_BUFFER B = Packet->Private.Head; B != NULL; B = B->Next) {
        Physical += NDIS_BUFFER_TO_SPAN_PAGES(B);
        Total += MmGetMdlByteCount(B);
        Count++;
      }
      Packet->Private.PhysicalCount = Physical;
      Packet->Private.TotalLength = Total;
      Packet->Private.Count = Count;
      Packet->Private.ValidCounts = TRUE;
    }
    if (PhysicalBufferCount) *PhysicalBufferCount = Packet->Private.PhysicalCount;
    if (BufferCount) *BufferCount = Packet->Private.Count;
    if (TotalPacketLength) *TotalPacketLength = Packet->Private.TotalLength;
  }
}

#define NdisQueryPacketLength(_Packet, _TotalPacketLength)            \
  {                                                                   \
    if (!(_Packet)->Private.ValidCounts) {                            \
      NdisQueryPacket(_Packet, NULL, NULL, NULL, _TotalPacketLength); \
    } else                                                            \
      *(_TotalPacketLength) = (_Packet)->Private.TotalLength;         \
  }

// Memory and physical addresses.
#define NdisZeroMemory(Destination, Length) RtlZeroMemory(Destination, Length)
#define NdisMoveMemory(Destination, Source, Length) RtlCopyMemory(Destination, Source, Length)
#define NdisEqualMemory(Source1, Source2, Length) RtlEqualMemory(Source1, Source2, Length)
#define NdisFillMemory(Destination, Length, Fill) RtlFillMemory(Destination, Length, Fill)
#define NdisMoveMappedMemory(Destination, Source, Length) RtlCopyMemory(Destination, Source, Length)
#define NdisZeroMappedMemory(Destination, Length) RtlZeroMemory(Destination, Length)
#define NdisGetPhysicalAddressHigh(PhysicalAddress) ((PhysicalAddress).HighPart)
#define NdisSetPhysicalAddressHigh(PhysicalAddress, Value) ((PhysicalAddress).HighPart) = (Value)
#define NdisGetPhysicalAddressLow(PhysicalAddress) ((PhysicalAddress).LowPart)
#define NdisSetPhysicalAddressLow(PhysicalAddress, Value) ((PhysicalAddress).LowPart) = (Value)
#define NDIS_PHYSICAL_ADDRESS_CONST(Low, High) \
  {                                            \
    { (ULONG)(Low), (LONG)(High) }             \
  }
#define NdisMUpdateSharedMemory(_H, _L, _V, _P)

// Registers, delays and time.
#define NdisReadRegisterUlong(Register, Data) *(Data) = READ_REGISTER_ULONG(Register)
#define NdisWriteRegisterUlong(Register, Data) WRITE_REGISTER_ULONG((Register), (Data))
#define NdisStallExecution KeStallExecutionProcessor
#define NdisGetCurrentSystemTime KeQuerySystemTime

// Strings: counted UTF-16 text, lengths in bytes without the terminator.
#define NDIS_STRING_CONST(x) \
  { sizeof(u##x) - 2, sizeof(u##x), (PWSTR)u##x }

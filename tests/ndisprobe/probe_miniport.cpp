// A small NDIS 5.0 miniport over the 21143 board that calls every NDIS
// operation and macro the Trx4n5 driver relies on, the way the driver calls
// them. It builds natively (over the host stand-in) and as probe.sys (over
// the platform's headers), proving that one set of sources serves both.
//
// It keeps one transmit and one receive descriptor, one packet in flight and
// one receive packet; nothing more is needed to exercise the calls.
#include <ndis.h>

#include "ndis_values.h"

namespace {

// Controller registers (offsets in the register window).
const ULONG kCsr0 = 0x00, kCsr1 = 0x08, kCsr2 = 0x10, kCsr3 = 0x18, kCsr4 = 0x20;
const ULONG kCsr5 = 0x28, kCsr6 = 0x30, kCsr7 = 0x38;
const ULONG kCsr5Summary = 0x18000, kCsr5TxDone = 0x1, kCsr5RxDone = 0x40;
const ULONG kCsr6Run = 0x02040000 | 0x40 | 0x2000 | 0x2;  // MII port, promiscuous, start tx and rx
const ULONG kCsr7Events = 0x00010041;                      // normal summary, rx and tx done
const ULONG kOwn = 0x80000000;
const ULONG kBufferSize = 1536;  // one copy buffer and one receive buffer
const ULONG kMaxFrame = 1518;

typedef struct PROBE_ADAPTER {
  NDIS_HANDLE Handle;
  ULONG Slot;
  ULONG ConnectionType;
  ULONG FirstOption;
  UCHAR Address[6];
  BOOLEAN AddressOverride;
  ULONG CacheLineBytes;
  PUCHAR Csr;
  ULONG CsrLength;
  NDIS_MINIPORT_INTERRUPT Interrupt;
  BOOLEAN InterruptRegistered;
  BOOLEAN MapRegistersAllocated;
  BOOLEAN ShutdownRegistered;
  BOOLEAN LockAllocated;
  BOOLEAN TimerInitialized;
  NDIS_HANDLE PacketPool;
  NDIS_HANDLE BufferPool;
  PNDIS_PACKET RxPacket;
  PNDIS_BUFFER RxBuffer;
  PNDIS_BUFFER CopyBuffer;
  PUCHAR Buffers;  // cached shared memory: copy buffer, then receive buffer
  NDIS_PHYSICAL_ADDRESS BuffersPhysical;
  PULONG Descriptors;  // non-cached shared memory: transmit, then receive descriptor
  NDIS_PHYSICAL_ADDRESS DescriptorsPhysical;
  NDIS_SPIN_LOCK Lock;  // guards SendPacket
  NDIS_MINIPORT_TIMER Timer;
  PNDIS_PACKET SendPacket;
  PNDIS_BUFFER MappedBuffer;
  ULONG Interrupts;
} PROBE_ADAPTER, *PPROBE_ADAPTER;

NDIS_STRING ConnectionTypeKeyword = NDIS_STRING_CONST("ConnectionType");
NDIS_STRING SlotNumberKeyword = NDIS_STRING_CONST("SlotNumber");
NDIS_STRING OptionsKeyword = NDIS_STRING_CONST("Options");

VOID WriteCsr(PPROBE_ADAPTER A, ULONG Offset, ULONG Value) { WRITE_REGISTER_ULONG((PULONG)(A->Csr + Offset), Value); }
ULONG ReadCsr(PPROBE_ADAPTER A, ULONG Offset) { return READ_REGISTER_ULONG((PULONG)(A->Csr + Offset)); }

ULONG ReadPci(PPROBE_ADAPTER A, ULONG Offset) {
  ULONG Value = 0;
  NdisReadPciSlotInformation(A->Handle, A->Slot, Offset, &Value, sizeof(Value));
  return Value;
}

VOID WritePci(PPROBE_ADAPTER A, ULONG Offset, ULONG Value) {
  NdisWritePciSlotInformation(A->Handle, A->Slot, Offset, &Value, sizeof(Value));
}

PULONG TxDescriptor(PPROBE_ADAPTER A) { return A->Descriptors; }
PULONG RxDescriptor(PPROBE_ADAPTER A) { return A->Descriptors + 4; }

// The receive descriptor back to the chip, with the packet's own buffer as
// its only buffer again.
VOID RecycleReceive(PPROBE_ADAPTER A) {
  PNDIS_BUFFER Old;
  do {
    NdisUnchainBufferAtFront(A->RxPacket, &Old);
  } while (Old != NULL);
  NdisAdjustBufferLength(A->RxBuffer, kMaxFrame);
  NDIS_BUFFER_LINKAGE(A->RxBuffer) = NULL;
  NdisChainBufferAtFront(A->RxPacket, A->RxBuffer);
  *(PPROBE_ADAPTER*)A->RxPacket->MiniportReserved = A;
  RxDescriptor(A)[0] = kOwn;
  WriteCsr(A, kCsr2, 0);
}

// Undoes whatever Initialize got to; serves a failed Initialize and Halt.
VOID ReleaseProbe(PPROBE_ADAPTER A) {
  if (A->ShutdownRegistered) NdisMDeregisterAdapterShutdownHandler(A->Handle);
  if (A->Csr != NULL) {
    WriteCsr(A, kCsr7, 0);
    WriteCsr(A, kCsr0, 1);
  }
  if (A->InterruptRegistered) NdisMDeregisterInterrupt(&A->Interrupt);
  if (A->TimerInitialized) {
    BOOLEAN Cancelled;
    NdisMCancelTimer(&A->Timer, &Cancelled);
  }
  if (A->Descriptors != NULL)
    NdisMFreeSharedMemory(A->Handle, 32, FALSE, A->Descriptors, A->DescriptorsPhysical);
  if (A->Buffers != NULL) NdisMFreeSharedMemory(A->Handle, 2 * kBufferSize, TRUE, A->Buffers, A->BuffersPhysical);
  if (A->MapRegistersAllocated) NdisMFreeMapRegisters(A->Handle);
  if (A->Csr != NULL) NdisMUnmapIoSpace(A->Handle, A->Csr, A->CsrLength);
  if (A->PacketPool != NULL) NdisFreePacketPool(A->PacketPool);
  if (A->BufferPool != NULL) NdisFreeBufferPool(A->BufferPool);
  if (A->LockAllocated) NdisFreeSpinLock(&A->Lock);
  NdisFreeMemory(A, sizeof(PROBE_ADAPTER), 0);
}

VOID ReadKeywords(PPROBE_ADAPTER A, NDIS_HANDLE WrapperConfigurationContext, NDIS_STATUS* Status) {
  NDIS_HANDLE Config;
  NdisOpenConfiguration(Status, &Config, WrapperConfigurationContext);
  if (*Status != NDIS_STATUS_SUCCESS) return;
  PNDIS_CONFIGURATION_PARAMETER Value;
  NDIS_STRING Name;
  NdisInitUnicodeString(&Name, ConnectionTypeKeyword.Buffer);
  NdisReadConfiguration(Status, &Value, Config, &Name, NdisParameterInteger);
  if (*Status == NDIS_STATUS_SUCCESS) A->ConnectionType = Value->ParameterData.IntegerData;
  NDIS_STATUS SlotStatus;
  NdisReadConfiguration(&SlotStatus, &Value, Config, &SlotNumberKeyword, NdisParameterInteger);
  if (SlotStatus == NDIS_STATUS_SUCCESS) A->Slot = Value->ParameterData.IntegerData;
  NDIS_STATUS OptionsStatus;
  NdisReadConfiguration(&OptionsStatus, &Value, Config, &OptionsKeyword, NdisParameterString);
  if (OptionsStatus == NDIS_STATUS_SUCCESS) {
    for (ULONG i = 0; i < Value->ParameterData.StringData.Length / 2u; i++) {
      WCHAR c = Value->ParameterData.StringData.Buffer[i];
      if (c < '0' || c > '9') break;
      A->FirstOption = A->FirstOption * 10 + (ULONG)(c - '0');
    }
  }
  PVOID Address;
  UINT AddressLength;
  NDIS_STATUS AddressStatus;
  NdisReadNetworkAddress(&AddressStatus, &Address, &AddressLength, Config);
  if (AddressStatus == NDIS_STATUS_SUCCESS && AddressLength == 6) {
    NdisMoveMemory(A->Address, Address, 6);
    A->AddressOverride = TRUE;
  }
  NdisCloseConfiguration(Config);
}

// Resources: the first memory range is the register window.
NDIS_STATUS ClaimResources(PPROBE_ADAPTER A, ULONG* Vector, ULONG* Level, BOOLEAN* HasInterrupt) {
  PNDIS_RESOURCE_LIST Resources;
  NDIS_STATUS Status = NdisMPciAssignResources(A->Handle, A->Slot, &Resources);
  if (Status != NDIS_STATUS_SUCCESS) return Status;
  NDIS_PHYSICAL_ADDRESS Window;
  NdisSetPhysicalAddressHigh(Window, 0);
  NdisSetPhysicalAddressLow(Window, 0);
  *HasInterrupt = FALSE;
  for (ULONG i = 0; i < Resources->Count; i++) {
    PCM_PARTIAL_RESOURCE_DESCRIPTOR D = &Resources->PartialDescriptors[i];
    if (D->Type == CmResourceTypeMemory && A->CsrLength == 0) {
      Window = D->u.Memory.Start;
      A->CsrLength = D->u.Memory.Length;
    } else if (D->Type == CmResourceTypeInterrupt && !*HasInterrupt) {
      *Vector = D->u.Interrupt.Vector;
      *Level = D->u.Interrupt.Level;
      *HasInterrupt = TRUE;
    }
  }
  if (A->CsrLength == 0) return NDIS_STATUS_FAILURE;
  PVOID Csr;
  Status = NdisMMapIoSpace(&Csr, A->Handle, Window, A->CsrLength);
  if (Status == NDIS_STATUS_SUCCESS) A->Csr = (PUCHAR)Csr;
  return Status;
}

NDIS_STATUS AllocateMemory(PPROBE_ADAPTER A) {
  NDIS_STATUS Status = NdisMAllocateMapRegisters(A->Handle, 0, NDIS_DMA_32BITS, 1, kMaxFrame);
  if (Status != NDIS_STATUS_SUCCESS) return Status;
  A->MapRegistersAllocated = TRUE;
  PVOID Virtual;
  NdisMAllocateSharedMemory(A->Handle, 2 * kBufferSize, TRUE, &Virtual, &A->BuffersPhysical);
  if (Virtual == NULL) return NDIS_STATUS_RESOURCES;
  A->Buffers = (PUCHAR)Virtual;
  NdisMAllocateSharedMemory(A->Handle, 32, FALSE, &Virtual, &A->DescriptorsPhysical);
  if (Virtual == NULL) return NDIS_STATUS_RESOURCES;
  A->Descriptors = (PULONG)Virtual;
  NdisAllocatePacketPool(&Status, &A->PacketPool, 1, 16);
  if (Status != NDIS_STATUS_SUCCESS) return Status;
  NdisAllocateBufferPool(&Status, &A->BufferPool, 2);
  if (Status != NDIS_STATUS_SUCCESS) return Status;
  NdisAllocatePacket(&Status, &A->RxPacket, A->PacketPool);
  if (Status != NDIS_STATUS_SUCCESS) return Status;
  NDIS_SET_PACKET_HEADER_SIZE(A->RxPacket, 14);
  NdisAllocateBuffer(&Status, &A->CopyBuffer, A->BufferPool, A->Buffers, kMaxFrame);
  if (Status != NDIS_STATUS_SUCCESS) return Status;
  NdisAllocateBuffer(&Status, &A->RxBuffer, A->BufferPool, A->Buffers + kBufferSize, kMaxFrame);
  return Status;
}

// Transmit descriptor in ring mode (buffer 1 the copy, buffer 2 mapped),
// receive descriptor alone in its ring.
VOID StartChip(PPROBE_ADAPTER A) {
  ULONG Physical = NdisGetPhysicalAddressLow(A->BuffersPhysical);
  ULONG DescriptorsPhysical = NdisGetPhysicalAddressLow(A->DescriptorsPhysical);
  NdisZeroMemory(A->Descriptors, 32);
  TxDescriptor(A)[1] = 0x02000000;
  RxDescriptor(A)[1] = 0x02000000 | kMaxFrame;
  RxDescriptor(A)[2] = Physical + kBufferSize;
  WritePci(A, 0x04, ReadPci(A, 0x04) | 0x6);  // memory space, bus master
  WriteCsr(A, kCsr0, 1);
  NdisStallExecution(1);
  WriteCsr(A, kCsr0, A->FirstOption);
  WriteCsr(A, kCsr4, DescriptorsPhysical);
  WriteCsr(A, kCsr3, DescriptorsPhysical + 16);
  RecycleReceive(A);
  WriteCsr(A, kCsr6, kCsr6Run);
}

VOID NTAPI ProbeTimer(PVOID, PVOID Context, PVOID, PVOID) {
  PPROBE_ADAPTER A = (PPROBE_ADAPTER)Context;
  NdisMIndicateStatus(A->Handle, NDIS_STATUS_MEDIA_CONNECT, NULL, 0);
  NdisMIndicateStatusComplete(A->Handle);
  NdisMSendResourcesAvailable(A->Handle);
}

VOID NTAPI ProbeShutdown(PVOID Context) { WriteCsr((PPROBE_ADAPTER)Context, kCsr0, 1); }

NDIS_STATUS NTAPI ProbeInitialize(PNDIS_STATUS OpenErrorStatus, PUINT SelectedMediumIndex, PNDIS_MEDIUM MediumArray,
                                  UINT MediumArraySize, NDIS_HANDLE Handle, NDIS_HANDLE WrapperConfigurationContext) {
  UINT Medium = 0;
  while (Medium < MediumArraySize && MediumArray[Medium] != NdisMedium802_3) Medium++;
  if (Medium == MediumArraySize) return NDIS_STATUS_UNSUPPORTED_MEDIA;
  PPROBE_ADAPTER A;
  NDIS_PHYSICAL_ADDRESS NoLimit = NDIS_PHYSICAL_ADDRESS_CONST(-1, -1);
  NDIS_STATUS Status = NdisAllocateMemory((PVOID*)&A, sizeof(PROBE_ADAPTER), 0, NoLimit);
  if (Status != NDIS_STATUS_SUCCESS) return Status;
  NdisZeroMemory(A, sizeof(PROBE_ADAPTER));
  A->Handle = Handle;
  ReadKeywords(A, WrapperConfigurationContext, &Status);
  if (Status == NDIS_STATUS_SUCCESS && ReadPci(A, 0x00) != 0x00191011) Status = NDIS_STATUS_ADAPTER_NOT_FOUND;
  if (Status != NDIS_STATUS_SUCCESS) {
    ReleaseProbe(A);
    return Status;
  }
  A->CacheLineBytes = (ReadPci(A, 0x0c) & 0xff) * 4;
  NdisMSetAttributesEx(Handle, A, 0, NDIS_ATTRIBUTE_BUS_MASTER, NdisInterfacePci);
  ULONG Vector = 0, Level = 0;
  BOOLEAN HasInterrupt;
  Status = ClaimResources(A, &Vector, &Level, &HasInterrupt);
  if (Status == NDIS_STATUS_SUCCESS) Status = AllocateMemory(A);
  if (Status == NDIS_STATUS_SUCCESS && HasInterrupt) {
    Status = NdisMRegisterInterrupt(&A->Interrupt, Handle, Vector, Level, TRUE, TRUE, NdisInterruptLevelSensitive);
    A->InterruptRegistered = Status == NDIS_STATUS_SUCCESS;
  }
  if (Status != NDIS_STATUS_SUCCESS) {
    ReleaseProbe(A);
    return Status;
  }
  NdisAllocateSpinLock(&A->Lock);
  A->LockAllocated = TRUE;
  NdisAcquireSpinLock(&A->Lock);  // raises to DISPATCH level, as the driver's bring-up does
  StartChip(A);
  WriteCsr(A, kCsr7, kCsr7Events);
  NdisReleaseSpinLock(&A->Lock);
  NdisMSleep(100);
  NdisMInitializeTimer(&A->Timer, Handle, ProbeTimer, A);
  A->TimerInitialized = TRUE;
  NdisMSetTimer(&A->Timer, 5);
  NdisMRegisterAdapterShutdownHandler(Handle, A, ProbeShutdown);
  A->ShutdownRegistered = TRUE;
  *SelectedMediumIndex = Medium;
  *OpenErrorStatus = NDIS_STATUS_SUCCESS;
  return NDIS_STATUS_SUCCESS;
}

VOID NTAPI ProbeHalt(NDIS_HANDLE Context) { ReleaseProbe((PPROBE_ADAPTER)Context); }

VOID NTAPI ProbeIsr(PBOOLEAN InterruptRecognized, PBOOLEAN QueueMiniportHandleInterrupt, NDIS_HANDLE Context) {
  PPROBE_ADAPTER A = (PPROBE_ADAPTER)Context;
  if (ReadCsr(A, kCsr5) & kCsr5Summary) {
    WriteCsr(A, kCsr7, 0);
    *InterruptRecognized = TRUE;
    *QueueMiniportHandleInterrupt = TRUE;
  } else {
    *InterruptRecognized = FALSE;
  }
}

VOID CompleteSend(PPROBE_ADAPTER A) {
  NdisDprAcquireSpinLock(&A->Lock);
  PNDIS_PACKET Packet = A->SendPacket;
  ULONG Status = TxDescriptor(A)[0];
  if (Packet == NULL || (Status & kOwn)) {
    NdisDprReleaseSpinLock(&A->Lock);
    return;
  }
  A->SendPacket = NULL;
  NdisDprReleaseSpinLock(&A->Lock);
  if (A->MappedBuffer != NULL) {
    NdisMCompleteBufferPhysicalMapping(A->Handle, A->MappedBuffer, 0);
    A->MappedBuffer = NULL;
  }
  NdisMSendComplete(A->Handle, Packet, (Status & 0x8000) ? NDIS_STATUS_FAILURE : NDIS_STATUS_SUCCESS);
}

VOID IndicateReceive(PPROBE_ADAPTER A) {
  ULONG Status = RxDescriptor(A)[0];
  if (Status & kOwn) return;
  NdisAdjustBufferLength(A->RxBuffer, ((Status >> 16) & 0x3fff) - 4);
  NDIS_SET_PACKET_STATUS(A->RxPacket, NDIS_STATUS_SUCCESS);
  PNDIS_PACKET Packets[1] = {A->RxPacket};
  NdisMIndicateReceivePacket(A->Handle, Packets, 1);
  if (NDIS_GET_PACKET_STATUS(A->RxPacket) != NDIS_STATUS_PENDING) RecycleReceive(A);
}

VOID NTAPI ProbeHandleInterrupt(NDIS_HANDLE Context) {
  PPROBE_ADAPTER A = (PPROBE_ADAPTER)Context;
  A->Interrupts++;
  ULONG Events = ReadCsr(A, kCsr5);
  WriteCsr(A, kCsr5, Events);
  if (Events & kCsr5RxDone) IndicateReceive(A);
  if (Events & kCsr5TxDone) CompleteSend(A);
  WriteCsr(A, kCsr7, kCsr7Events);
}

// Leading buffers are copied, the last one is mapped; a mapping of two
// segments puts the first into the copy too (as the driver does).
VOID NTAPI ProbeSendPackets(NDIS_HANDLE Context, PPNDIS_PACKET Packets, UINT Count) {
  PPROBE_ADAPTER A = (PPROBE_ADAPTER)Context;
  for (UINT i = 1; i < Count; i++) NDIS_SET_PACKET_STATUS(Packets[i], NDIS_STATUS_RESOURCES);
  if (Count == 0) return;
  PNDIS_PACKET Packet = Packets[0];
  NdisDprAcquireSpinLock(&A->Lock);
  if (A->SendPacket != NULL) {
    NdisDprReleaseSpinLock(&A->Lock);
    NDIS_SET_PACKET_STATUS(Packet, NDIS_STATUS_RESOURCES);
    return;
  }
  A->SendPacket = Packet;
  NdisDprReleaseSpinLock(&A->Lock);
  UINT Total;
  PNDIS_BUFFER Buffer;
  NdisQueryPacket(Packet, NULL, NULL, &Buffer, &Total);
  ULONG Copied = 0, Length2 = 0, Physical2 = 0;
  while (Buffer != NULL) {
    PVOID Data;
    UINT Length;
    NdisQueryBuffer(Buffer, &Data, &Length);
    if (NDIS_BUFFER_LINKAGE(Buffer) == NULL && Copied + Length <= kMaxFrame) {
      NDIS_PHYSICAL_ADDRESS_UNIT Segments[2];
      UINT SegmentCount;
      NdisMStartBufferPhysicalMapping(A->Handle, Buffer, 0, TRUE, Segments, &SegmentCount);
      A->MappedBuffer = Buffer;
      if (SegmentCount == 2) {
        NdisMoveMemory(A->Buffers + Copied, Data, Segments[0].Length);
        Copied += Segments[0].Length;
      }
      Physical2 = NdisGetPhysicalAddressLow(Segments[SegmentCount - 1].PhysicalAddress);
      Length2 = Segments[SegmentCount - 1].Length;
    } else if (Copied + Length <= kMaxFrame) {
      NdisMoveMemory(A->Buffers + Copied, Data, Length);
      Copied += Length;
    }
    Buffer = NDIS_BUFFER_LINKAGE(Buffer);
  }
  NdisAdjustBufferLength(A->CopyBuffer, Copied);
  PULONG D = TxDescriptor(A);
  D[1] = 0x80000000 | 0x60000000 | 0x02000000 | (Length2 << 11) | Copied;
  D[2] = NdisGetPhysicalAddressLow(A->BuffersPhysical);
  D[3] = Physical2;
  D[0] = kOwn;
  NDIS_SET_PACKET_STATUS(Packet, NDIS_STATUS_PENDING);
  WriteCsr(A, kCsr1, 0);
}

VOID NTAPI ProbeReturnPacket(NDIS_HANDLE Context, PNDIS_PACKET Packet) {
  PPROBE_ADAPTER A = *(PPROBE_ADAPTER*)Packet->MiniportReserved;
  if (A == (PPROBE_ADAPTER)Context) RecycleReceive(A);
}

NDIS_STATUS NTAPI ProbeQueryInformation(NDIS_HANDLE Context, NDIS_OID Oid, PVOID Buffer, ULONG Length,
                                        PULONG BytesWritten, PULONG BytesNeeded) {
  PPROBE_ADAPTER A = (PPROBE_ADAPTER)Context;
  ULONG Value = 0;
  PVOID Answer = &Value;
  ULONG AnswerLength = sizeof(Value);
  switch (Oid) {
    case OID_GEN_MEDIA_SUPPORTED:
    case OID_GEN_MEDIA_IN_USE: Value = NdisMedium802_3; break;
    case OID_GEN_MAXIMUM_FRAME_SIZE: Value = 1500; break;
    case OID_GEN_LINK_SPEED: Value = 1000000; break;
    case OID_802_3_CURRENT_ADDRESS: Answer = A->Address; AnswerLength = 6; break;
    default: return NDIS_STATUS_INVALID_OID;
  }
  if (AnswerLength > Length) {
    *BytesNeeded = AnswerLength;
    return NDIS_STATUS_INVALID_LENGTH;
  }
  NdisMoveMemory(Buffer, Answer, AnswerLength);
  *BytesWritten = AnswerLength;
  return NDIS_STATUS_SUCCESS;
}

NDIS_STATUS NTAPI ProbeSetInformation(NDIS_HANDLE, NDIS_OID Oid, PVOID Buffer, ULONG Length, PULONG BytesRead,
                                      PULONG BytesNeeded) {
  if (Oid != OID_GEN_CURRENT_PACKET_FILTER) return NDIS_STATUS_INVALID_OID;
  if (Length != 4) {
    *BytesNeeded = 4;
    return NDIS_STATUS_INVALID_LENGTH;
  }
  ULONG Filter;
  NdisMoveMemory(&Filter, Buffer, 4);
  *BytesRead = 4;
  return (Filter & NDIS_PACKET_TYPE_SOURCE_ROUTING) ? NDIS_STATUS_NOT_SUPPORTED : NDIS_STATUS_SUCCESS;
}

NDIS_STATUS NTAPI ProbeReset(PBOOLEAN AddressingReset, NDIS_HANDLE) {
  *AddressingReset = FALSE;
  return NDIS_STATUS_SUCCESS;
}

VOID NTAPI ProbeEnableInterrupt(NDIS_HANDLE Context) { WriteCsr((PPROBE_ADAPTER)Context, kCsr7, kCsr7Events); }
VOID NTAPI ProbeDisableInterrupt(NDIS_HANDLE Context) { WriteCsr((PPROBE_ADAPTER)Context, kCsr7, 0); }

}  // namespace

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath) {
  NDIS_HANDLE Wrapper;
  NdisInitializeWrapper(&Wrapper, DriverObject, RegistryPath, NULL);
  NDIS_MINIPORT_CHARACTERISTICS Chars;
  NdisZeroMemory(&Chars, sizeof(Chars));
  Chars.Ndis40Chars.Ndis30Chars.MajorNdisVersion = 5;
  Chars.Ndis40Chars.Ndis30Chars.MinorNdisVersion = 0;
  Chars.Ndis40Chars.Ndis30Chars.DisableInterruptHandler = ProbeDisableInterrupt;
  Chars.Ndis40Chars.Ndis30Chars.EnableInterruptHandler = ProbeEnableInterrupt;
  Chars.Ndis40Chars.Ndis30Chars.HaltHandler = ProbeHalt;
  Chars.Ndis40Chars.Ndis30Chars.HandleInterruptHandler = ProbeHandleInterrupt;
  Chars.Ndis40Chars.Ndis30Chars.InitializeHandler = ProbeInitialize;
  Chars.Ndis40Chars.Ndis30Chars.ISRHandler = ProbeIsr;
  Chars.Ndis40Chars.Ndis30Chars.QueryInformationHandler = ProbeQueryInformation;
  Chars.Ndis40Chars.Ndis30Chars.ResetHandler = ProbeReset;
  Chars.Ndis40Chars.Ndis30Chars.SetInformationHandler = ProbeSetInformation;
  Chars.Ndis40Chars.ReturnPacketHandler = ProbeReturnPacket;
  Chars.Ndis40Chars.SendPacketsHandler = ProbeSendPackets;
  NDIS_STATUS Status = NdisMRegisterMiniport(Wrapper, &Chars, sizeof(Chars));
  if (Status != NDIS_STATUS_SUCCESS) NdisTerminateWrapper(Wrapper, NULL);
  return Status;
}

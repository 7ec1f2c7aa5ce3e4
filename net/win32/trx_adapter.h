// Per-adapter state of the Trx4n5 miniport: AdapterContext, the transmit and
// receive bookkeeping records, and ChipOps, the only path from the NDIS-facing
// handlers to the controller.
#pragma once

#include "trx_regs.h"

struct ADAPTER_CONTEXT;
typedef struct ADAPTER_CONTEXT ADAPTER_CONTEXT, *PADAPTER_CONTEXT;

// One transmit descriptor's bookkeeping. Records are linked in a circle in
// array order; record i owns descriptor i.
typedef struct TX_RECORD {
  struct TX_RECORD* Next;
  ULONG CopyPhysical;          // buffer 1
  ULONG MappedPhysical;        // buffer 2
  ULONG CopyLength;
  ULONG MappedLength;
  PUCHAR CopyVirtual;
  PNDIS_BUFFER CopyBuffer;     // NDIS buffer over the copy buffer
  ULONG MapRegister;
  PNDIS_PACKET Packet;         // packet being sent, or none
  PNDIS_BUFFER MappedBuffer;   // the packet's buffer mapped as buffer 2, or none
  PULONG Descriptor;           // TDES0..TDES3
  ULONG DescriptorPhysical;
  NDIS_STATUS Status;          // reported at completion
  BOOLEAN Submitted;           // handed to the chip and not yet reclaimed
} TX_RECORD, *PTX_RECORD;

// One receive descriptor's bookkeeping.
typedef struct RX_RECORD {
  struct RX_RECORD* Next;      // next record in the chip's chain
  ULONG BufferPhysical;
  ULONG FrameLength;           // last frame received, without CRC
  PNDIS_PACKET Packet;
  PNDIS_BUFFER Buffer;
  PULONG Descriptor;           // RDES0..RDES3
  ULONG DescriptorPhysical;
} RX_RECORD, *PRX_RECORD;

// ConnectionType codes, also the link speed codes of QueryLinkSpeed.
#define TRX_CONNECTION_AUTO   0
#define TRX_CONNECTION_10H    1
#define TRX_CONNECTION_10F    2
#define TRX_CONNECTION_100H   3
#define TRX_CONNECTION_100F   4

// PhyKind values.
#define TRX_PHY_NONE          2
#define TRX_PHY_1378          0x001378e0
#define TRX_PHY_7810          0x78100000

// The chip operations, in table order. The 0 argument some of them take
// carries nothing.
typedef struct CHIP_OPS {
  // With LinkSettled FALSE: reset, program and restart the controller and
  // reload the filter. With TRUE: read the link once it has had its settle
  // time (TRX_LINK_SETTLE_US) and report it. The caller makes that wait in
  // whatever way its IRQL allows.
  NDIS_STATUS (*InitializeChip)(PADAPTER_CONTEXT A, BOOLEAN LinkSettled);
  PTX_RECORD (*ReserveTransmit)(PADAPTER_CONTEXT A, PULONG Count);
  VOID (*SubmitTransmit)(PADAPTER_CONTEXT A, PTX_RECORD First, ULONG Count);
  VOID (*RecycleReceive)(PADAPTER_CONTEXT A, PRX_RECORD Record);
  BOOLEAN (*InterruptPending)(PADAPTER_CONTEXT A);
  VOID (*ServiceInterrupts)(PADAPTER_CONTEXT A);
  VOID (*EnableInterrupts)(PADAPTER_CONTEXT A);
  VOID (*DisableInterrupts)(PADAPTER_CONTEXT A);
  VOID (*DemandTransmitPoll)(PADAPTER_CONTEXT A);
  VOID (*SetConnectionType)(PADAPTER_CONTEXT A, ULONG Unused, ULONG Type);
  ULONG (*QueryLinkSpeed)(PADAPTER_CONTEXT A, ULONG Unused);
  BOOLEAN (*QueryLinkState)(PADAPTER_CONTEXT A, ULONG Unused);
  ULONG (*QueryStatistic)(PADAPTER_CONTEXT A, ULONG Unused, NDIS_OID Oid);
  ULONG (*QueryPacketFilter)(PADAPTER_CONTEXT A);
  VOID (*SetPacketFilter)(PADAPTER_CONTEXT A, ULONG Unused, ULONG Filter);
  VOID (*QueryStationAddress)(PADAPTER_CONTEXT A, ULONG Unused, PUCHAR Address);
  VOID (*SetStationAddress)(PADAPTER_CONTEXT A, ULONG Unused, const UCHAR* Address);
  VOID (*QueryMulticastList)(PADAPTER_CONTEXT A, ULONG Unused, ULONG Capacity, PULONG Count, PUCHAR List);
  VOID (*SetMulticastList)(PADAPTER_CONTEXT A, ULONG Unused, ULONG Count, const UCHAR* List);
  VOID (*StopChip)(PADAPTER_CONTEXT A);
  VOID (*ReleaseChip)(PADAPTER_CONTEXT A);
} CHIP_OPS;

#define TRX_LINK_SETTLE_US 1500000

struct ADAPTER_CONTEXT {
  ULONG BusNumber;
  ULONG SlotNumber;
  ULONG Alignment;
  ULONG CurrentLookahead;
  ULONG MaxMulticast;
  CHIP_OPS ChipOps;
  NDIS_HANDLE MiniportAdapterHandle;
  ULONG RxRingSize;
  ULONG TxRingSize;
  ULONG ConnectionType;
  ULONG MapThreshold;
  BOOLEAN ChipReady;
  PVOID CsrBase;
  ULONG CsrLength;
  BOOLEAN CsrMapped;
  ULONG InterruptLevel;
  ULONG InterruptVector;
  BOOLEAN InterruptRegistered;
  NDIS_MINIPORT_INTERRUPT Interrupt;
  NDIS_HANDLE PacketPool;
  NDIS_HANDLE BufferPool;
  PUCHAR BufferAreaVirtual;
  ULONG BufferAreaPhysical;
  ULONG BufferAreaLength;
  ULONG NextBufferOffset;
  ULONG BufferSize;
  ULONG NextMapRegister;
  BOOLEAN MapRegistersAllocated;
  BOOLEAN ShutdownRegistered;
  BOOLEAN LinkUp;
  BOOLEAN InitDone;
  BOOLEAN SendResourcesNeeded;
  NDIS_SPIN_LOCK BringUpLock;

  // Statistics, never reset.
  ULONG RcvOk;
  ULONG XmitOk;
  ULONG XmitError;
  ULONG XmitDeferred;
  ULONG XmitCollisions;
  ULONG XmitMaxCollisions;
  ULONG XmitCrsLost;
  ULONG XmitUnderrun;
  ULONG RcvError;
  ULONG RcvMissed;
  ULONG RcvAlignment;
  ULONG RcvCrc;

  NDIS_SPIN_LOCK TxLock;
  PTX_RECORD TxHead;
  PTX_RECORD TxTail;
  ULONG TxFree;
  BOOLEAN CompletionBusy;
  BOOLEAN SetupPending;
  // Sends were refused for a full ring. NDIS tries them again after a send
  // completion, and a ring full of filter descriptors brings none: the walk
  // that frees records says so itself.
  BOOLEAN RingFullRefused;
  PTX_RECORD TxRecords;
  ULONG TxCount;

  NDIS_SPIN_LOCK RxLock;
  PRX_RECORD RxHead;
  PRX_RECORD RxTail;
  PRX_RECORD RxRecords;
  ULONG RxCount;

  NDIS_SPIN_LOCK ChipLock;
  PUCHAR DescriptorAreaVirtual;
  ULONG DescriptorAreaPhysical;
  ULONG DescriptorAreaLength;
  ULONG PacketFilter;
  UCHAR StationAddress[6];
  ULONG MulticastCount;
  UCHAR MulticastList[TRX_MAX_MULTICAST][6];
  ULONG Csr0Value;
  ULONG Csr6Value;
  ULONG SiaMedia;
  BOOLEAN ChipBusy;
  ULONG AbilityMask;
  ULONG PhyKind;

  // Bookkeeping of this implementation beyond the fields above.
  BOOLEAN ChipLocksAllocated;   // TxLock, RxLock and ChipLock exist
  NDIS_MINIPORT_TIMER ResetTimer;   // finishes a reset after the link settle time
  BOOLEAN ResetTimerInitialized;
  BOOLEAN ResetPending;
};

// Reports a link change to NDIS (and lets refused sends retry once the link
// is up). Touches no register: both layers use it.
VOID ReportLinkState(PADAPTER_CONTEXT A, BOOLEAN Link);

// PCI configuration access of the adapter's slot (primitives three and four).
static inline ULONG TrxPciRead(PADAPTER_CONTEXT A, ULONG Offset) {
  ULONG Value = 0;
  NdisReadPciSlotInformation(A->MiniportAdapterHandle, A->SlotNumber, Offset, &Value, sizeof(Value));
  return Value;
}

static inline VOID TrxPciWrite(PADAPTER_CONTEXT A, ULONG Offset, ULONG Value) {
  NdisWritePciSlotInformation(A->MiniportAdapterHandle, A->SlotNumber, Offset, &Value, sizeof(Value));
}

// "No physical address limit" for pool memory.
static inline NDIS_PHYSICAL_ADDRESS TrxNoAddressLimit(void) {
  NDIS_PHYSICAL_ADDRESS Limit;
  NdisSetPhysicalAddressLow(Limit, 0xffffffff);
  NdisSetPhysicalAddressHigh(Limit, -1);
  return Limit;
}

// Descriptor words are little-endian 32-bit words in non-cached memory.
#define DESC_WORD(D, N) (((volatile ULONG*)(D))[N])

// Ring and filter state is touched only under its lock; code that relies on
// its caller holding one says so here. Checked where ASSERT is: checked
// builds, and the native build's verifier (never the shipped free build).
#define TRX_ASSERT_HELD(Lock) ASSERT(!KeTestSpinLock(&(Lock)->SpinLock))

// Gives a receive packet back its own buffer as its only buffer, as it was
// before a protocol saw it.
static inline VOID ReattachReceiveBuffer(PRX_RECORD R) {
  PNDIS_PACKET Packet = R->Packet;
  NDIS_BUFFER_LINKAGE(R->Buffer) = NULL;
  Packet->Private.Head = R->Buffer;
  Packet->Private.Tail = R->Buffer;
  Packet->Private.ValidCounts = FALSE;
  *(PRX_RECORD*)Packet->MiniportReserved = R;
}

static inline PRX_RECORD RxRecordOfPacket(PNDIS_PACKET Packet) {
  return *(PRX_RECORD*)Packet->MiniportReserved;
}

// The fields of the driver's ADAPTER_CONTEXT and of its transmit and receive
// records that a host-side copy of a kernel image's adapter context shows:
// the values as they are, and the pointers into the record arrays and to the
// descriptors, which the copy translates.
#pragma once

#define TRX_ADAPTER_VALUE_FIELDS(X)                                                                      \
  X(BusNumber) X(SlotNumber) X(Alignment) X(CurrentLookahead) X(MaxMulticast) X(RxRingSize) X(TxRingSize) \
  X(ConnectionType) X(MapThreshold) X(ChipReady) X(CsrLength) X(CsrMapped) X(InterruptLevel)              \
  X(InterruptVector) X(InterruptRegistered) X(BufferAreaPhysical) X(BufferAreaLength) X(NextBufferOffset) \
  X(BufferSize) X(NextMapRegister) X(MapRegistersAllocated) X(ShutdownRegistered) X(LinkUp) X(InitDone)   \
  X(SendResourcesNeeded) X(RcvOk) X(XmitOk) X(XmitError) X(XmitDeferred) X(XmitCollisions)               \
  X(XmitMaxCollisions) X(XmitCrsLost) X(XmitUnderrun) X(RcvError) X(RcvMissed) X(RcvAlignment) X(RcvCrc)  \
  X(TxFree) X(CompletionBusy) X(SetupPending) X(TxCount) X(RxCount) X(DescriptorAreaPhysical)             \
  X(DescriptorAreaLength) X(PacketFilter) X(StationAddress) X(MulticastCount) X(MulticastList)             \
  X(Csr0Value) X(Csr6Value) X(SiaMedia) X(ChipBusy) X(AbilityMask) X(PhyKind) X(ChipLocksAllocated)       \
  X(ResetTimerInitialized) X(ResetPending)

#define TRX_ADAPTER_RECORD_POINTERS(X) X(TxHead) X(TxTail) X(TxRecords) X(RxHead) X(RxTail) X(RxRecords)

#define TRX_TX_RECORD_VALUE_FIELDS(X)                                                                     \
  X(CopyPhysical) X(MappedPhysical) X(CopyLength) X(MappedLength) X(MapRegister) X(DescriptorPhysical)     \
  X(Status) X(Submitted)

#define TRX_RX_RECORD_VALUE_FIELDS(X) X(BufferPhysical) X(FrameLength) X(DescriptorPhysical)

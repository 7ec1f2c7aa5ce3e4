// The fields of the driver's ADAPTER_CONTEXT that hold values, not pointers:
// what a host-side copy of a kernel image's adapter context can show.
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

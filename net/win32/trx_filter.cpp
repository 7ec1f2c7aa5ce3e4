// The receive filter: packet filter, station address and multicast list, and
// the setup frame that programs them into the chip through the transmit ring.
#include "trx_chip.h"

static const UCHAR BroadcastAddress[6] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};

// Words of the 21143's perfect address used alongside a hash table.
#define TRX_HASH_PERFECT_WORD 39

ULONG HashCrc(const UCHAR Address[6]) {
  ULONG Crc = 0xffffffff;
  for (ULONG i = 0; i < 6; i++) {
    UCHAR Byte = Address[i];
    for (ULONG Bit = 0; Bit < 8; Bit++, Byte >>= 1) {
      Crc = ((Crc ^ Byte) & 1) ? (Crc >> 1) ^ 0xedb88320 : Crc >> 1;
    }
  }
  return Crc;
}

static VOID SetHashBit(PULONG Words, const UCHAR Address[6]) {
  ULONG Index = HashCrc(Address) & 0x1ff;
  Words[Index / 16] |= 1UL << (Index % 16);
}

static VOID WriteEntry(PULONG Words, ULONG FirstWord, const UCHAR Address[6]) {
  for (ULONG j = 0; j < 3; j++) {
    Words[FirstWord + j] = (ULONG)Address[2 * j] | ((ULONG)Address[2 * j + 1] << 8);
  }
}

// Builds the setup frame for the current filter state and returns the
// filtering-type bits for its descriptor. Caller holds ChipLock.
static ULONG BuildSetupFrame(PADAPTER_CONTEXT A, PULONG Words) {
  TRX_ASSERT_HELD(&A->ChipLock);
  ULONG Filter = A->PacketFilter;
  if (A->MulticastCount == 0) Filter &= ~NDIS_PACKET_TYPE_MULTICAST;
  if ((Filter & (NDIS_PACKET_TYPE_DIRECTED | NDIS_PACKET_TYPE_MULTICAST | NDIS_PACKET_TYPE_BROADCAST)) == 0) {
    NdisZeroMemory(Words, TRX_SETUP_FRAME_SIZE);
    return TDES1_HASH_ONLY_FILTER;
  }

  const UCHAR* Entry0 = (Filter & NDIS_PACKET_TYPE_DIRECTED)    ? A->StationAddress
                        : (Filter & NDIS_PACKET_TYPE_BROADCAST) ? BroadcastAddress
                                                                : A->MulticastList[0];
  const UCHAR* Entry1 = (Filter & NDIS_PACKET_TYPE_BROADCAST) ? BroadcastAddress : Entry0;

  if ((Filter & NDIS_PACKET_TYPE_MULTICAST) && A->MulticastCount >= 15) {
    // Too many for the 16 perfect entries: a 512-bit hash of the multicast
    // list, with broadcast hashed in too and the one perfect address the chip
    // keeps beside the table, so broadcast and directed frames still pass.
    NdisZeroMemory(Words, 32 * sizeof(ULONG));
    for (ULONG i = 0; i < A->MulticastCount; i++) SetHashBit(Words, A->MulticastList[i]);
    if (Filter & NDIS_PACKET_TYPE_BROADCAST) SetHashBit(Words, BroadcastAddress);
    WriteEntry(Words, TRX_HASH_PERFECT_WORD, Entry0);
    return TDES1_HASH_FILTER;
  }

  // Every entry is written: whatever an earlier frame left there (groups since
  // left, or hash words) would otherwise still be matched.
  ULONG Groups = (Filter & NDIS_PACKET_TYPE_MULTICAST) ? A->MulticastCount : 0;
  WriteEntry(Words, 0, Entry0);
  WriteEntry(Words, 3, Entry1);
  for (ULONG k = 2; k < 16; k++) {
    ULONG i = k - 2;
    WriteEntry(Words, 3 * k, i < Groups ? A->MulticastList[i] : Entry0);
  }
  return 0;
}

// Whether a setup descriptor handed over earlier is still the chip's: it
// reads the one setup frame when it gets there, so rewriting the frame now
// could give it half of each. Caller holds TxLock.
static BOOLEAN SetupFrameInUse(PADAPTER_CONTEXT A) {
  TRX_ASSERT_HELD(&A->TxLock);
  for (PTX_RECORD R = A->TxTail; R != A->TxHead; R = R->Next) {
    if ((DESC_WORD(R->Descriptor, 1) & TDES1_SETUP_FRAME) && (DESC_WORD(R->Descriptor, 0) & TDES0_OWN)) return TRUE;
  }
  return FALSE;
}

// A descriptor with no buffers: the chip closes it with nothing to report.
static VOID WriteDummy(PADAPTER_CONTEXT A, PTX_RECORD R) {
  BOOLEAN IsLast = (ULONG)(R - A->TxRecords) == A->TxCount - 1;
  DESC_WORD(R->Descriptor, 1) = IsLast ? TDES1_END_OF_RING : 0;
  DESC_WORD(R->Descriptor, 2) = 0;
  DESC_WORD(R->Descriptor, 3) = 0;
  R->Submitted = TRUE;
}

// The next completion walk loads the filter again.
static VOID ReloadOnCompletion(PADAPTER_CONTEXT A) {
  NdisDprAcquireSpinLock(&A->TxLock);
  A->SetupPending = TRUE;
  NdisDprReleaseSpinLock(&A->TxLock);
}

VOID LoadFilter(PADAPTER_CONTEXT A) {
  NdisDprAcquireSpinLock(&A->ChipLock);
  ULONG Mode = TRX_CSR_READ(A, CSR6_OPMODE) & ~(CSR6_PASS_ALL_MULTICAST | CSR6_PROMISCUOUS);
  if (A->PacketFilter & NDIS_PACKET_TYPE_ALL_MULTICAST) Mode |= CSR6_PASS_ALL_MULTICAST;
  if (A->PacketFilter & NDIS_PACKET_TYPE_PROMISCUOUS) Mode |= CSR6_PROMISCUOUS;
  TRX_CSR_WRITE(A, CSR6_OPMODE, Mode);
  NdisDprReleaseSpinLock(&A->ChipLock);

  // An earlier setup descriptor the chip has not read yet: the completion
  // walk that frees it loads the filter again, from the state stored by then.
  NdisDprAcquireSpinLock(&A->TxLock);
  BOOLEAN InUse = SetupFrameInUse(A);
  if (InUse) A->SetupPending = TRUE;
  NdisDprReleaseSpinLock(&A->TxLock);
  if (InUse) return;

  ULONG Count = 2;
  PTX_RECORD Dummy = ReserveTransmit(A, &Count);
  if (Dummy == NULL) {
    ReloadOnCompletion(A);
    return;
  }
  PTX_RECORD Setup = Count == 2 ? Dummy->Next : NULL;
  WriteDummy(A, Dummy);
  // ReserveTransmit may have run a completion walk, and the walk a pending
  // reload that handed over a setup descriptor of its own.
  NdisDprAcquireSpinLock(&A->TxLock);
  InUse = SetupFrameInUse(A);
  NdisDprReleaseSpinLock(&A->TxLock);
  if (Setup == NULL || InUse) {
    // Dummies only, so that the ring moves; retry on completion.
    if (Setup != NULL) {
      WriteDummy(A, Setup);
      DESC_WORD(Setup->Descriptor, 0) = TDES0_OWN;
    }
    DESC_WORD(Dummy->Descriptor, 0) = TDES0_OWN;
    TRX_CSR_WRITE(A, CSR1_TX_POLL, 0);
    ReloadOnCompletion(A);
    return;
  }

  ULONG LastIndex = A->TxCount - 1;
  ULONG SetupOffset = (A->TxCount + A->RxCount) * TRX_DESCRIPTOR_SIZE;
  PULONG Words = (PULONG)(A->DescriptorAreaVirtual + SetupOffset);
  ULONG Control = TDES1_SETUP_PERFECT;
  if ((ULONG)(Setup - A->TxRecords) == LastIndex) Control |= TDES1_END_OF_RING;

  NdisDprAcquireSpinLock(&A->ChipLock);
  Control += BuildSetupFrame(A, Words);
  NdisDprReleaseSpinLock(&A->ChipLock);

  DESC_WORD(Setup->Descriptor, 1) = Control;
  DESC_WORD(Setup->Descriptor, 2) = A->DescriptorAreaPhysical + SetupOffset;
  DESC_WORD(Setup->Descriptor, 3) = 0;
  Setup->Submitted = TRUE;
  DESC_WORD(Setup->Descriptor, 0) = TDES0_OWN;
  DESC_WORD(Dummy->Descriptor, 0) = TDES0_OWN;
  TRX_CSR_WRITE(A, CSR1_TX_POLL, 0);
}

ULONG QueryPacketFilter(PADAPTER_CONTEXT A) {
  return A->PacketFilter;
}

VOID SetPacketFilter(PADAPTER_CONTEXT A, ULONG Unused, ULONG Filter) {
  UNREFERENCED_PARAMETER(Unused);
  NdisDprAcquireSpinLock(&A->ChipLock);
  A->PacketFilter = Filter;
  NdisDprReleaseSpinLock(&A->ChipLock);
  LoadFilter(A);
}

VOID QueryStationAddress(PADAPTER_CONTEXT A, ULONG Unused, PUCHAR Address) {
  UNREFERENCED_PARAMETER(Unused);
  NdisDprAcquireSpinLock(&A->ChipLock);
  NdisMoveMemory(Address, A->StationAddress, 6);
  NdisDprReleaseSpinLock(&A->ChipLock);
}

VOID SetStationAddress(PADAPTER_CONTEXT A, ULONG Unused, const UCHAR* Address) {
  UNREFERENCED_PARAMETER(Unused);
  NdisDprAcquireSpinLock(&A->ChipLock);
  NdisMoveMemory(A->StationAddress, (PVOID)Address, 6);
  NdisDprReleaseSpinLock(&A->ChipLock);
  LoadFilter(A);
}

VOID QueryMulticastList(PADAPTER_CONTEXT A, ULONG Unused, ULONG Capacity, PULONG Count, PUCHAR List) {
  UNREFERENCED_PARAMETER(Unused);
  NdisDprAcquireSpinLock(&A->ChipLock);
  *Count = A->MulticastCount;
  if (A->MulticastCount <= Capacity && A->MulticastCount != 0) {
    NdisMoveMemory(List, A->MulticastList, A->MulticastCount * 6);
  }
  NdisDprReleaseSpinLock(&A->ChipLock);
}

// Count is at most MaxMulticast; the set handler refuses longer lists.
VOID SetMulticastList(PADAPTER_CONTEXT A, ULONG Unused, ULONG Count, const UCHAR* List) {
  UNREFERENCED_PARAMETER(Unused);
  if (Count > TRX_MAX_MULTICAST) Count = TRX_MAX_MULTICAST;
  NdisDprAcquireSpinLock(&A->ChipLock);
  if (Count != 0) NdisMoveMemory(A->MulticastList, (PVOID)List, Count * 6);
  A->MulticastCount = Count;
  NdisDprReleaseSpinLock(&A->ChipLock);
  LoadFilter(A);
}

// InstallChipOps: the chip-operation table, the chip-layer locks, the
// descriptor rings with their buffers, PHY detection and the register values
// every bring-up writes.
#include "trx_chip.h"
#include "trx_miniport.h"  // declares InstallChipOps, the one routine set-up calls directly

static const CHIP_OPS TrxChipOps = {
  InitializeChip,      ReserveTransmit,   SubmitTransmit,    RecycleReceive,     InterruptPending,
  ServiceInterrupts,   EnableInterrupts,  DisableInterrupts, DemandTransmitPoll, SetConnectionType,
  QueryLinkSpeed,      QueryLinkState,    QueryStatistic,    QueryPacketFilter,  SetPacketFilter,
  QueryStationAddress, SetStationAddress, QueryMulticastList, SetMulticastList,  StopChip,
  ReleaseChip,
};

// Hands out the next Alignment-sized slot of the buffer area.
static VOID TakeBuffer(PADAPTER_CONTEXT A, PUCHAR* Virtual, PULONG Physical) {
  *Virtual = A->BufferAreaVirtual + A->NextBufferOffset;
  *Physical = A->BufferAreaPhysical + A->NextBufferOffset;
  A->NextBufferOffset += A->BufferSize;
}

static NDIS_STATUS BuildTransmitRing(PADAPTER_CONTEXT A, ULONG Tx) {
  NDIS_STATUS Status = NdisAllocateMemory((PVOID*)&A->TxRecords, Tx * sizeof(TX_RECORD), 0, TrxNoAddressLimit());
  if (Status != NDIS_STATUS_SUCCESS) {
    A->TxRecords = NULL;
    return Status;
  }
  NdisZeroMemory(A->TxRecords, Tx * sizeof(TX_RECORD));
  for (ULONG i = 0; i < Tx; i++) {
    PTX_RECORD R = &A->TxRecords[i];
    R->Descriptor = (PULONG)(A->DescriptorAreaVirtual + TRX_DESCRIPTOR_SIZE * i);
    R->DescriptorPhysical = A->DescriptorAreaPhysical + TRX_DESCRIPTOR_SIZE * i;
    DESC_WORD(R->Descriptor, 0) = 0;
    R->Next = &A->TxRecords[(i + 1) % Tx];
    R->MapRegister = A->NextMapRegister++;
    TakeBuffer(A, &R->CopyVirtual, &R->CopyPhysical);
    NdisAllocateBuffer(&Status, &R->CopyBuffer, A->BufferPool, R->CopyVirtual, TRX_MAX_FRAME);
    if (Status != NDIS_STATUS_SUCCESS) return Status;  // the pools are sized for the rings, but may still refuse
  }
  A->TxHead = A->TxTail = &A->TxRecords[0];
  A->TxFree = Tx - 1;
  A->SetupPending = FALSE;
  A->TxCount = Tx;
  return NDIS_STATUS_SUCCESS;
}

static NDIS_STATUS BuildReceiveChain(PADAPTER_CONTEXT A, ULONG Tx, ULONG Rx) {
  NDIS_STATUS Status = NdisAllocateMemory((PVOID*)&A->RxRecords, Rx * sizeof(RX_RECORD), 0, TrxNoAddressLimit());
  if (Status != NDIS_STATUS_SUCCESS) {
    A->RxRecords = NULL;
    return Status;
  }
  NdisZeroMemory(A->RxRecords, Rx * sizeof(RX_RECORD));
  for (ULONG i = 0; i < Rx; i++) {
    PRX_RECORD R = &A->RxRecords[i];
    ULONG Offset = TRX_DESCRIPTOR_SIZE * (Tx + i);
    R->Descriptor = (PULONG)(A->DescriptorAreaVirtual + Offset);
    R->DescriptorPhysical = A->DescriptorAreaPhysical + Offset;
    PUCHAR Virtual;
    TakeBuffer(A, &Virtual, &R->BufferPhysical);
    NdisAllocatePacket(&Status, &R->Packet, A->PacketPool);
    if (Status != NDIS_STATUS_SUCCESS) return Status;
    NDIS_SET_PACKET_HEADER_SIZE(R->Packet, TRX_HEADER_SIZE);
    NdisAllocateBuffer(&Status, &R->Buffer, A->BufferPool, Virtual, TRX_MAX_FRAME);
    if (Status != NDIS_STATUS_SUCCESS) return Status;
    NdisChainBufferAtFront(R->Packet, R->Buffer);
    *(PRX_RECORD*)R->Packet->MiniportReserved = R;
    DESC_WORD(R->Descriptor, 0) = RDES0_OWN;
    DESC_WORD(R->Descriptor, 1) = RDES1_CHAINED_1518;
    DESC_WORD(R->Descriptor, 2) = R->BufferPhysical;
    DESC_WORD(R->Descriptor, 3) = R->DescriptorPhysical + TRX_DESCRIPTOR_SIZE;
    R->Next = i + 1 < Rx ? &A->RxRecords[i + 1] : NULL;
  }
  // The last record is the host-owned sentinel; RecycleReceive relinks it.
  DESC_WORD(A->RxRecords[Rx - 1].Descriptor, 0) = 0;
  A->RxHead = &A->RxRecords[0];
  A->RxTail = &A->RxRecords[Rx - 1];
  A->RxCount = Rx;
  return NDIS_STATUS_SUCCESS;
}

// Register values for every bring-up, from the options and the alignment.
static VOID ChooseModes(PADAPTER_CONTEXT A, const ULONG Options[16]) {
  A->Csr0Value = Options[0] != 0 ? Options[0] : CSR0_DEFAULT;
  A->Csr6Value = Options[1] != 0 ? Options[1] : CSR6_DEFAULT;
  if (A->PhyKind == TRX_PHY_NONE) A->Csr6Value &= CSR6_NO_PHY_MASK;
  A->Csr0Value &= ~CSR0_CACHE_ALIGN_MASK;
  switch (A->Alignment) {
    case 32: A->Csr0Value |= CSR0_CACHE_ALIGN_32; break;
    case 64: A->Csr0Value |= CSR0_CACHE_ALIGN_64; break;
    case 128: A->Csr0Value |= CSR0_CACHE_ALIGN_128; break;
    default: A->Csr0Value &= CSR0_NO_CACHE_CMDS_MASK; break;
  }
}

NDIS_STATUS InstallChipOps(PADAPTER_CONTEXT A, ULONG Rx, ULONG Tx, const ULONG Options[16]) {
  A->ChipOps = TrxChipOps;
  A->MaxMulticast = TRX_MAX_MULTICAST;
  NdisAllocateSpinLock(&A->TxLock);
  NdisAllocateSpinLock(&A->RxLock);
  NdisAllocateSpinLock(&A->ChipLock);
  A->ChipLocksAllocated = TRUE;

  TrxPciWrite(A, PCI_POWER_OFFSET, 0);  // out of sleep and snooze

  A->DescriptorAreaLength = (Tx + Rx) * TRX_DESCRIPTOR_SIZE + TRX_SETUP_FRAME_SIZE;
  NDIS_PHYSICAL_ADDRESS Physical;
  NdisMAllocateSharedMemory(A->MiniportAdapterHandle, A->DescriptorAreaLength, FALSE,
                            (PVOID*)&A->DescriptorAreaVirtual, &Physical);
  if (A->DescriptorAreaVirtual == NULL) {
    ReleaseChip(A);  // the locks above
    return NDIS_STATUS_RESOURCES;
  }
  A->DescriptorAreaPhysical = NdisGetPhysicalAddressLow(Physical);
  NdisZeroMemory(A->DescriptorAreaVirtual, A->DescriptorAreaLength);

  NDIS_STATUS Status = BuildTransmitRing(A, Tx);
  if (Status == NDIS_STATUS_SUCCESS) Status = BuildReceiveChain(A, Tx, Rx);
  if (Status != NDIS_STATUS_SUCCESS) {
    ReleaseChip(A);
    return Status;
  }

  TrxPciWrite(A, PCI_COMMAND_OFFSET, TrxPciRead(A, PCI_COMMAND_OFFSET) | PCI_COMMAND_MEM_MASTER);
  DetectPhy(A);
  ChooseModes(A, Options);
  ReadEepromAddress(A, A->StationAddress);
  return NDIS_STATUS_SUCCESS;
}

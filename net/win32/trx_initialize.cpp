// The Initialize handler: medium, keywords, board identity, resources, memory,
// ChipOps, interrupt, bring-up.
#include "trx_miniport.h"

BOOLEAN CheckPciIdentity(NDIS_HANDLE MiniportAdapterHandle, ULONG Slot, ULONG Identifier, ULONG Subsystem) {
  ULONG Value = 0;
  NdisReadPciSlotInformation(MiniportAdapterHandle, Slot, PCI_ID_OFFSET, &Value, sizeof(Value));
  if (Value != Identifier) return FALSE;
  Value = 0;
  NdisReadPciSlotInformation(MiniportAdapterHandle, Slot, PCI_SUBSYSTEM_OFFSET, &Value, sizeof(Value));
  return Value == Subsystem;
}

// The smallest power of two not below the cache line, and at least 16.
static ULONG AlignmentForCacheLine(ULONG CacheLineRegister) {
  ULONG Bytes = (CacheLineRegister & 0xff) * 4;
  if (Bytes == 0) Bytes = 1;
  ULONG Alignment = 16;
  while (Alignment < Bytes) Alignment <<= 1;
  return Alignment;
}

typedef struct CONFIGURATION {
  ULONG Options[16];
  UCHAR AddressOverride[6];
  BOOLEAN HasOverride;
} CONFIGURATION;

static NDIS_STATUS ReadConfiguration(PADAPTER_CONTEXT A, NDIS_HANDLE WrapperConfigurationContext, CONFIGURATION* Config) {
  NDIS_STATUS Status;
  NDIS_HANDLE Handle;
  NdisOpenConfiguration(&Status, &Handle, WrapperConfigurationContext);
  if (Status != NDIS_STATUS_SUCCESS) return Status;

  Status = ReadKeywords(A, Handle);
  if (Status == NDIS_STATUS_SUCCESS) {
    PVOID Address = NULL;
    UINT Length = 0;
    NDIS_STATUS AddressStatus;
    NdisReadNetworkAddress(&AddressStatus, &Address, &Length, Handle);
    if (AddressStatus == NDIS_STATUS_SUCCESS && Length == 6 && Address != NULL) {
      NdisMoveMemory(Config->AddressOverride, Address, 6);
      Config->HasOverride = TRUE;
    }
    NDIS_STRING OptionsKeyword = NDIS_STRING_CONST("Options");
    PNDIS_CONFIGURATION_PARAMETER Parameter = NULL;
    NDIS_STATUS OptionsStatus;
    NdisReadConfiguration(&OptionsStatus, &Parameter, Handle, &OptionsKeyword, NdisParameterString);
    if (OptionsStatus == NDIS_STATUS_SUCCESS && Parameter->ParameterType == NdisParameterString) {
      ParseOptions(&Parameter->ParameterData.StringData, Config->Options);
    }
  }
  NdisCloseConfiguration(Handle);
  return Status;
}

// Claims the slot's resources and maps the register window.
static NDIS_STATUS ClaimResources(PADAPTER_CONTEXT A, PNDIS_RESOURCE_LIST* Resources) {
  NDIS_STATUS Status = NdisMPciAssignResources(A->MiniportAdapterHandle, A->SlotNumber, Resources);
  if (Status != NDIS_STATUS_SUCCESS) return Status;
  A->Alignment = AlignmentForCacheLine(TrxPciRead(A, PCI_CACHE_LINE_OFFSET));

  Status = NDIS_STATUS_SUCCESS;
  NdisAllocatePacketPool(&Status, &A->PacketPool, A->RxRingSize, 16);
  if (Status != NDIS_STATUS_SUCCESS) {
    A->PacketPool = NULL;
    return Status;
  }
  NdisAllocateBufferPool(&Status, &A->BufferPool, A->RxRingSize + A->TxRingSize);
  if (Status != NDIS_STATUS_SUCCESS) {
    A->BufferPool = NULL;
    return Status;
  }

  for (ULONG i = 0; i < (*Resources)->Count; i++) {
    PCM_PARTIAL_RESOURCE_DESCRIPTOR D = &(*Resources)->PartialDescriptors[i];
    if (D->Type != CmResourceTypeMemory) continue;
    A->CsrLength = D->u.Memory.Length;
    Status = NdisMMapIoSpace(&A->CsrBase, A->MiniportAdapterHandle, D->u.Memory.Start, A->CsrLength);
    if (Status != NDIS_STATUS_SUCCESS) return Status;
    A->CsrMapped = TRUE;
    return NDIS_STATUS_SUCCESS;
  }
  return NDIS_STATUS_FAILURE;
}

static NDIS_STATUS AllocateDmaMemory(PADAPTER_CONTEXT A) {
  NDIS_STATUS Status = NdisMAllocateMapRegisters(A->MiniportAdapterHandle, 0, NDIS_DMA_32BITS, A->TxRingSize, TRX_MAX_FRAME);
  if (Status != NDIS_STATUS_SUCCESS) return Status;
  A->MapRegistersAllocated = TRUE;

  A->BufferSize = (TRX_MAX_FRAME + A->Alignment - 1) & ~(A->Alignment - 1);
  A->BufferAreaLength = (A->RxRingSize + A->TxRingSize) * A->BufferSize + A->Alignment - 1;
  NDIS_PHYSICAL_ADDRESS Physical;
  NdisMAllocateSharedMemory(A->MiniportAdapterHandle, A->BufferAreaLength, TRUE, (PVOID*)&A->BufferAreaVirtual, &Physical);
  if (A->BufferAreaVirtual == NULL) return NDIS_STATUS_RESOURCES;
  A->BufferAreaPhysical = NdisGetPhysicalAddressLow(Physical);
  ULONG Aligned = (A->BufferAreaPhysical + A->Alignment - 1) & ~(A->Alignment - 1);
  A->NextBufferOffset = Aligned - A->BufferAreaPhysical;
  return NDIS_STATUS_SUCCESS;
}

static NDIS_STATUS RegisterInterrupt(PADAPTER_CONTEXT A, PNDIS_RESOURCE_LIST Resources) {
  for (ULONG i = 0; i < Resources->Count; i++) {
    PCM_PARTIAL_RESOURCE_DESCRIPTOR D = &Resources->PartialDescriptors[i];
    if (D->Type != CmResourceTypeInterrupt) continue;
    A->InterruptLevel = D->u.Interrupt.Level;
    A->InterruptVector = D->u.Interrupt.Vector;
    NDIS_STATUS Status = NdisMRegisterInterrupt(&A->Interrupt, A->MiniportAdapterHandle, A->InterruptVector,
                                                A->InterruptLevel, TRUE, TRUE, NdisInterruptLevelSensitive);
    if (Status != NDIS_STATUS_SUCCESS) return Status;
    A->InterruptRegistered = TRUE;
    return NDIS_STATUS_SUCCESS;
  }
  return NDIS_STATUS_SUCCESS;  // no interrupt resource: the adapter runs without one
}

// Programs the chip, lets the link settle, then applies the connection type
// and the address override and opens the interrupt. Initialize runs at
// PASSIVE level, so the settle time is slept with BringUpLock released; the
// chip routines run under it, at DISPATCH level, as they expect.
static NDIS_STATUS BringUp(PADAPTER_CONTEXT A, const CONFIGURATION* Config) {
  NdisAllocateSpinLock(&A->BringUpLock);
  NdisAcquireSpinLock(&A->BringUpLock);
  NDIS_STATUS Status = A->ChipOps.InitializeChip(A, FALSE);
  NdisReleaseSpinLock(&A->BringUpLock);
  if (Status == NDIS_STATUS_SUCCESS) {
    NdisMSleep(TRX_LINK_SETTLE_US);
    NdisAcquireSpinLock(&A->BringUpLock);
    A->ChipOps.InitializeChip(A, TRUE);
    A->ChipOps.SetConnectionType(A, 0, A->ConnectionType);
    if (Config->HasOverride) A->ChipOps.SetStationAddress(A, 0, Config->AddressOverride);
    A->ChipOps.EnableInterrupts(A);
    A->LinkUp = A->ChipOps.QueryLinkState(A, 0);
    NdisReleaseSpinLock(&A->BringUpLock);
  }
  NdisFreeSpinLock(&A->BringUpLock);
  return Status;
}

NDIS_STATUS NTAPI MiniportInitialize(PNDIS_STATUS OpenErrorStatus, PUINT SelectedMediumIndex,
                                     PNDIS_MEDIUM MediumArray, UINT MediumArraySize,
                                     NDIS_HANDLE MiniportAdapterHandle, NDIS_HANDLE WrapperConfigurationContext) {
  UINT Medium = 0;
  while (Medium < MediumArraySize && MediumArray[Medium] != NdisMedium802_3) Medium++;
  if (Medium == MediumArraySize) return NDIS_STATUS_UNSUPPORTED_MEDIA;
  *SelectedMediumIndex = Medium;

  PADAPTER_CONTEXT A = NULL;
  NDIS_STATUS Status = NdisAllocateMemory((PVOID*)&A, sizeof(ADAPTER_CONTEXT), 0, TrxNoAddressLimit());
  if (Status != NDIS_STATUS_SUCCESS) return Status;
  NdisZeroMemory(A, sizeof(ADAPTER_CONTEXT));
  A->MiniportAdapterHandle = MiniportAdapterHandle;
  A->CurrentLookahead = TRX_MAX_PACKET;

  CONFIGURATION Config;
  NdisZeroMemory(&Config, sizeof(Config));
  Status = ReadConfiguration(A, WrapperConfigurationContext, &Config);
  if (Status == NDIS_STATUS_SUCCESS &&
      !CheckPciIdentity(MiniportAdapterHandle, A->SlotNumber, TRX_PCI_ID, TRX_PCI_SUBSYSTEM)) {
    Status = NDIS_STATUS_ADAPTER_NOT_FOUND;
  }
  PNDIS_RESOURCE_LIST Resources = NULL;
  if (Status == NDIS_STATUS_SUCCESS) {
    NdisMSetAttributesEx(MiniportAdapterHandle, A, 0, NDIS_ATTRIBUTE_BUS_MASTER, NdisInterfacePci);
    Status = ClaimResources(A, &Resources);
  }
  if (Status == NDIS_STATUS_SUCCESS) Status = AllocateDmaMemory(A);
  if (Status == NDIS_STATUS_SUCCESS) {
    Status = InstallChipOps(A, A->RxRingSize, A->TxRingSize, Config.Options);
    if (Status == NDIS_STATUS_SUCCESS) A->ChipReady = TRUE;
  }
  if (Status == NDIS_STATUS_SUCCESS) Status = RegisterInterrupt(A, Resources);
  if (Status == NDIS_STATUS_SUCCESS) {
    NdisMInitializeTimer(&A->ResetTimer, MiniportAdapterHandle, FinishReset, A);
    A->ResetTimerInitialized = TRUE;
    Status = BringUp(A, &Config);
  }
  if (Status != NDIS_STATUS_SUCCESS) {
    ReleaseAdapter(A);
    return Status;
  }
  NdisMRegisterAdapterShutdownHandler(MiniportAdapterHandle, A, MiniportShutdown);
  A->ShutdownRegistered = TRUE;
  A->InitDone = TRUE;
  *OpenErrorStatus = NDIS_STATUS_SUCCESS;
  return NDIS_STATUS_SUCCESS;
}

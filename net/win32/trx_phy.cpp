// PHY detection and set-up, connection type, and the link as read from the
// PHY or the serial interface.
#include "trx_chip.h"

VOID DetectPhy(PADAPTER_CONTEXT A) {
  ULONG Id = (((ULONG)MiiRead(A, 2) << 16) | MiiRead(A, 3)) & ~0xfUL;  // drop the revision
  // Nobody answering reads as 0, or as all ones where the data line idles high.
  if (Id == 0 || Id == (0xffffffffUL & ~0xfUL)) {
    A->PhyKind = TRX_PHY_NONE;
    A->AbilityMask = 0x20;
    return;
  }
  A->PhyKind = Id;
  A->AbilityMask = MiiRead(A, 4);
  if (A->AbilityMask == 1) A->AbilityMask = 0x181;  // selector only: assume 10 half and both 100 modes
}

// Resets the PHY and programs its vendor registers. Caller holds ChipLock.
NDIS_STATUS SetUpPhy(PADAPTER_CONTEXT A) {
  TRX_ASSERT_HELD(&A->ChipLock);
  ULONG Tries;
  if (A->PhyKind == TRX_PHY_1378) {
    MiiWrite(A, 0, 0x8000);
    for (Tries = 0; (MiiRead(A, 0) & 0x8000) != 0; Tries++) {
      if (Tries == TRX_PHY_RESET_TRIES) return NDIS_STATUS_HARD_ERRORS;
    }
    MiiWrite(A, 0x12, 2);
    MiiWrite(A, 0x12, 0xf2);
    MiiWrite(A, 0x14, 0x0742);
  } else if (A->PhyKind == TRX_PHY_7810) {
    MiiWrite(A, 0, 0x8000);
    TRX_STALL(50);
    for (Tries = 0;; Tries++) {
      if (Tries == TRX_PHY_CONFIG_TRIES) return NDIS_STATUS_HARD_ERRORS;
      MiiWrite(A, 0x11, 2);
      if (MiiRead(A, 0x11) == 2) break;
    }
  }
  return NDIS_STATUS_SUCCESS;
}

typedef struct CONNECTION_SETTING {
  ULONG Required;       // AbilityMask bits the mode needs
  USHORT Control;       // MII register 0
  USHORT Advertise;     // MII register 4
  USHORT CheckMask;     // bits of register 0 that must read back
} CONNECTION_SETTING;

static const CONNECTION_SETTING ConnectionSettings[5] = {
  {0x1e0, 0x1200, 0x01e1, 0x1000},  // auto-negotiate all four modes
  {0x020, 0x0000, 0x0021, 0x3100},  // 10 half
  {0x040, 0x0100, 0x0041, 0x3100},  // 10 full
  {0x080, 0x2000, 0x0081, 0x3100},  // 100 half
  {0x100, 0x2100, 0x0101, 0x3100},  // 100 full
};

VOID SetConnectionType(PADAPTER_CONTEXT A, ULONG Unused, ULONG Type) {
  UNREFERENCED_PARAMETER(Unused);
  if (A->PhyKind == TRX_PHY_NONE) {
    A->SiaMedia = Type;
    UpdateLinkState(A);
    return;
  }
  const CONNECTION_SETTING* Setting = &ConnectionSettings[Type <= TRX_CONNECTION_100F ? Type : 0];
  if ((A->AbilityMask & Setting->Required) != Setting->Required) return;

  NdisDprAcquireSpinLock(&A->ChipLock);
  for (ULONG Attempt = 0; Attempt < 12; Attempt++) {
    MiiWrite(A, 4, Setting->Advertise);
    MiiWrite(A, 0, Setting->Control);
    NdisDprReleaseSpinLock(&A->ChipLock);
    UpdateLinkState(A);
    NdisDprAcquireSpinLock(&A->ChipLock);
    if ((MiiRead(A, 4) & 0x1e1) == Setting->Advertise &&
        (MiiRead(A, 0) & Setting->CheckMask) == (Setting->Control & ~0x0200)) {
      break;
    }
  }
  NdisDprReleaseSpinLock(&A->ChipLock);
}

static ULONG LinkCode(BOOLEAN Speed100, BOOLEAN FullDuplex) {
  if (Speed100) return FullDuplex ? TRX_CONNECTION_100F : TRX_CONNECTION_100H;
  return FullDuplex ? TRX_CONNECTION_10F : TRX_CONNECTION_10H;
}

ULONG QueryLinkSpeed(PADAPTER_CONTEXT A, ULONG Unused) {
  UNREFERENCED_PARAMETER(Unused);
  ULONG Code = 0;
  if (A->PhyKind == TRX_PHY_NONE) {
    return (TRX_CSR_READ(A, CSR14_SIA_TXRX) & CSR14_HALF_DUPLEX_BIT) ? TRX_CONNECTION_10H : TRX_CONNECTION_10F;
  }
  NdisDprAcquireSpinLock(&A->ChipLock);
  if (A->PhyKind == TRX_PHY_1378) {
    USHORT Status = MiiRead(A, 0x11);
    USHORT Speed = MiiRead(A, 0x10);
    Code = LinkCode((Speed & 1) || (Status & 0x4000), (Status & 0x0200) != 0);
  } else if (A->PhyKind == TRX_PHY_7810) {
    USHORT Status = MiiRead(A, 0x14);
    MiiRead(A, 0x13);
    Code = LinkCode((Status & 0x0800) != 0, (Status & 0x1000) != 0);
  }
  NdisDprReleaseSpinLock(&A->ChipLock);
  return Code;
}

BOOLEAN QueryLinkState(PADAPTER_CONTEXT A, ULONG Unused) {
  UNREFERENCED_PARAMETER(Unused);
  BOOLEAN Link = FALSE;
  NdisDprAcquireSpinLock(&A->ChipLock);
  if (A->PhyKind == TRX_PHY_NONE) {
    // CSR12, as UpdateLinkState reads it: CSR15's link bit lags behind, and
    // a query in between would report a link just indicated as lost again.
    Link = (TRX_CSR_READ(A, CSR12_SIA_STATUS) & CSR12_LINK_FAIL_10) == 0;
  } else if (A->PhyKind == TRX_PHY_1378) {
    Link = (MiiRead(A, 0x11) & 0x0400) != 0;
  } else if (A->PhyKind == TRX_PHY_7810) {
    Link = (MiiRead(A, 0x14) & 0x2000) != 0;
  }
  NdisDprReleaseSpinLock(&A->ChipLock);
  return Link;
}

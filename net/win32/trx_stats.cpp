// Statistics counters by OID.
#include "trx_chip.h"

ULONG QueryStatistic(PADAPTER_CONTEXT A, ULONG Unused, NDIS_OID Oid) {
  UNREFERENCED_PARAMETER(Unused);
  switch (Oid) {
    case OID_GEN_XMIT_OK: return A->XmitOk;
    case OID_GEN_RCV_OK: return A->RcvOk;
    case OID_GEN_XMIT_ERROR: return A->XmitError;
    case OID_GEN_RCV_ERROR: return A->RcvError;
    case OID_GEN_RCV_NO_BUFFER: return A->RcvMissed;
    case OID_GEN_RCV_CRC_ERROR: return A->RcvCrc;
    case OID_802_3_RCV_ERROR_ALIGNMENT: return A->RcvAlignment;
    case OID_802_3_XMIT_ONE_COLLISION: return A->XmitCollisions;
    case OID_802_3_XMIT_MORE_COLLISIONS: return 0;
    case OID_802_3_XMIT_DEFERRED: return A->XmitDeferred;
    case OID_802_3_XMIT_MAX_COLLISIONS: return A->XmitMaxCollisions;
    case OID_802_3_XMIT_UNDERRUN: return A->XmitUnderrun;
    case OID_802_3_XMIT_TIMES_CRS_LOST: return A->XmitCrsLost;
    default: return 0;
  }
}

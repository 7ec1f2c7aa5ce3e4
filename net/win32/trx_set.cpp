// The SetInformation handler.
#include "trx_miniport.h"

// Source routing, SMT, group, all functional, functional and MAC frame.
#define TRX_UNSUPPORTED_FILTER_BITS 0xf050

NDIS_STATUS NTAPI MiniportSetInformation(NDIS_HANDLE MiniportAdapterContext, NDIS_OID Oid, PVOID InformationBuffer,
                                         ULONG InformationBufferLength, PULONG BytesRead, PULONG BytesNeeded) {
  PADAPTER_CONTEXT A = (PADAPTER_CONTEXT)MiniportAdapterContext;
  switch (Oid) {
    case OID_GEN_CURRENT_PACKET_FILTER: {
      if (InformationBufferLength != 4) {
        *BytesRead = 0;
        *BytesNeeded = 4;
        return NDIS_STATUS_INVALID_LENGTH;
      }
      ULONG Filter;
      NdisMoveMemory(&Filter, InformationBuffer, 4);
      if ((Filter & 0xffff) & TRX_UNSUPPORTED_FILTER_BITS) {
        *BytesRead = 0;
        return NDIS_STATUS_NOT_SUPPORTED;
      }
      A->ChipOps.SetPacketFilter(A, 0, Filter);
      *BytesRead = 4;
      return NDIS_STATUS_SUCCESS;
    }
    case OID_GEN_CURRENT_LOOKAHEAD: {
      ULONG Lookahead;
      if (InformationBufferLength == 2) {
        USHORT Short;
        NdisMoveMemory(&Short, InformationBuffer, 2);
        Lookahead = Short;
      } else if (InformationBufferLength == 4) {
        NdisMoveMemory(&Lookahead, InformationBuffer, 4);
      } else {
        *BytesRead = 0;
        *BytesNeeded = 4;
        return NDIS_STATUS_INVALID_LENGTH;
      }
      A->CurrentLookahead = Lookahead > TRX_MAX_PACKET ? TRX_MAX_PACKET : Lookahead;
      *BytesRead = InformationBufferLength;
      return NDIS_STATUS_SUCCESS;
    }
    case OID_GEN_PROTOCOL_OPTIONS:
      *BytesRead = InformationBufferLength;
      return NDIS_STATUS_SUCCESS;
    case OID_802_3_MULTICAST_LIST: {
      ULONG Count = InformationBufferLength / 6;
      if (Count > A->MaxMulticast) {
        // More than the adapter holds: refused, the stored list stays.
        *BytesRead = 0;
        *BytesNeeded = A->MaxMulticast * 6;
        return NDIS_STATUS_MULTICAST_FULL;
      }
      A->ChipOps.SetMulticastList(A, 0, Count, (const UCHAR*)InformationBuffer);
      *BytesRead = InformationBufferLength;
      return NDIS_STATUS_SUCCESS;
    }
    default:
      return NDIS_STATUS_INVALID_OID;
  }
}

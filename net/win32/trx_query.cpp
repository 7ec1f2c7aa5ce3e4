// The QueryInformation handler.
#include "trx_miniport.h"

static const NDIS_OID SupportedList[] = {
  OID_GEN_SUPPORTED_LIST,        OID_GEN_HARDWARE_STATUS,         OID_GEN_MEDIA_SUPPORTED,
  OID_GEN_MEDIA_IN_USE,          OID_GEN_MAXIMUM_LOOKAHEAD,       OID_GEN_MAXIMUM_FRAME_SIZE,
  OID_GEN_LINK_SPEED,            OID_GEN_TRANSMIT_BUFFER_SPACE,   OID_GEN_RECEIVE_BUFFER_SPACE,
  OID_GEN_TRANSMIT_BLOCK_SIZE,   OID_GEN_RECEIVE_BLOCK_SIZE,      OID_GEN_VENDOR_ID,
  OID_GEN_VENDOR_DESCRIPTION,    OID_GEN_CURRENT_PACKET_FILTER,   OID_GEN_CURRENT_LOOKAHEAD,
  OID_GEN_DRIVER_VERSION,        OID_GEN_MAXIMUM_TOTAL_SIZE,      OID_GEN_PROTOCOL_OPTIONS,
  OID_GEN_MAC_OPTIONS,           OID_GEN_MEDIA_CONNECT_STATUS,    OID_GEN_MAXIMUM_SEND_PACKETS,
  OID_GEN_VENDOR_DRIVER_VERSION, OID_802_3_MAC_OPTIONS,           OID_GEN_XMIT_OK,
  OID_GEN_RCV_OK,                OID_GEN_XMIT_ERROR,              OID_GEN_RCV_ERROR,
  OID_GEN_RCV_NO_BUFFER,         OID_802_3_PERMANENT_ADDRESS,     OID_802_3_CURRENT_ADDRESS,
  OID_802_3_MULTICAST_LIST,      OID_802_3_MAXIMUM_LIST_SIZE,     OID_802_3_RCV_ERROR_ALIGNMENT,
  OID_802_3_XMIT_ONE_COLLISION,  OID_802_3_XMIT_MORE_COLLISIONS,  OID_802_3_XMIT_DEFERRED,
  OID_802_3_XMIT_MAX_COLLISIONS, OID_802_3_XMIT_UNDERRUN,         OID_802_3_XMIT_TIMES_CRS_LOST,
};

static const char VendorDescription[] = "Tamrix K250 (NDIS5) Network Adapter";

#define TRX_DRIVER_VERSION         0x0500
#define TRX_VENDOR_DRIVER_VERSION  0x00030001
#define TRX_MAC_OPTIONS            (NDIS_MAC_OPTION_COPY_LOOKAHEAD_DATA | NDIS_MAC_OPTION_TRANSFERS_NOT_PEND | \
                                    NDIS_MAC_OPTION_NO_LOOPBACK)

static BOOLEAN IsStatisticOid(NDIS_OID Oid) {
  switch (Oid) {
    case OID_GEN_XMIT_OK: case OID_GEN_RCV_OK: case OID_GEN_XMIT_ERROR: case OID_GEN_RCV_ERROR:
    case OID_GEN_RCV_NO_BUFFER: case OID_GEN_RCV_CRC_ERROR: case OID_802_3_RCV_ERROR_ALIGNMENT:
    case OID_802_3_XMIT_ONE_COLLISION: case OID_802_3_XMIT_MORE_COLLISIONS: case OID_802_3_XMIT_DEFERRED:
    case OID_802_3_XMIT_MAX_COLLISIONS: case OID_802_3_XMIT_UNDERRUN: case OID_802_3_XMIT_TIMES_CRS_LOST:
      return TRUE;
    default:
      return FALSE;
  }
}

static ULONG LinkSpeedInHundredBits(ULONG Code) {
  switch (Code) {
    case TRX_CONNECTION_10H: return 100000;
    case TRX_CONNECTION_10F: return 200000;
    case TRX_CONNECTION_100H: return 1000000;
    case TRX_CONNECTION_100F: return 2000000;
    default: return 0;
  }
}

static NDIS_STATUS QueryMulticast(PADAPTER_CONTEXT A, PVOID Buffer, ULONG Length, PULONG BytesWritten, PULONG BytesNeeded) {
  ULONG Count = 0;
  A->ChipOps.QueryMulticastList(A, 0, 0, &Count, NULL);
  if (Count * 6 > Length) {
    *BytesNeeded = Count * 6;
    return NDIS_STATUS_INVALID_LENGTH;
  }
  A->ChipOps.QueryMulticastList(A, 0, Count, &Count, (PUCHAR)Buffer);
  *BytesWritten = Count * 6;
  return NDIS_STATUS_SUCCESS;
}

NDIS_STATUS NTAPI MiniportQueryInformation(NDIS_HANDLE MiniportAdapterContext, NDIS_OID Oid, PVOID InformationBuffer,
                                           ULONG InformationBufferLength, PULONG BytesWritten, PULONG BytesNeeded) {
  PADAPTER_CONTEXT A = (PADAPTER_CONTEXT)MiniportAdapterContext;
  ULONG Value = 0;
  UCHAR Address[6];
  const VOID* Answer = &Value;
  ULONG AnswerLength = sizeof(ULONG);

  if (Oid == OID_802_3_MULTICAST_LIST) {
    return QueryMulticast(A, InformationBuffer, InformationBufferLength, BytesWritten, BytesNeeded);
  }
  if (IsStatisticOid(Oid)) {
    Value = A->ChipOps.QueryStatistic(A, 0, Oid);
  } else {
    switch (Oid) {
      case OID_GEN_SUPPORTED_LIST:
        Answer = SupportedList;
        AnswerLength = sizeof(SupportedList);
        break;
      case OID_GEN_HARDWARE_STATUS: Value = NdisHardwareStatusReady; break;
      case OID_GEN_MEDIA_SUPPORTED:
      case OID_GEN_MEDIA_IN_USE: Value = NdisMedium802_3; break;
      case OID_GEN_MAXIMUM_LOOKAHEAD:
      case OID_GEN_MAXIMUM_FRAME_SIZE: Value = 1500; break;
      case OID_GEN_LINK_SPEED: Value = LinkSpeedInHundredBits(A->ChipOps.QueryLinkSpeed(A, 0)); break;
      case OID_GEN_TRANSMIT_BUFFER_SPACE: Value = A->TxRingSize * TRX_MAX_FRAME; break;
      case OID_GEN_RECEIVE_BUFFER_SPACE: Value = A->RxRingSize * TRX_MAX_FRAME; break;
      case OID_GEN_TRANSMIT_BLOCK_SIZE:
      case OID_GEN_RECEIVE_BLOCK_SIZE:
      case OID_GEN_MAXIMUM_TOTAL_SIZE: Value = TRX_MAX_PACKET; break;
      case OID_GEN_VENDOR_ID:
        A->ChipOps.QueryStationAddress(A, 0, Address);
        NdisMoveMemory(&Value, Address, 3);  // the fourth byte stays 0
        break;
      case OID_GEN_VENDOR_DESCRIPTION:
        Answer = VendorDescription;
        AnswerLength = sizeof(VendorDescription);
        break;
      case OID_GEN_CURRENT_LOOKAHEAD: Value = A->CurrentLookahead; break;
      case OID_GEN_DRIVER_VERSION:
        Value = TRX_DRIVER_VERSION;
        AnswerLength = sizeof(USHORT);
        break;
      case OID_GEN_MAC_OPTIONS: {
        ULONG Speed = A->ChipOps.QueryLinkSpeed(A, 0);
        Value = TRX_MAC_OPTIONS;
        if (Speed == TRX_CONNECTION_10F || Speed == TRX_CONNECTION_100F) Value |= NDIS_MAC_OPTION_FULL_DUPLEX;
        break;
      }
      case OID_GEN_MEDIA_CONNECT_STATUS: {
        BOOLEAN Link = A->ChipOps.QueryLinkState(A, 0);
        if (Link != A->LinkUp) ReportLinkState(A, Link);
        Value = Link ? NdisMediaStateConnected : NdisMediaStateDisconnected;
        break;
      }
      case OID_GEN_MAXIMUM_SEND_PACKETS: Value = A->TxRingSize; break;
      case OID_GEN_VENDOR_DRIVER_VERSION: Value = TRX_VENDOR_DRIVER_VERSION; break;
      case OID_802_3_MAC_OPTIONS: Value = 0; break;
      case OID_802_3_PERMANENT_ADDRESS:
      case OID_802_3_CURRENT_ADDRESS:
        A->ChipOps.QueryStationAddress(A, 0, Address);
        Answer = Address;
        AnswerLength = 6;
        break;
      case OID_802_3_MAXIMUM_LIST_SIZE: Value = A->MaxMulticast; break;
      default:
        return NDIS_STATUS_INVALID_OID;
    }
  }
  if (AnswerLength > InformationBufferLength) {
    *BytesNeeded = AnswerLength;
    return NDIS_STATUS_INVALID_LENGTH;
  }
  NdisMoveMemory(InformationBuffer, (PVOID)Answer, AnswerLength);
  *BytesWritten = AnswerLength;
  return NDIS_STATUS_SUCCESS;
}

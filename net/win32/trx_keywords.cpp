// The adapter's registry keywords and the Options string.
#include "trx_keywords.h"
#include "trx_miniport.h"

#define KEYWORD(Name, Required, Field, Default, Min, Max) \
  {NDIS_STRING_CONST(Name), Name, Required, FIELD_OFFSET(ADAPTER_CONTEXT, Field), \
   sizeof(((PADAPTER_CONTEXT)0)->Field), Default, Min, Max}

const KEYWORD_ENTRY KeywordTable[] = {
  KEYWORD("BusNumber", FALSE, BusNumber, 0, 0, 15),
  KEYWORD("SlotNumber", FALSE, SlotNumber, 0, 0, 31),
  KEYWORD("ConnectionType", TRUE, ConnectionType, 0, 0, 4),
  KEYWORD("MapThreshold", FALSE, MapThreshold, 100, 1, 1538),
  KEYWORD("RxRingSize", FALSE, RxRingSize, 256, 1, 1024),
  KEYWORD("TxRingSize", FALSE, TxRingSize, 256, 1, 1024),
};
const ULONG KeywordCount = sizeof(KeywordTable) / sizeof(KeywordTable[0]);

// The smallest rings that work: the receive chain needs one chip-owned
// descriptor besides its sentinel, and a filter reload needs two transmit
// descriptors while one stays between head and tail.
#define TRX_MIN_RX_RING 2
#define TRX_MIN_TX_RING 3

static BOOLEAN StoreField(PADAPTER_CONTEXT A, const KEYWORD_ENTRY* Row, ULONG Value) {
  PUCHAR Field = (PUCHAR)A + Row->FieldOffset;
  switch (Row->FieldWidth) {
    case 1: *Field = (UCHAR)Value; return TRUE;
    case 2: *(PUSHORT)Field = (USHORT)Value; return TRUE;
    case 4: *(PULONG)Field = Value; return TRUE;
    default: return FALSE;
  }
}

NDIS_STATUS ReadKeywords(PADAPTER_CONTEXT A, NDIS_HANDLE ConfigurationHandle) {
  for (ULONG i = 0; i < KeywordCount; i++) {
    const KEYWORD_ENTRY* Row = &KeywordTable[i];
    NDIS_STATUS Status;
    PNDIS_CONFIGURATION_PARAMETER Parameter = NULL;
    NdisReadConfiguration(&Status, &Parameter, ConfigurationHandle, (PNDIS_STRING)&Row->Keyword,
                          NdisParameterInteger);
    ULONG Value = Row->Default;
    if (Status == NDIS_STATUS_SUCCESS) {
      ULONG Read = Parameter->ParameterData.IntegerData;
      if (Read >= Row->Minimum && Read <= Row->Maximum) Value = Read;
    } else if (Row->Required) {
      return NDIS_STATUS_FAILURE;
    }
    if (!StoreField(A, Row, Value)) return NDIS_STATUS_FAILURE;
  }
  if (A->RxRingSize < TRX_MIN_RX_RING) A->RxRingSize = TRX_MIN_RX_RING;
  if (A->TxRingSize < TRX_MIN_TX_RING) A->TxRingSize = TRX_MIN_TX_RING;
  return NDIS_STATUS_SUCCESS;
}

VOID ParseOptions(const NDIS_STRING* Text, ULONG Options[16]) {
  ULONG Used = 0;
  ULONG Number = 0;
  ULONG Length = Text->Length / sizeof(WCHAR);
  for (ULONG i = 0; i < Length; i++) {
    WCHAR C = Text->Buffer[i];
    if (C >= '0' && C <= '9') {
      Number = Number * 10 + (ULONG)(C - '0');
      continue;
    }
    if (Used < 16) Options[Used] = Number;
    Used++;
    Number = 0;
  }
  if (Used < 16) Options[Used] = Number;
}

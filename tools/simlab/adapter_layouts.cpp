// Offsets and sizes of the adapter context's value fields in the i686 kernel
// build (compiled for i686 only, read back into adapter_layouts.h).
#include <ndis.h>

#include "adapter_fields.h"
#include "layouts.h"
#include "trx_adapter.h"

extern "C" void AdapterLayouts(void) {
#define ADAPTER_FIELD(f) \
  FIELD(ADAPTER_CONTEXT, f, f); \
  LAYOUT(ADAPTER_CONTEXT_##f##_size, sizeof(((ADAPTER_CONTEXT*)0)->f));
  TRX_ADAPTER_VALUE_FIELDS(ADAPTER_FIELD)
#define ADAPTER_POINTER(f) FIELD(ADAPTER_CONTEXT, f, f);
  TRX_ADAPTER_RECORD_POINTERS(ADAPTER_POINTER)
#define RECORD_FIELD(type, f) \
  FIELD(type, f, f);          \
  LAYOUT(type##_##f##_size, sizeof(((type*)0)->f));
#define TX_FIELD(f) RECORD_FIELD(TX_RECORD, f)
#define RX_FIELD(f) RECORD_FIELD(RX_RECORD, f)
  TRX_TX_RECORD_VALUE_FIELDS(TX_FIELD)
  TRX_RX_RECORD_VALUE_FIELDS(RX_FIELD)
  SIZE(TX_RECORD);
  SIZE(RX_RECORD);
  FIELD(TX_RECORD, Next, Next);
  FIELD(TX_RECORD, Descriptor, Descriptor);
  FIELD(TX_RECORD, CopyVirtual, CopyVirtual);
  FIELD(RX_RECORD, Next, Next);
  FIELD(RX_RECORD, Descriptor, Descriptor);
}

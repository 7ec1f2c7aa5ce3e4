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
}

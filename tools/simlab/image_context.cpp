#include "image_context.h"

#include <cstring>

#include "adapter_fields.h"
#include "adapter_layouts.h"

namespace simlab {

bool ReadImageContext(const kimage::KernelImage& image, NDIS_HANDLE context, ADAPTER_CONTEXT* out) {
  std::memset(static_cast<void*>(out), 0, sizeof(*out));
  uint32_t base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(context));
  bool ok = base != 0;
#define READ_FIELD(f)                                                                             \
  static_assert(sizeof(out->f) == kimage::ddk::ADAPTER_CONTEXT_##f##_size, #f " differs in size"); \
  ok = ok && image.Read(base + kimage::ddk::ADAPTER_CONTEXT_##f, &out->f, sizeof(out->f));
  TRX_ADAPTER_VALUE_FIELDS(READ_FIELD)
  return ok;
}

}  // namespace simlab

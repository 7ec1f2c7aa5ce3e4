// The adapter context of a Trx4n5 kernel image, read out of emulated memory
// into the native record: its value fields (pointers stay null).
#pragma once

#include "kimage/kernel_image.h"
#include "trx_adapter.h"

namespace simlab {

// `context` is the MiniportAdapterContext the stand-in holds for the image.
bool ReadImageContext(const kimage::KernelImage& image, NDIS_HANDLE context, ADAPTER_CONTEXT* out);

}  // namespace simlab

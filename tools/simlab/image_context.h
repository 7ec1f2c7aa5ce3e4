// The adapter context of a Trx4n5 kernel image, read out of emulated memory
// into the native record: its value fields, and on request its transmit and
// receive records.
#pragma once

#include <vector>

#include "kimage/kernel_image.h"
#include "trx_adapter.h"

namespace simlab {

// Copies of an image's transmit and receive records. In them, and in the
// context they are read with, the pointers between records (Next, the heads
// and tails, the arrays) point into these copies, and Descriptor and
// CopyVirtual at the live bytes in emulated memory: a read shows what the chip
// or the driver has written since, a write reaches them. The copies are kept in place while the ring
// sizes stay, so a record taken from one reading is refreshed by the next.
// Every other pointer is null.
struct ImageRecords {
  std::vector<TX_RECORD> tx;
  std::vector<RX_RECORD> rx;
};

// `context` is the MiniportAdapterContext the stand-in holds for the image.
// Without `records` the pointer fields of `out` stay null.
bool ReadImageContext(const kimage::KernelImage& image, NDIS_HANDLE context, ADAPTER_CONTEXT* out,
                      ImageRecords* records = nullptr);

}  // namespace simlab

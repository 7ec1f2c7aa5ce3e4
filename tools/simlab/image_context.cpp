#include "image_context.h"

#include <cstring>

#include "adapter_fields.h"
#include "adapter_layouts.h"

namespace simlab {
namespace ddk = kimage::ddk;
namespace {

uint32_t Read32(const kimage::KernelImage& image, uint32_t address, bool* ok) {
  uint32_t v = 0;
  *ok = *ok && image.Read(address, &v, 4);
  return v;
}

// The copy of the record at emulated `address` in an array at `base` of
// `count` records of `size` bytes, or null.
template <typename Record>
Record* Translate(std::vector<Record>& copies, uint32_t base, uint32_t size, uint32_t address) {
  if (address < base || (address - base) % size != 0 || (address - base) / size >= copies.size()) return nullptr;
  return &copies[(address - base) / size];
}

// Where emulated `address` lives in host memory (the live bytes), or null.
template <typename Pointer>
Pointer Live(const kimage::KernelImage& image, uint32_t address) {
  return address == 0 ? nullptr : reinterpret_cast<Pointer>(image.cpu().Host(address));
}

// Fills `copies` from the array at `base` of records `size` bytes long:
// `read_values` copies one record's value fields, Next and Descriptor are
// translated here.
template <typename Record, typename ReadValues>
bool CopyRecords(const kimage::KernelImage& image, uint32_t base, uint32_t size, uint32_t next_at,
                 uint32_t descriptor_at, std::vector<Record>& copies, ReadValues read_values) {
  bool ok = true;
  for (size_t i = 0; i < copies.size() && ok; ++i) {
    Record& r = copies[i];
    std::memset(static_cast<void*>(&r), 0, sizeof r);
    uint32_t at = base + static_cast<uint32_t>(i) * size;
    ok = read_values(at, r);
    r.Next = Translate(copies, base, size, Read32(image, at + next_at, &ok));
    r.Descriptor = Live<PULONG>(image, Read32(image, at + descriptor_at, &ok));
  }
  return ok;
}

bool ReadRecords(const kimage::KernelImage& image, uint32_t context, ADAPTER_CONTEXT* out, ImageRecords* records) {
  bool ok = true;
  uint32_t tx_base = Read32(image, context + ddk::ADAPTER_CONTEXT_TxRecords, &ok);
  uint32_t rx_base = Read32(image, context + ddk::ADAPTER_CONTEXT_RxRecords, &ok);
  if (!ok) return false;
  records->tx.resize(tx_base == 0 ? 0 : out->TxCount);
  records->rx.resize(rx_base == 0 ? 0 : out->RxCount);

  ok = CopyRecords(image, tx_base, ddk::TX_RECORD_size, ddk::TX_RECORD_Next, ddk::TX_RECORD_Descriptor, records->tx,
                   [&](uint32_t at, TX_RECORD& r) {
                     bool good = true;
#define READ_TX(f)                                                                              \
  static_assert(sizeof(r.f) == ddk::TX_RECORD_##f##_size, "TX_RECORD." #f " differs in size"); \
  good = good && image.Read(at + ddk::TX_RECORD_##f, &r.f, sizeof(r.f));
                     TRX_TX_RECORD_VALUE_FIELDS(READ_TX)
                     r.CopyVirtual = Live<PUCHAR>(image, Read32(image, at + ddk::TX_RECORD_CopyVirtual, &good));
                     return good;
                   }) &&
       CopyRecords(image, rx_base, ddk::RX_RECORD_size, ddk::RX_RECORD_Next, ddk::RX_RECORD_Descriptor, records->rx,
                   [&](uint32_t at, RX_RECORD& r) {
                     bool good = true;
#define READ_RX(f)                                                                              \
  static_assert(sizeof(r.f) == ddk::RX_RECORD_##f##_size, "RX_RECORD." #f " differs in size"); \
  good = good && image.Read(at + ddk::RX_RECORD_##f, &r.f, sizeof(r.f));
                     TRX_RX_RECORD_VALUE_FIELDS(READ_RX)
                     return good;
                   });

  out->TxRecords = records->tx.empty() ? nullptr : records->tx.data();
  out->RxRecords = records->rx.empty() ? nullptr : records->rx.data();
  out->TxHead = Translate(records->tx, tx_base, ddk::TX_RECORD_size, Read32(image, context + ddk::ADAPTER_CONTEXT_TxHead, &ok));
  out->TxTail = Translate(records->tx, tx_base, ddk::TX_RECORD_size, Read32(image, context + ddk::ADAPTER_CONTEXT_TxTail, &ok));
  out->RxHead = Translate(records->rx, rx_base, ddk::RX_RECORD_size, Read32(image, context + ddk::ADAPTER_CONTEXT_RxHead, &ok));
  out->RxTail = Translate(records->rx, rx_base, ddk::RX_RECORD_size, Read32(image, context + ddk::ADAPTER_CONTEXT_RxTail, &ok));
  return ok;
}

}  // namespace

bool ReadImageContext(const kimage::KernelImage& image, NDIS_HANDLE context, ADAPTER_CONTEXT* out,
                      ImageRecords* records) {
  std::memset(static_cast<void*>(out), 0, sizeof(*out));
  uint32_t base = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(context));
  bool ok = base != 0;
#define READ_FIELD(f)                                                                             \
  static_assert(sizeof(out->f) == ddk::ADAPTER_CONTEXT_##f##_size, #f " differs in size"); \
  ok = ok && image.Read(base + ddk::ADAPTER_CONTEXT_##f, &out->f, sizeof(out->f));
  TRX_ADAPTER_VALUE_FIELDS(READ_FIELD)
  if (ok && records != nullptr) ok = ReadRecords(image, base, out, records);
  return ok;
}

}  // namespace simlab

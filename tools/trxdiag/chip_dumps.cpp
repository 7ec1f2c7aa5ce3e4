#include "chip_dumps.h"

#include "chip_view.h"

void WriteCsrDump(JsonWriter& json, simlab::Port& port) {
  json.BeginArray("csr");
  for (uint32_t n = 0; n < 16; ++n) json.Hex(nullptr, simlab::ReadCsr(port, 8 * n));
  json.EndArray();
}

namespace {

const char* ModeName(sim::ReceiveFilter::Mode mode) {
  switch (mode) {
    case sim::ReceiveFilter::kPerfect: return "perfect";
    case sim::ReceiveFilter::kHash: return "hash";
    case sim::ReceiveFilter::kHashOnly: return "hash-only";
    case sim::ReceiveFilter::kInverse: return "inverse";
  }
  return "?";
}

}  // namespace

void WriteFilterDump(JsonWriter& json, const sim::ReceiveFilter& filter) {
  json.BeginObject("filter");
  json.Bool("programmed", filter.programmed);
  if (filter.programmed) {
    json.String("mode", ModeName(filter.mode));
    json.BeginArray("addresses");
    for (const auto& address : filter.perfect) json.String(nullptr, simlab::FormatMac(address.data()));
    json.EndArray();
    if (filter.mode == sim::ReceiveFilter::kHash || filter.mode == sim::ReceiveFilter::kHashOnly) {
      json.BeginArray("hash_indices");
      for (uint32_t index = 0; index < 512; ++index)
        if ((filter.hash[index / 16] >> (index % 16)) & 1) json.Number(nullptr, index);
      json.EndArray();
    }
  }
  json.EndObject();
}

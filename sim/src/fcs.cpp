#include "crc32.h"
#include "sim/wire.h"

namespace sim {
namespace detail {
namespace {

// Slicing-by-8 tables, built at compile time: the board checks the FCS of
// every received frame and appends one to every sent frame.
struct CrcTables {
  uint32_t t[8][256];
};

constexpr CrcTables MakeTables() {
  CrcTables tables{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
    tables.t[0][i] = c;
  }
  for (uint32_t i = 0; i < 256; ++i)
    for (int s = 1; s < 8; ++s) tables.t[s][i] = (tables.t[s - 1][i] >> 8) ^ tables.t[0][tables.t[s - 1][i] & 0xff];
  return tables;
}

constexpr CrcTables kTables = MakeTables();

inline uint32_t Load32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

}  // namespace

uint32_t Crc32Update(uint32_t reg, const uint8_t* data, uint32_t length) {
  const auto& t = kTables.t;
  while (length >= 8) {
    uint32_t lo = reg ^ Load32(data);
    uint32_t hi = Load32(data + 4);
    reg = t[7][lo & 0xff] ^ t[6][(lo >> 8) & 0xff] ^ t[5][(lo >> 16) & 0xff] ^ t[4][lo >> 24] ^
          t[3][hi & 0xff] ^ t[2][(hi >> 8) & 0xff] ^ t[1][(hi >> 16) & 0xff] ^ t[0][hi >> 24];
    data += 8;
    length -= 8;
  }
  while (length--) reg = (reg >> 8) ^ t[0][(reg ^ *data++) & 0xff];
  return reg;
}

}  // namespace detail

uint32_t EthernetFcs(const uint8_t* data, uint32_t length) {
  return ~detail::Crc32Update(0xffffffffu, data, length);
}

}  // namespace sim

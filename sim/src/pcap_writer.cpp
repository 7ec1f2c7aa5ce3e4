#include "pcap_writer.h"

namespace sim::detail {
namespace {

constexpr uint32_t kMagic = 0xa1b2c3d4;  // microsecond timestamps
constexpr uint32_t kSnapLength = 65535;
constexpr uint32_t kLinkTypeEthernet = 1;

// Written little-endian whatever the host; readers learn the order from the magic.
void Put32(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

}  // namespace

bool WritePcapHeader(std::FILE* file) {
  uint8_t h[24] = {};
  Put32(h, kMagic);
  h[4] = 2;  // version 2.4
  h[6] = 4;
  Put32(h + 16, kSnapLength);
  Put32(h + 20, kLinkTypeEthernet);
  return std::fwrite(h, sizeof h, 1, file) == 1;
}

void WritePcapRecord(std::FILE* file, Nanoseconds at, const uint8_t* data, uint32_t length) {
  uint32_t kept = length < kSnapLength ? length : kSnapLength;
  uint8_t h[16];
  Put32(h, uint32_t(at / kSecond));
  Put32(h + 4, uint32_t((at % kSecond) / kMicrosecond));
  Put32(h + 8, kept);
  Put32(h + 12, length);
  std::fwrite(h, sizeof h, 1, file);
  std::fwrite(data, 1, kept, file);
}

}  // namespace sim::detail

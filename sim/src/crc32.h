// The CRC-32 shared by the frame check sequence and the multicast hash.
#pragma once

#include <cstdint>

namespace sim::detail {

// Reflected CRC-32 (polynomial 0xEDB88320), bytes least significant bit
// first, no inversion on the way in or out: callers choose the preset.
uint32_t Crc32Update(uint32_t reg, const uint8_t* data, uint32_t length);

// Bit of the 512-bit hash table that a destination address selects: the low
// nine bits of the register after the six address bytes, preset all ones.
inline uint32_t HashIndex(const uint8_t* address) { return Crc32Update(0xffffffffu, address, 6) & 0x1ff; }

}  // namespace sim::detail

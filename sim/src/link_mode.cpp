// Line rates and the abilities of the four link modes.
#include "sim/wire.h"

namespace sim {

uint64_t BitsPerSecond(LinkMode mode) {
  switch (mode) {
    case LinkMode::k10Half:
    case LinkMode::k10Full:
      return 10'000'000;
    case LinkMode::k100Half:
    case LinkMode::k100Full:
      return 100'000'000;
    case LinkMode::kNone:
      break;
  }
  return 0;
}

Abilities AbilityOf(LinkMode mode) {
  switch (mode) {
    case LinkMode::k10Half: return 0x20;
    case LinkMode::k10Full: return 0x40;
    case LinkMode::k100Half: return 0x80;
    case LinkMode::k100Full: return 0x100;
    case LinkMode::kNone: break;
  }
  return 0;
}

LinkMode BestMode(Abilities abilities) {
  if (abilities & 0x100) return LinkMode::k100Full;
  if (abilities & 0x80) return LinkMode::k100Half;
  if (abilities & 0x40) return LinkMode::k10Full;
  if (abilities & 0x20) return LinkMode::k10Half;
  return LinkMode::kNone;
}

Nanoseconds WireTime(uint32_t length, LinkMode mode) {
  uint64_t bps = BitsPerSecond(mode);
  if (bps == 0) return 0;
  uint64_t bits = (uint64_t(length) + 8 + 12) * 8;
  return bits * 1'000'000'000ull / bps;
}

}  // namespace sim

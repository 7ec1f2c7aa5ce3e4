#include "sim/board.h"

namespace sim {

std::array<uint16_t, 64> BoardConfig::DefaultEeprom() {
  static const uint8_t kStation[6] = {0x00, 0x12, 0x34, 0x56, 0x78, 0x9a};
  return EepromWithAddress(kStation);
}

std::array<uint16_t, 64> BoardConfig::EepromWithAddress(const uint8_t mac[6]) {
  std::array<uint16_t, 64> words;
  words.fill(0xffff);  // erased cells
  for (int i = 0; i < 3; ++i) words[0x2a + i] = uint16_t(mac[2 * i] << 8 | mac[2 * i + 1]);
  return words;
}

}  // namespace sim

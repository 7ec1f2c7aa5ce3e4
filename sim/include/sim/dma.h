// What a bus-mastering device sees of host memory.
#pragma once

#include <cstdint>

namespace sim {

class DmaSpace {
 public:
  virtual ~DmaSpace() = default;
  // Copy between the device and host memory at a 32-bit bus address. A range
  // that is not entirely reachable returns false and copies nothing (the
  // device sees a master abort).
  virtual bool DmaRead(uint32_t bus_address, void* dst, uint32_t length) = 0;
  virtual bool DmaWrite(uint32_t bus_address, const void* src, uint32_t length) = 0;
};

}  // namespace sim

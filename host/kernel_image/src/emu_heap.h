// Memory the bridge hands to the image for records it makes (miniport
// blocks, packets, MDLs, configuration parameters, scratch for outputs):
// first fit over one host block mapped into the emulator.
#pragma once

#include <cstdint>
#include <map>
#include <unordered_map>

namespace kimage {

class EmuHeap {
 public:
  EmuHeap(uint32_t base, uint32_t size);
  // Zeroed memory of `length` bytes (16-byte aligned), or 0 when full.
  uint32_t Allocate(uint32_t length);
  void Free(uint32_t address);

  uint8_t* host() const { return host_; }
  ~EmuHeap();

 private:
  uint32_t base_, size_;
  uint8_t* host_;
  std::map<uint32_t, uint32_t> free_;             // address -> length
  std::unordered_map<uint32_t, uint32_t> used_;   // address -> length
};

}  // namespace kimage

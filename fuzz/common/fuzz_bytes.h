// The fuzzer's input read front to back; past its end every read gives 0,
// so a short input is a valid one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace trx_fuzz {

class FuzzBytes {
 public:
  FuzzBytes(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}

  bool empty() const { return at_ >= size_; }
  uint8_t Peek() const { return empty() ? 0 : data_[at_]; }
  uint8_t Byte() { return empty() ? 0 : data_[at_++]; }
  uint16_t Word() { return static_cast<uint16_t>(Byte() | Byte() << 8); }
  uint32_t Dword() { return Word() | static_cast<uint32_t>(Word()) << 16; }
  std::vector<uint8_t> Take(std::size_t count) {
    std::vector<uint8_t> out;
    while (out.size() < count && !empty()) out.push_back(Byte());
    return out;
  }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t at_ = 0;
};

}  // namespace trx_fuzz

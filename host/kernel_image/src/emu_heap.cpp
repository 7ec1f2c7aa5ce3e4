#include "emu_heap.h"

#include <sys/mman.h>

#include <cstring>
#include <new>

namespace kimage {

EmuHeap::EmuHeap(uint32_t base, uint32_t size) : base_(base), size_(size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (p == MAP_FAILED) throw std::bad_alloc();
  host_ = static_cast<uint8_t*>(p);
  free_[base] = size;
}

EmuHeap::~EmuHeap() { munmap(host_, size_); }

uint32_t EmuHeap::Allocate(uint32_t length) {
  length = (length + 15) & ~15u;
  if (length == 0) length = 16;
  for (auto it = free_.begin(); it != free_.end(); ++it) {
    if (it->second < length) continue;
    uint32_t address = it->first, left = it->second - length;
    free_.erase(it);
    if (left != 0) free_[address + length] = left;
    used_[address] = length;
    std::memset(host_ + (address - base_), 0, length);
    return address;
  }
  return 0;
}

void EmuHeap::Free(uint32_t address) {
  auto u = used_.find(address);
  if (u == used_.end()) return;
  uint32_t length = u->second;
  used_.erase(u);
  auto next = free_.lower_bound(address);
  if (next != free_.end() && address + length == next->first) {
    length += next->second;
    next = free_.erase(next);
  }
  if (next != free_.begin()) {
    auto prev = std::prev(next);
    if (prev->first + prev->second == address) {
      prev->second += length;
      return;
    }
  }
  free_[address] = length;
}

}  // namespace kimage

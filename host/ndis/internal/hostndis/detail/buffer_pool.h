// A pool of NDIS buffer descriptors (MDLs). Each descriptor carries, after
// the MDL the driver sees, what the stand-in keeps about it: the length of
// memory it was made over and the map register that maps it, if any.
#pragma once

#include <cstdint>
#include <vector>

#include <ndis.h>

namespace hostndis::detail {

class Miniport;

struct BufferSlot {
  MDL mdl;                   // first: a PNDIS_BUFFER is the slot's address
  uint32_t capacity = 0;     // length the buffer was allocated with
  int32_t mapped_register = -1;
  bool in_use = false;
};

class BufferPool {
 public:
  BufferPool(uint32_t count, Miniport* owner);
  BufferPool(const BufferPool&) = delete;
  BufferPool& operator=(const BufferPool&) = delete;

  // A descriptor over [virt, virt+length), or null when the pool is empty.
  PNDIS_BUFFER Allocate(void* virt, uint32_t length);
  void Free(BufferSlot* slot);
  void Release();

  BufferSlot* SlotOf(const void* buffer) {
    uintptr_t offset = reinterpret_cast<uintptr_t>(buffer) - reinterpret_cast<uintptr_t>(slots_.data());
    if (slots_.empty() || offset >= slots_.size() * sizeof(BufferSlot) || offset % sizeof(BufferSlot) != 0)
      return nullptr;
    return &slots_[offset / sizeof(BufferSlot)];
  }

  NDIS_HANDLE handle() { return this; }
  Miniport* owner() const { return owner_; }
  bool alive() const { return alive_; }
  uint32_t outstanding() const { return outstanding_; }

 private:
  std::vector<BufferSlot> slots_;
  std::vector<uint32_t> free_;
  Miniport* owner_;
  uint32_t outstanding_ = 0;
  bool alive_ = true;
};

}  // namespace hostndis::detail

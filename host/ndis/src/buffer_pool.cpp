#include "hostndis/detail/buffer_pool.h"

namespace hostndis::detail {

BufferPool::BufferPool(uint32_t count, Miniport* owner) : slots_(count), owner_(owner) {
  free_.reserve(count);
  for (uint32_t i = count; i > 0; --i) free_.push_back(i - 1);
}

PNDIS_BUFFER BufferPool::Allocate(void* virt, uint32_t length) {
  if (!alive_ || free_.empty()) return nullptr;
  BufferSlot& slot = slots_[free_.back()];
  free_.pop_back();
  ++outstanding_;
  slot.capacity = length;
  slot.mapped_register = -1;
  slot.in_use = true;
  MDL& mdl = slot.mdl;
  mdl.Next = nullptr;
  mdl.Size = sizeof(MDL);
  mdl.MdlFlags = MDL_SOURCE_IS_NONPAGED_POOL;
  mdl.Process = nullptr;
  mdl.MappedSystemVa = virt;
  mdl.StartVa = PAGE_ALIGN(virt);
  mdl.ByteOffset = BYTE_OFFSET(virt);
  mdl.ByteCount = length;
  return &mdl;
}

void BufferPool::Free(BufferSlot* slot) {
  if (slot == nullptr || !slot->in_use) return;
  slot->in_use = false;
  slot->mapped_register = -1;
  free_.push_back(static_cast<uint32_t>(slot - slots_.data()));
  --outstanding_;
}

void BufferPool::Release() {
  alive_ = false;
  free_.clear();
  outstanding_ = 0;
  for (BufferSlot& s : slots_) s.in_use = false;
}

}  // namespace hostndis::detail

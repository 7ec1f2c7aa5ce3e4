#include "location_index.h"
#include "model/adapters.h"
#include "model/model_alloc.h"

namespace {
uint32_t Mix(uint32_t h)
{
  h ^= h >> 16;
  h *= 0x85EBCA6Bu;
  h ^= h >> 13;
  h *= 0xC2B2AE35u;
  h ^= h >> 16;
  return h;
}
}  // namespace

std::size_t LocationIndex::Home(int32_t bus, int32_t slot, int32_t function) const
{
  uint32_t h = Mix(static_cast<uint32_t>(bus) * 0x9E3779B1u ^ Mix(static_cast<uint32_t>(slot)) ^
                   static_cast<uint32_t>(function) * 0x27D4EB2Fu);
  return h & (capacity_ - 1);
}

Adapter* LocationIndex::Find(int32_t bus, int32_t slot, int32_t function) const
{
  if (capacity_ == 0) return nullptr;
  for (std::size_t i = Home(bus, slot, function);; i = (i + 1) & (capacity_ - 1)) {
    Adapter* adapter = slots_[i];
    if (!adapter) return nullptr;
    if (adapter->BusNumber == bus && adapter->SlotNumber == slot && adapter->FunctionNumber == function)
      return adapter;
  }
}

bool LocationIndex::Reserve_One()
{
  // At most half full, so that probes stay short and always end.
  if ((count_ + 1) * 2 <= capacity_) return true;
  std::size_t capacity = capacity_ ? capacity_ * 2 : 64;
  Adapter** slots = static_cast<Adapter**>(Model_Alloc(capacity * sizeof(Adapter*)));
  if (!slots) return false;
  for (std::size_t i = 0; i < capacity; ++i) slots[i] = nullptr;
  Adapter** old = slots_;
  std::size_t oldCapacity = capacity_;
  slots_ = slots;
  capacity_ = capacity;
  count_ = 0;
  for (std::size_t i = 0; i < oldCapacity; ++i)
    if (old[i]) Insert(old[i]);
  Model_Free(old);
  return true;
}

void LocationIndex::Insert(Adapter* adapter)
{
  std::size_t i = Home(adapter->BusNumber, adapter->SlotNumber, adapter->FunctionNumber);
  while (slots_[i]) i = (i + 1) & (capacity_ - 1);
  slots_[i] = adapter;
  ++count_;
}

void LocationIndex::Clear()
{
  Model_Free(slots_);
  slots_ = nullptr;
  capacity_ = count_ = 0;
}

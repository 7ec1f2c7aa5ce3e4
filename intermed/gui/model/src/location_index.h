#pragma once
// Internal: finds an adapter by (BusNumber, SlotNumber, FunctionNumber)
// without walking the adapter list, so that reading a long text list stays
// linear. Holds only adapters of the list; the location fields of an adapter
// never change after Add_Adapter created it.
#include <cstddef>
#include <cstdint>

struct Adapter;

class LocationIndex {
public:
  Adapter* Find(int32_t bus, int32_t slot, int32_t function) const;
  // Makes room for one more adapter; false when out of memory.
  bool Reserve_One();
  // After Reserve_One, cannot fail.
  void Insert(Adapter* adapter);
  void Clear();

private:
  std::size_t Home(int32_t bus, int32_t slot, int32_t function) const;

  Adapter** slots_ = nullptr;
  std::size_t capacity_ = 0;   // a power of two, or 0
  std::size_t count_ = 0;
};

#pragma once
// Internal: the one place where the process-wide model is stored.
#include <cstdint>
#include <new>
#include "model/adapters.h"
#include "model/links.h"
#include "model/model_alloc.h"
#include "location_index.h"

struct ModelLists {
  Adapter* firstAdapter = nullptr;
  Adapter* lastAdapter = nullptr;
  int adapterCount = 0;
  LocationIndex adapterLocations;
  int32_t highestAdapterId = 0;   // highest id handed out since the list was last emptied
  Link* firstLink = nullptr;
  Link* lastLink = nullptr;
  int linkCount = 0;
  int32_t highestLinkId = 0;   // highest LinkID in the list, or handed out since
};

ModelLists& Model_Lists();

// A zero-initialised record from Model_Alloc, or null.
template <typename Record>
Record* Alloc_Record()
{
  void* block = Model_Alloc(sizeof(Record));
  return block ? new (block) Record() : nullptr;
}

// The id for a new record: one above the highest held or handed out. Once
// that is the top of the 32-bit range (a stored id may be), the lowest id no
// record holds instead, so that a record stored behind it still loads: one of
// 1 to count + 1 is always free. 0 when out of memory.
template <typename Record>
int32_t Next_Record_Id(const Record* first, int count, int64_t highest, int32_t Record::*id)
{
  if (highest < INT32_MAX) return static_cast<int32_t>(highest + 1);
  bool* held = static_cast<bool*>(Model_Alloc(static_cast<std::size_t>(count) + 2));
  if (!held) return 0;
  for (int i = 0; i < count + 2; ++i) held[i] = false;
  for (const Record* record = first; record; record = record->next)
    if (record->*id > 0 && record->*id <= count + 1) held[record->*id] = true;
  int32_t free = 1;
  while (held[free]) ++free;
  Model_Free(held);
  return free;
}

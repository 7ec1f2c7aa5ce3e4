#pragma once
// Internal: the one place where the process-wide model is stored.
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

#include "model/model_alloc.h"
#include <cstdlib>

namespace {
int allocationsBeforeFailure = -1;   // negative: never fail

bool Allocation_Refused()
{
  if (allocationsBeforeFailure < 0) return false;
  if (allocationsBeforeFailure == 0) return true;
  --allocationsBeforeFailure;
  return false;
}
}  // namespace

void* Model_Alloc(std::size_t size)
{
  return Allocation_Refused() ? nullptr : std::malloc(size);
}

void* Model_Realloc(void* block, std::size_t size)
{
  return Allocation_Refused() ? nullptr : std::realloc(block, size);
}

void Model_Free(void* block) { std::free(block); }

void Fail_Allocation_After(int count) { allocationsBeforeFailure = count; }

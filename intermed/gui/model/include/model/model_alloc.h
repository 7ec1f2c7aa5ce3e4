#pragma once
#include <cstddef>

// Every record and text of the model, and every text handed to a caller,
// comes from here: the C heap, so a caller releases returned texts with free().
void* Model_Alloc(std::size_t size);
void* Model_Realloc(void* block, std::size_t size);
void Model_Free(void* block);

// Out-of-memory testing: after `count` more successful allocations every
// further one fails, until this is called with a negative count.
void Fail_Allocation_After(int count);

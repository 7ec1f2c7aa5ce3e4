// The list boxes that mirror the adapter list: entry i is the i-th adapter
// (in adapter-list order) whose link_id is the list's link id.
#pragma once

#include <windows.h>

#include <cstdint>

enum FillMode {
  FILL_APPEND = 0,   // append the matching adapters
  FILL_EMPTY = 1,    // only empty the list
  FILL_REFILL = 2,   // empty it, then append
};

void FillAdapterList(HWND dialog, int list, int32_t linkId, int mode);

// A multiple-selection list box hands out at most this many positions.
constexpr int MAX_SELECTED_ENTRIES = 64;

// The selected positions, ascending: their number, or -1 when the list
// reports an error.
int ReadListSelection(HWND dialog, int list, int positions[MAX_SELECTED_ENTRIES]);

// Deletes the entries at these ascending positions, the last one first, so
// that the lower positions stay valid.
void DeleteListEntries(HWND dialog, int list, const int* positions, int count);

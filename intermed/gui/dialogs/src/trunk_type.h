// The three trunk type buttons of the main trunk dialog.
#pragma once

#include <windows.h>

#include <cstdint>

enum TrunkTypeCode : int32_t {
  TRUNK_TYPE_UNSET = 0,
  TRUNK_TYPE_FAILOVER = 1,
  TRUNK_TYPE_SYMMETRIC = 2,
  TRUNK_TYPE_ASYMMETRIC = 3,
};

// Checks exactly the button of `type` (0 shows as symmetric); any other
// code is reported and changes nothing.
void ShowTrunkType(HWND dialog, int32_t type);

// The type of the checked button, 0 when none is checked.
int32_t ReadTrunkType(HWND dialog);

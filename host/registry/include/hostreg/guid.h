// GUIDs and their registry text form, for native builds (ole32 on Windows).
#pragma once

#include "hostreg/registry.h"

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
using REFGUID = const GUID&;
using OLECHAR = WCHAR;
using LPOLESTR = OLECHAR*;

// Writes "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case) and its
// terminator; returns the units written (39), or 0 when `capacity` is too small.
int StringFromGUID2(REFGUID guid, LPOLESTR text, int capacity);

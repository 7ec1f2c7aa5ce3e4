#include <cstdio>

#include "hostreg/guid.h"

int StringFromGUID2(REFGUID guid, LPOLESTR text, int capacity)
{
  constexpr int kUnits = 39;  // 38 characters and the terminator
  if (!text || capacity < kUnits) return 0;
  char ascii[kUnits + 1];
  std::snprintf(ascii, sizeof ascii, "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                static_cast<unsigned>(guid.Data1), guid.Data2, guid.Data3, guid.Data4[0], guid.Data4[1],
                guid.Data4[2], guid.Data4[3], guid.Data4[4], guid.Data4[5], guid.Data4[6], guid.Data4[7]);
  for (int i = 0; i < kUnits; ++i) text[i] = static_cast<OLECHAR>(ascii[i]);
  return kUnits;
}

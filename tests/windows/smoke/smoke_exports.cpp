#include "smoke_exports.h"

#include <cstdlib>
#include <cstring>

extern "C" BOOLEAN WINAPI doSmokeProbe(int count, const char* const* args, char** result) {
  if (!result) return FALSE;
  *result = nullptr;
  if (count != 1 || !args || !args[0]) return FALSE;
  static const char kPrefix[] = "probe:";
  size_t length = strlen(args[0]);
  auto* text = static_cast<char*>(malloc(sizeof kPrefix + length));
  if (!text) return FALSE;
  memcpy(text, kPrefix, sizeof kPrefix - 1);
  memcpy(text + sizeof kPrefix - 1, args[0], length + 1);
  *result = text;
  return TRUE;
}

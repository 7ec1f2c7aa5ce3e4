#include "key_paths.h"

#include <cstdarg>
#include <cstdio>

namespace {

const char SERVICE_PATH[] = "System\\CurrentControlSet\\Services\\TmrxLink";

// Key names are ASCII: one unit per byte.
KeyPath Format_Path(const char* format, ...)
{
  char ascii[sizeof(KeyPath::text) / sizeof(WCHAR)];
  va_list arguments;
  va_start(arguments, format);
  std::vsnprintf(ascii, sizeof ascii, format, arguments);
  va_end(arguments);
  KeyPath path;
  std::size_t i = 0;
  do {
    path.text[i] = static_cast<WCHAR>(static_cast<unsigned char>(ascii[i]));
  } while (ascii[i++] != '\0');
  return path;
}

}  // namespace

KeyPath Service_Key_Path() { return Format_Path("%s", SERVICE_PATH); }
KeyPath Parameters_Key_Path() { return Format_Path("%s\\Parameters", SERVICE_PATH); }
KeyPath Trunk_Key_Path(int trunk) { return Format_Path("%s\\Trunk%d", SERVICE_PATH, trunk); }
KeyPath Rule_Key_Path(int trunk, int rule) { return Format_Path("%s\\Trunk%d\\Priority%d", SERVICE_PATH, trunk, rule); }
KeyPath Adapter_Key_Path(int adapter) { return Format_Path("%s\\Adapter%d", SERVICE_PATH, adapter); }

KeyPath Adapter_Param_Subkey(const GUID& adapterGuid)
{
  KeyPath path;
  const WCHAR prefix[] = REG_TEXT("Adapters\\");
  constexpr int prefixLength = sizeof prefix / sizeof prefix[0] - 1;
  for (int i = 0; i < prefixLength; ++i) path.text[i] = prefix[i];
  const int capacity = static_cast<int>(sizeof path.text / sizeof path.text[0]) - prefixLength;
  if (StringFromGUID2(adapterGuid, path.text + prefixLength, capacity) == 0) path.text[prefixLength] = 0;
  return path;
}

#include "registry_values.h"

#include <cstring>

#include "model/model_alloc.h"
#include "model/text_field.h"
#include "model/wide_text.h"

static_assert(sizeof(WCHAR) == sizeof(WideChar), "registry and model texts share their 16-bit units");

LONG Create_Key(const KeyPath& path, HKEY* key)
{
  *key = nullptr;
  DWORD disposition = 0;
  return RegCreateKeyExW(HKEY_LOCAL_MACHINE, path.text, 0, nullptr, REG_OPTION_NON_VOLATILE, CONFIGURATION_ACCESS,
                         nullptr, key, &disposition);
}

LONG Open_Key(const KeyPath& path, HKEY* key)
{
  *key = nullptr;
  return RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.text, 0, CONFIGURATION_ACCESS, key);
}

LONG Write_Number(HKEY key, LPCWSTR name, uint32_t value)
{
  const BYTE data[4] = {static_cast<BYTE>(value), static_cast<BYTE>(value >> 8), static_cast<BYTE>(value >> 16),
                        static_cast<BYTE>(value >> 24)};
  return RegSetValueExW(key, name, 0, REG_DWORD, data, sizeof data);
}

LONG Write_Fixed_Text(HKEY key, LPCWSTR name, const char* field, std::size_t fieldSize, DWORD dataLength)
{
  if (dataLength > TEXT_DATA_LENGTH) dataLength = TEXT_DATA_LENGTH;
  // At most as many characters as the value has room for before its terminator.
  char text[TEXT_DATA_LENGTH / sizeof(WCHAR)];
  const std::size_t room = dataLength / sizeof(WCHAR);
  Copy_Text_Field(text, fieldSize + 1 < room ? fieldSize + 1 : room, field);
  WideChar* wide = WidenText(text);
  if (!wide) return ERROR_NOT_ENOUGH_MEMORY;
  WCHAR units[TEXT_DATA_LENGTH / sizeof(WCHAR)] = {};
  for (std::size_t i = 0; wide[i] != 0; ++i) units[i] = static_cast<WCHAR>(wide[i]);
  Model_Free(wide);
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(units), dataLength);
}

LONG Write_Unterminated_Text(HKEY key, LPCWSTR name, const WCHAR* text)
{
  DWORD length = 0;
  while (text[length] != 0) ++length;
  return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), length * sizeof(WCHAR));
}

LONG Write_Binary(HKEY key, LPCWSTR name, const void* data, DWORD size)
{
  return RegSetValueExW(key, name, 0, REG_BINARY, static_cast<const BYTE*>(data), size);
}

bool Read_Number(HKEY key, LPCWSTR name, uint32_t* value)
{
  BYTE data[4] = {};
  DWORD size = sizeof data;
  if (RegQueryValueExW(key, name, nullptr, nullptr, data, &size) != ERROR_SUCCESS) return false;
  *value = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
           static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  return true;
}

bool Read_Flag(HKEY key, LPCWSTR name, uint8_t* flag)
{
  uint32_t number = 0;
  if (!Read_Number(key, name, &number)) return false;
  *flag = number != 0 ? 1 : 0;
  return true;
}

TextRead Read_Text(HKEY key, LPCWSTR name, DWORD bufferSize, char** text)
{
  // One unit more than the buffer, always zero: a value without terminator
  // still ends.
  WideChar units[TEXT_DATA_LENGTH / sizeof(WideChar) + 1] = {};
  if (bufferSize > TEXT_DATA_LENGTH) bufferSize = TEXT_DATA_LENGTH;
  DWORD size = bufferSize;
  if (RegQueryValueExW(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(units), &size) != ERROR_SUCCESS)
    return TextRead::Absent;
  *text = NarrowText(units);
  return *text ? TextRead::Read : TextRead::OutOfMemory;
}

bool Read_Binary(HKEY key, LPCWSTR name, void* data, DWORD size)
{
  DWORD stored = size;
  if (RegQueryValueExW(key, name, nullptr, nullptr, static_cast<BYTE*>(data), &stored) != ERROR_SUCCESS) return false;
  return stored == size;
}

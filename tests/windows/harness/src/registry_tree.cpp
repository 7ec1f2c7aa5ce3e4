#include "wintest/registry_tree.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace wintest {
namespace {

std::string Escaped(const wchar_t* units, size_t count)
{
  std::string text;
  for (size_t i = 0; i < count; ++i) {
    const unsigned unit = static_cast<unsigned short>(units[i]);
    if (unit == '\\' || unit == '"') {
      text += '\\';
      text += static_cast<char>(unit);
    } else if (unit >= 0x20 && unit < 0x7F) {
      text += static_cast<char>(unit);
    } else {
      char escape[8];
      snprintf(escape, sizeof escape, "\\u%04x", unit);
      text += escape;
    }
  }
  return text;
}

const char* Type_Name(DWORD type)
{
  switch (type) {
    case REG_SZ: return "REG_SZ";
    case REG_EXPAND_SZ: return "REG_EXPAND_SZ";
    case REG_MULTI_SZ: return "REG_MULTI_SZ";
    case REG_BINARY: return "REG_BINARY";
    case REG_DWORD: return "REG_DWORD";
    case REG_QWORD: return "REG_QWORD";
    case REG_NONE: return "REG_NONE";
    default: return "REG_?";
  }
}

std::string Value_Line(const std::wstring& name, DWORD type, const std::vector<BYTE>& data)
{
  std::string line = "\"" + Escaped(name.data(), name.size()) + "\" " + Type_Name(type);
  const bool text = type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
  if (!text) line += " " + std::to_string(data.size());
  if (text) {
    std::vector<wchar_t> units(data.size() / 2);
    std::copy(data.begin(), data.begin() + units.size() * 2, reinterpret_cast<BYTE*>(units.data()));
    line += " \"" + Escaped(units.data(), units.size()) + "\"";
  }
  for (size_t i = text ? data.size() / 2 * 2 : 0; i < data.size(); ++i) {
    char hex[4];
    snprintf(hex, sizeof hex, " %02x", data[i]);
    line += hex;
  }
  return line + "\n";
}

// The names of KEY's values (or of its subkeys), in name order.
std::vector<std::wstring> Sorted_Names(HKEY key, bool subkeys)
{
  std::vector<std::wstring> names;
  WCHAR name[16384];
  for (DWORD i = 0;; ++i) {
    DWORD length = 16384;
    const LONG status = subkeys ? RegEnumKeyExW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr)
                                : RegEnumValueW(key, i, name, &length, nullptr, nullptr, nullptr, nullptr);
    if (status != ERROR_SUCCESS) break;
    names.emplace_back(name, length);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void Append_Key(HKEY key, const std::wstring& relative, std::string& text)
{
  text += "[" + Escaped(relative.data(), relative.size()) + "]\n";
  for (const std::wstring& value : Sorted_Names(key, false)) {
    DWORD type = 0;
    DWORD size = 0;
    RegQueryValueExW(key, value.c_str(), nullptr, &type, nullptr, &size);
    std::vector<BYTE> data(size);
    RegQueryValueExW(key, value.c_str(), nullptr, &type, data.data(), &size);
    data.resize(size);
    text += Value_Line(value, type, data);
  }
  for (const std::wstring& subkey : Sorted_Names(key, true)) {
    HKEY child = nullptr;
    if (RegOpenKeyExW(key, subkey.c_str(), 0, KEY_READ, &child) != ERROR_SUCCESS) continue;
    Append_Key(child, relative.empty() ? subkey : relative + L"\\" + subkey, text);
    RegCloseKey(child);
  }
}

}  // namespace

std::string RegistryText(const std::wstring& units) { return Escaped(units.data(), units.size()); }

std::string RegistryTreeText(HKEY root, const std::wstring& path)
{
  std::string text;
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return text;
  Append_Key(key, L"", text);
  RegCloseKey(key);
  return text;
}

}  // namespace wintest

// A registry tree as text, to compare what two builds stored.
#pragma once

#include <windows.h>

#include <string>

namespace wintest {

// Every key beneath ROOT\PATH (PATH itself first, subkeys in name order) as
// "[relative path]", then each of its values in name order as one line:
//   "name" REG_SZ "text\u0000"         strings as all their 16-bit units (see
//                                      RegistryText), which give the length; an
//                                      odd last byte follows in hex
//   "name" REG_BINARY 4 01 02 03 04    anything else as its length and bytes
// Names, types, lengths and data: everything a reader of the tree sees.
// Empty when PATH does not open.
std::string RegistryTreeText(HKEY root, const std::wstring& path);

// UNITS as RegistryTreeText shows them: printable ASCII as itself, '"' and
// '\' doubled with a backslash, anything else as \uXXXX.
std::string RegistryText(const std::wstring& units);

}  // namespace wintest

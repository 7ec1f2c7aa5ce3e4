// Keys and typed values of the configuration tree as the intermediate driver
// reads them: keys created or opened with full access and non-volatile,
// numbers as REG_DWORD, model texts widened into REG_SZ of a fixed length.
#pragma once

#include <cstddef>
#include <cstdint>

#include "key_paths.h"

constexpr REGSAM CONFIGURATION_ACCESS = 0xF003F;   // full access
constexpr DWORD TRUNK_NAME_DATA_LENGTH = 256;
constexpr DWORD TEXT_DATA_LENGTH = 1024;

LONG Create_Key(const KeyPath& path, HKEY* key);
LONG Open_Key(const KeyPath& path, HKEY* key);

LONG Write_Number(HKEY key, LPCWSTR name, uint32_t value);
// The widened text of a model field (read no further than `fieldSize` bytes),
// its terminator and zero filler: always `dataLength` bytes.
// ERROR_NOT_ENOUGH_MEMORY, and nothing written, when it cannot be widened.
LONG Write_Fixed_Text(HKEY key, LPCWSTR name, const char* field, std::size_t fieldSize, DWORD dataLength);
// 2 bytes per character and no terminator.
LONG Write_Unterminated_Text(HKEY key, LPCWSTR name, const WCHAR* text);
LONG Write_Binary(HKEY key, LPCWSTR name, const void* data, DWORD size);

// A number from any value of at most 4 bytes (little-endian; missing high
// bytes are 0). False when the value is missing or longer.
bool Read_Number(HKEY key, LPCWSTR name, uint32_t* value);
bool Read_Flag(HKEY key, LPCWSTR name, uint8_t* flag);   // 1 for any non-zero number

enum class TextRead { Read, Absent, OutOfMemory };
// A text from any value of at most `bufferSize` bytes, up to its terminator,
// narrowed into a new text from Model_Alloc (*text, released with Model_Free).
TextRead Read_Text(HKEY key, LPCWSTR name, DWORD bufferSize, char** text);
// Exactly `size` bytes; false when the value is missing or of another length.
bool Read_Binary(HKEY key, LPCWSTR name, void* data, DWORD size);

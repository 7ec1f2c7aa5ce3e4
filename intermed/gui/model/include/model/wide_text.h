#pragma once

// Model texts are 8-bit; dialog and registry texts are 16-bit units.
#ifdef _WIN32
using WideChar = wchar_t;
#else
using WideChar = char16_t;
#endif

// One unit per byte by sign extension (0x80..0xFF become 0xFF80..0xFFFF).
// New zero-terminated text from the C heap, released by the caller (free());
// null only when out of memory. A null text reads as empty.
WideChar* WidenText(const char* text);

// The low byte of each unit, the inverse of WidenText.
char* NarrowText(const WideChar* text);

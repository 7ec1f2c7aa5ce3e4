#include "model/wide_text.h"
#include <cstdint>
#include <cstring>
#include "model/model_alloc.h"

WideChar* WidenText(const char* text)
{
  if (!text) text = "";
  std::size_t length = std::strlen(text);
  WideChar* wide = static_cast<WideChar*>(Model_Alloc((length + 1) * sizeof(WideChar)));
  if (!wide) return nullptr;
  for (std::size_t i = 0; i <= length; ++i) {
    // Sign extension: bytes 0x80..0xFF become the units 0xFF80..0xFFFF.
    int16_t unit = static_cast<int8_t>(static_cast<unsigned char>(text[i]));
    wide[i] = static_cast<WideChar>(static_cast<uint16_t>(unit));
  }
  return wide;
}

char* NarrowText(const WideChar* text)
{
  static const WideChar empty[1] = {0};
  if (!text) text = empty;
  std::size_t length = 0;
  while (text[length] != 0) ++length;
  char* narrow = static_cast<char*>(Model_Alloc(length + 1));
  if (!narrow) return nullptr;
  for (std::size_t i = 0; i <= length; ++i)
    narrow[i] = static_cast<char>(static_cast<unsigned char>(static_cast<uint16_t>(text[i]) & 0xFF));
  return narrow;
}

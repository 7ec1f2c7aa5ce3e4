#include "model/text_field.h"
#include <cstring>

std::size_t Field_Text_Length(const char* field, std::size_t fieldSize)
{
  const void* end = std::memchr(field, '\0', fieldSize);
  return end ? static_cast<std::size_t>(static_cast<const char*>(end) - field) : fieldSize;
}

void Copy_Text_Field(char* field, std::size_t fieldSize, const char* text)
{
  if (fieldSize == 0) return;
  std::size_t length = text ? Field_Text_Length(text, fieldSize - 1) : 0;
  std::memcpy(field, text ? text : "", length);
  field[length] = '\0';
}

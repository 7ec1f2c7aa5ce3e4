#include "text_builder.h"
#include <cstring>
#include "model/model_alloc.h"

TextBuilder::TextBuilder(std::size_t reserve) { Make_Room(reserve); }

TextBuilder::~TextBuilder() { Model_Free(data_); }

bool TextBuilder::Make_Room(std::size_t extra)
{
  if (failed_) return false;
  std::size_t needed = length_ + extra + 1;   // and the terminator
  if (needed <= capacity_) return true;
  std::size_t capacity = capacity_ ? capacity_ : 64;
  while (capacity < needed) capacity *= 2;
  char* grown = static_cast<char*>(Model_Realloc(data_, capacity));
  if (!grown) {
    failed_ = true;
    return false;
  }
  data_ = grown;
  capacity_ = capacity;
  return true;
}

void TextBuilder::Append(const char* text, std::size_t length)
{
  if (!Make_Room(length)) return;
  std::memcpy(data_ + length_, text, length);
  length_ += length;
}

void TextBuilder::Append(const char* text) { Append(text, std::strlen(text)); }

void TextBuilder::Append_Char(char c) { Append(&c, 1); }

void TextBuilder::Append_Unsigned(uint64_t value)
{
  char digits[20];
  std::size_t count = 0;
  do {
    digits[sizeof digits - 1 - count++] = static_cast<char>('0' + value % 10);
    value /= 10;
  } while (value != 0);
  Append(digits + sizeof digits - count, count);
}

void TextBuilder::Append_Signed(int64_t value)
{
  if (value < 0) {
    Append_Char('-');
    Append_Unsigned(0 - static_cast<uint64_t>(value));
  } else {
    Append_Unsigned(static_cast<uint64_t>(value));
  }
}

char* TextBuilder::Release()
{
  if (!Make_Room(0)) return nullptr;
  data_[length_] = '\0';
  char* text = data_;
  data_ = nullptr;
  length_ = capacity_ = 0;
  return text;
}

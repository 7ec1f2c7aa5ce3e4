#pragma once
// Internal: a text that grows as it is appended to, in Model_Alloc storage.
// After a failed allocation further appends do nothing and Release gives null.
#include <cstddef>
#include <cstdint>

class TextBuilder {
public:
  explicit TextBuilder(std::size_t reserve = 256);
  ~TextBuilder();
  TextBuilder(const TextBuilder&) = delete;
  TextBuilder& operator=(const TextBuilder&) = delete;

  void Append(const char* text);
  void Append(const char* text, std::size_t length);
  void Append_Char(char c);
  void Append_Signed(int64_t value);
  void Append_Unsigned(uint64_t value);

  bool Failed() const { return failed_; }
  std::size_t Length() const { return length_; }

  // The zero-terminated text, now owned by the caller; null after a failure.
  char* Release();

private:
  bool Make_Room(std::size_t extra);

  char* data_ = nullptr;
  std::size_t length_ = 0;
  std::size_t capacity_ = 0;
  bool failed_ = false;
};

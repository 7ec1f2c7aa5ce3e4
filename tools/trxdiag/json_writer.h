// A minimal JSON writer for the diagnostics tool: objects, arrays, numbers,
// strings, with commas and indentation handled here.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class JsonWriter {
 public:
  explicit JsonWriter(std::FILE* out) : out_(out) {}
  void BeginObject(const char* key = nullptr) { Open(key, '{'); }
  void EndObject() { Close('}'); }
  void BeginArray(const char* key = nullptr) { Open(key, '['); }
  void EndArray() { Close(']'); }
  void Number(const char* key, uint64_t value);
  void Hex(const char* key, uint32_t value);   // "0x0000abcd"
  void String(const char* key, const std::string& value);
  void Bool(const char* key, bool value);
  void Finish() { std::fputc('\n', out_); }

 private:
  void Open(const char* key, char bracket);
  void Close(char bracket);
  void Key(const char* key);
  std::FILE* out_;
  std::vector<bool> first_{true};  // per nesting level: nothing written yet
};

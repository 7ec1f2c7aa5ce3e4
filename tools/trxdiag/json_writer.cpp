#include "json_writer.h"

void JsonWriter::Key(const char* key) {
  if (!first_.back()) std::fputc(',', out_);
  first_.back() = false;
  if (first_.size() > 1) std::fprintf(out_, "\n%*s", int(2 * (first_.size() - 1)), "");
  if (key != nullptr) std::fprintf(out_, "\"%s\": ", key);
}

void JsonWriter::Open(const char* key, char bracket) {
  Key(key);
  std::fputc(bracket, out_);
  first_.push_back(true);
}

void JsonWriter::Close(char bracket) {
  bool empty = first_.back();
  first_.pop_back();
  if (!empty) std::fprintf(out_, "\n%*s", int(2 * (first_.size() - 1)), "");
  std::fputc(bracket, out_);
}

void JsonWriter::Number(const char* key, uint64_t value) {
  Key(key);
  std::fprintf(out_, "%llu", (unsigned long long)value);
}

void JsonWriter::Hex(const char* key, uint32_t value) {
  Key(key);
  std::fprintf(out_, "\"0x%08x\"", value);
}

void JsonWriter::Bool(const char* key, bool value) {
  Key(key);
  std::fputs(value ? "true" : "false", out_);
}

void JsonWriter::String(const char* key, const std::string& value) {
  Key(key);
  std::fputc('"', out_);
  for (unsigned char c : value) {
    if (c == '"' || c == '\\') std::fprintf(out_, "\\%c", c);
    else if (c < 0x20) std::fprintf(out_, "\\u%04x", c);
    else std::fputc(c, out_);
  }
  std::fputc('"', out_);
}

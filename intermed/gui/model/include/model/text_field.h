#pragma once
#include <cstddef>

// Fixed-size text fields of the records: copies are cut to the capacity and
// always zero-terminated, and lengths never read past the field.
void Copy_Text_Field(char* field, std::size_t fieldSize, const char* text);
std::size_t Field_Text_Length(const char* field, std::size_t fieldSize);

template <std::size_t N>
void Copy_Text_Field(char (&field)[N], const char* text) { Copy_Text_Field(field, N, text); }
template <std::size_t N>
std::size_t Field_Text_Length(const char (&field)[N]) { return Field_Text_Length(field, N); }

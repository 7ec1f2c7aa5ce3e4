#pragma once
// Internal: the pieces that every level of the text list reader shares.
#include <cstdint>
#include "model/tokenizer.h"

// Messages of the two families; both return false for use in conditions.
// A wrong token that is the tokenizer's failure writes nothing, so the
// tokenizer's own message stands.
bool Report_Wrong_Token(const char* level, int expected, int received, const char* detail);
bool Report_Bad_Value(const char* level, const char* detail, const char* word);

// Checks the current token.
bool Expect_Token(const TextReader& reader, const char* level, int expected, const char* detail);

// Reads the next token, and one more when that one is a comma.
void Next_Token_After_Comma(TextReader& reader);

// The next field: a word, with an optional comma before it when allowed.
bool Next_Field_Word(TextReader& reader, const char* level, const char* label, bool commaBefore);

// The current word as a number that fits the field it goes into.
bool Word_As_Signed(const TextReader& reader, const char* level, const char* detail, int32_t* value);
bool Word_As_Unsigned(const TextReader& reader, const char* level, const char* detail, uint32_t* value);
bool Word_As_Count(const TextReader& reader, const char* level, const char* detail, int32_t* value);

bool Read_Signed_Field(TextReader& reader, const char* level, const char* label, bool commaBefore, int32_t* value);

// Bus Width of the current word must be 32 or 64.
bool Check_Bus_Width(const TextReader& reader, const char* level, int32_t width);

// Reads one brace-delimited sublist: the current token must open it; each
// entry starts with `entryToken` and is read by `readEntry`, which leaves the
// token after the entry (and its optional comma) current; then the close.
template <typename ReadEntry>
bool Read_Sublist(TextReader& reader, const char* level, const char* startDetail, const char* endDetail,
                  int entryToken, ReadEntry readEntry)
{
  if (!Expect_Token(reader, level, TOKEN_OPEN, startDetail)) return false;
  Get_Token(reader);
  while (reader.token == entryToken)
    if (!readEntry()) return false;
  return Expect_Token(reader, level, TOKEN_CLOSE, endDetail);
}

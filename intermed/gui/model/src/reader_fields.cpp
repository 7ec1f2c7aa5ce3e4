#include "reader_fields.h"
#include "decimal_word.h"
#include "model/message_buffer.h"

bool Report_Wrong_Token(const char* level, int expected, int received, const char* detail)
{
  if (received != TOKEN_ERROR)
    Set_Model_Message("%s: Expecting %s, received %s, %s!", level, Token_Name(expected), Token_Name(received), detail);
  return false;
}

bool Report_Bad_Value(const char* level, const char* detail, const char* word)
{
  Set_Model_Message("%s: %s, got (%s)!", level, detail, word);
  return false;
}

bool Expect_Token(const TextReader& reader, const char* level, int expected, const char* detail)
{
  return reader.token == expected || Report_Wrong_Token(level, expected, reader.token, detail);
}

void Next_Token_After_Comma(TextReader& reader)
{
  if (Get_Token(reader) == TOKEN_COMMA) Get_Token(reader);
}

bool Next_Field_Word(TextReader& reader, const char* level, const char* label, bool commaBefore)
{
  if (commaBefore)
    Next_Token_After_Comma(reader);
  else
    Get_Token(reader);
  return Expect_Token(reader, level, TOKEN_WORD, label);
}

namespace {
bool Word_In_Range(const TextReader& reader, const char* level, const char* detail, int64_t minimum, int64_t maximum,
                   int64_t* value)
{
  return Parse_Decimal(reader.word, minimum, maximum, value) || Report_Bad_Value(level, detail, reader.word);
}
}  // namespace

bool Word_As_Signed(const TextReader& reader, const char* level, const char* detail, int32_t* value)
{
  int64_t number;
  if (!Word_In_Range(reader, level, detail, INT32_MIN, INT32_MAX, &number)) return false;
  *value = static_cast<int32_t>(number);
  return true;
}

bool Word_As_Unsigned(const TextReader& reader, const char* level, const char* detail, uint32_t* value)
{
  int64_t number;
  if (!Word_In_Range(reader, level, detail, 0, UINT32_MAX, &number)) return false;
  *value = static_cast<uint32_t>(number);
  return true;
}

bool Word_As_Count(const TextReader& reader, const char* level, const char* detail, int32_t* value)
{
  int64_t number;
  if (!Word_In_Range(reader, level, detail, 0, INT32_MAX, &number)) return false;
  *value = static_cast<int32_t>(number);
  return true;
}

bool Read_Signed_Field(TextReader& reader, const char* level, const char* label, bool commaBefore, int32_t* value)
{
  return Next_Field_Word(reader, level, label, commaBefore) && Word_As_Signed(reader, level, label, value);
}

bool Check_Bus_Width(const TextReader& reader, const char* level, int32_t width)
{
  return width == 32 || width == 64 || Report_Bad_Value(level, "invalid Bus Width", reader.word);
}

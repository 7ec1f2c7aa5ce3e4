#include "model/adapters.h"
#include "model/links.h"
#include "model/message_buffer.h"
#include "model/model_codes.h"
#include "model/text_reader.h"
#include "reader_fields.h"
#include "reader_levels.h"

namespace {
const char* const LEVEL = "Parse Input";

int Parse_Sublist(TextReader& reader)
{
  Get_Token(reader);
  if (!Expect_Token(reader, LEVEL, TOKEN_WORD, "expecting sublist type")) return 0;
  int32_t code = Find_Model_Keyword(reader.word);
  if (code == MODEL_NOT_FOUND) {
    Set_Model_Message("Parse Input: invalid adapter name (%s)!", reader.word);
    return 0;
  }
  if (!(code == MODEL_TMRXLINK ? Parse_TmrxLink(reader) : Parse_Adapter(reader, code))) return 0;
  Get_Token(reader);
  if (!Expect_Token(reader, LEVEL, TOKEN_CLOSE, "expecting close of sublist")) return 0;
  Next_Token_After_Comma(reader);
  return 1;
}
}  // namespace

int Parse_Input(TextReader& reader)
{
  Get_Token(reader);
  if (!Expect_Token(reader, LEVEL, TOKEN_OPEN, "expecting start of overall list")) return 0;
  // No comma may follow the opening brace: it ends the sublists here.
  Get_Token(reader);
  while (reader.token == TOKEN_OPEN)
    if (!Parse_Sublist(reader)) return 0;
  if (!Expect_Token(reader, LEVEL, TOKEN_CLOSE, "expecting close of overall list")) return 0;
  Get_Token(reader);
  return Expect_Token(reader, LEVEL, TOKEN_EOS, "expecting finish of overall list");
}

int Read_Text_List(const char* text)
{
  TextReader reader = Start_Text_Reader(text);
  if (Parse_Input(reader)) return 1;
  // Records are created while reading: nothing of a failed read may survive.
  Delete_All_Adapters();
  Delete_All_Links();
  return 0;
}

#include "model/tokenizer.h"
#include "model/message_buffer.h"

namespace {
bool Is_White(char c)
{
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Double quotes carry no meaning: they are skipped like white space.
bool Is_Skipped(char c) { return Is_White(c) || c == '"'; }

bool Ends_Word(char c) { return c == '\0' || Is_Skipped(c) || c == '{' || c == '}' || c == ','; }

int Read_Word(TextReader& reader)
{
  int length = 0;
  while (!Ends_Word(*reader.pos)) {
    if (length == WORD_MAX_LENGTH) {
      reader.word[length] = '\0';
      Set_Model_Message("Get Token: word exceeded max word length!");
      return TOKEN_ERROR;
    }
    reader.word[length++] = *reader.pos++;
  }
  reader.word[length] = '\0';
  return TOKEN_WORD;
}
}  // namespace

TextReader Start_Text_Reader(const char* text)
{
  TextReader reader{};
  reader.pos = text ? text : "";
  reader.token = TOKEN_EOS;
  return reader;
}

int Get_Token(TextReader& reader)
{
  while (Is_Skipped(*reader.pos)) ++reader.pos;
  switch (*reader.pos) {
    case '\0': reader.token = TOKEN_EOS; break;
    case ',': ++reader.pos; reader.token = TOKEN_COMMA; break;
    case '{': ++reader.pos; reader.token = TOKEN_OPEN; break;
    case '}': ++reader.pos; reader.token = TOKEN_CLOSE; break;
    default: reader.token = Read_Word(reader); break;
  }
  return reader.token;
}

const char* Token_Name(int token)
{
  switch (token) {
    case TOKEN_EOS: return "EOS";
    case TOKEN_OPEN: return "{";
    case TOKEN_CLOSE: return "}";
    case TOKEN_COMMA: return "a comma";
    case TOKEN_WORD: return "a word";
    default: return "*error*";
  }
}

#pragma once

// Tokens of the nested text list.
enum TokenCode {
  TOKEN_ERROR = 0,   // the tokenizer failed and wrote its message
  TOKEN_EOS = 1,
  TOKEN_OPEN = 2,
  TOKEN_CLOSE = 3,
  TOKEN_COMMA = 4,
  TOKEN_WORD = 5,    // left in the reader's word buffer
};

constexpr int WORD_MAX_LENGTH = 63;

// Read position and the last word read.
struct TextReader {
  const char* pos;
  int token;
  char word[WORD_MAX_LENGTH + 1];
};

TextReader Start_Text_Reader(const char* text);

// Reads the next token into reader.token and returns it.
int Get_Token(TextReader& reader);

// The token's name as messages spell it ("*error*" for unknown codes).
const char* Token_Name(int token);

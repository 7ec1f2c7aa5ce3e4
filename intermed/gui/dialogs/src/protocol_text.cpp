#include "dialogs/protocol_text.h"

#include <cstdio>

#include "model/text_field.h"

bool ParseProtocolText(const char* text, uint32_t* code, char name[PROTOCOL_NAME_SIZE])
{
  unsigned value = 0;
  int afterParenthesis = -1;
  if (sscanf(text, "(%x)%n", &value, &afterParenthesis) < 1 || afterParenthesis < 0) return false;
  char word[PROTOCOL_NAME_SIZE] = "";
  if (sscanf(text + afterParenthesis, "%31s", word) != 1) word[0] = '\0';
  *code = value;
  Copy_Text_Field(name, PROTOCOL_NAME_SIZE, word);
  return true;
}

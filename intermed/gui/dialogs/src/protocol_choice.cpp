#include "dialogs/protocol_choice.h"

#include <cstdio>
#include <cstdlib>

#include "control_text.h"
#include "dialog_messages.h"
#include "model/text_field.h"

namespace {

constexpr int kTypedTextUnits = 255;

void RefuseText(HWND dialog, int box)
{
  ShowError(dialog, L"Could not parse Protocol input");
  SetFocus(GetDlgItem(dialog, box));
}

}  // namespace

void FillChoiceBox(HWND dialog, int box, const ProtocolRow* table)
{
  for (int row = 0; row < PROTOCOL_TABLE_ROWS; ++row) InsertComboText(dialog, box, -1, table[row].label);
}

bool AddChoiceText(HWND dialog, int box, const char* text, bool select)
{
  LRESULT position = InsertComboText(dialog, box, -1, text);
  if (position < 0) return false;
  if (select) SendDlgItemMessageW(dialog, box, CB_SETCURSEL, position, 0);
  return true;
}

void AddCodeChoice(HWND dialog, int box, uint32_t code, const char* name)
{
  char text[64];
  snprintf(text, sizeof text, "(%x)%.*s", code, PROTOCOL_NAME_SIZE - 1, name);
  AddChoiceText(dialog, box, text, true);
}

void ShowProtocolCode(HWND dialog, int box, const ProtocolRow* table, uint32_t code, const char* name)
{
  for (int row = 0; row < PROTOCOL_TABLE_ROWS; ++row) {
    if (table[row].code == code) {
      SendDlgItemMessageW(dialog, box, CB_SETCURSEL, row, 0);
      return;
    }
  }
  AddCodeChoice(dialog, box, code, name);
}

void ReadProtocolBox(HWND dialog, int box, const ProtocolRow* table, bool* edited, uint32_t* code, char* name)
{
  if (*edited) {
    char* text = ReadControlText(dialog, box, kTypedTextUnits);
    if (!text || !text[0]) {
      ShowError(dialog, L"Error in getting Protocol input");
    } else if (ParseProtocolText(text, code, name)) {
      // The typed choice joins the box's choices.
      AddChoiceText(dialog, box, text, true);
      *edited = false;
    } else {
      RefuseText(dialog, box);
    }
    free(text);
    return;
  }
  LRESULT selected = SendDlgItemMessageW(dialog, box, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR) {
    ShowError(dialog, L"Could not get selected item!");
    return;
  }
  if (selected < PROTOCOL_TABLE_ROWS) {
    *code = table[selected].code;
    Copy_Text_Field(name, PROTOCOL_NAME_SIZE, table[selected].name);
    return;
  }
  char* text = ReadComboItemText(dialog, box, static_cast<int>(selected));
  if (!text) {
    ShowError(dialog, L"Could not get selection text!");
    return;
  }
  if (!ParseProtocolText(text, code, name)) RefuseText(dialog, box);
  free(text);
}

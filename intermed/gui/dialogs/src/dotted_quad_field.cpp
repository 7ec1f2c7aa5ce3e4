// The edit-control side of the dotted-quad field: reformat after every
// change the user makes, keep the caret where typing goes on, store the
// address when the field is left.
#include <cstdlib>
#include <cstring>

#include "control_text.h"
#include "dialog_messages.h"
#include "dialogs/dotted_quad.h"

namespace {

// Enough for the 17 characters the field accepts.
constexpr int kFieldUnits = 32;

// Our own text replacements notify the field's update too; they are not the
// user's changes.
bool reformatting = false;

void ReplaceText(HWND dialog, int field, const char* text)
{
  reformatting = true;
  SetControlText(dialog, field, text);
  reformatting = false;
}

void RefuseInput(HWND dialog, int field, const wchar_t* message)
{
  ShowError(dialog, message);
  SetFocus(GetDlgItem(dialog, field));
}

}  // namespace

void PlaceDottedQuadCaret(HWND dialog, int field, int caret, const char* text)
{
  if (caret < 0 || caret >= DOTTED_QUAD_LENGTH) caret = DottedQuadCaretFromText(text);
  SendDlgItemMessageW(dialog, field, EM_SETSEL, caret, caret);
}

void DottedQuadFocusGained(HWND dialog, int field)
{
  char* text = ReadControlText(dialog, field, kFieldUnits);
  if (!text) return;
  const char* shown = text;
  if (!text[0]) {
    ReplaceText(dialog, field, DOTTED_QUAD_MASK);
    shown = DOTTED_QUAD_MASK;
  }
  PlaceDottedQuadCaret(dialog, field, DOTTED_QUAD_CARET_FROM_TEXT, shown);
  free(text);
}

void DottedQuadTextUpdated(HWND dialog, int field, bool* changed)
{
  if (reformatting || !SendDlgItemMessageW(dialog, field, EM_GETMODIFY, 0, 0)) return;
  *changed = true;
  char* text = ReadControlText(dialog, field, kFieldUnits);
  if (!text) return;
  if (!text[0]) {
    ReplaceText(dialog, field, DOTTED_QUAD_MASK);
    PlaceDottedQuadCaret(dialog, field, 0, DOTTED_QUAD_MASK);
  } else {
    NormalizedDottedQuad normal = NormalizeDottedQuad(text, static_cast<int>(strlen(text)));
    if (!normal.valid) {
      // Cleared first: the message box takes the focus, and the field must
      // not check its half-typed text on the way.
      *changed = false;
      RefuseInput(dialog, field, L"Invalid dotted-quad address input!");
    }
    ReplaceText(dialog, field, normal.text);
    PlaceDottedQuadCaret(dialog, field, normal.caret, normal.text);
  }
  free(text);
}

void DottedQuadFocusLost(HWND dialog, int field, bool* changed, uint32_t* store)
{
  if (!*changed) return;
  char* text = ReadControlText(dialog, field, DOTTED_QUAD_LENGTH);
  if (!text) return;
  uint32_t value = 0;
  if (!text[0]) {
    RefuseInput(dialog, field, L"Missing dotted-quad address input!");
  } else if (ParseDottedQuad(text, &value)) {
    *store = value;
    *changed = false;
  } else {
    *store = 0;
    RefuseInput(dialog, field, L"Invalid dotted-quad address input!");
  }
  free(text);
}

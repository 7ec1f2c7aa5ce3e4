// The dotted-quad address field: an ordinary edit control that keeps the
// fixed text "aaa.bbb.ccc.ddd", each number left-aligned in a three-character
// slot, moves the caret from a full slot to the next, closes a slot early on
// a typed dot, and stores a 32-bit address (first number in the most
// significant byte) when it loses the focus.
#pragma once

#include <windows.h>

#include "dialogs/dotted_quad_text.h"

// Puts an empty selection at `caret` (0 to 14), or at the caret derived from
// `text` for any other value.
void PlaceDottedQuadCaret(HWND dialog, int field, int caret, const char* text);

// Notification handlers; `changed` is the field's addressChanged flag.
void DottedQuadFocusGained(HWND dialog, int field);
void DottedQuadTextUpdated(HWND dialog, int field, bool* changed);
void DottedQuadFocusLost(HWND dialog, int field, bool* changed, uint32_t* store);

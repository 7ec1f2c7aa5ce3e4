// Every model text that a control shows or gives back crosses here: widened
// on the way in, narrowed on the way out (8-bit model, 16-bit controls).
#pragma once

#include <windows.h>

void SetControlText(HWND dialog, int id, const char* text);

// The control's text, at most `maxUnits` units, narrowed; release with
// free(). Null only when out of memory.
char* ReadControlText(HWND dialog, int id, int maxUnits);

// LB_INSERTSTRING at the end: the entry's position, or LB_ERR/LB_ERRSPACE.
LRESULT AppendListText(HWND dialog, int list, const char* text);

// CB_INSERTSTRING at `index` (-1: at the end): the position or an error.
LRESULT InsertComboText(HWND dialog, int box, int index, const char* text);

// The text of a combo box entry, narrowed; null when there is no such entry.
char* ReadComboItemText(HWND dialog, int box, int index);

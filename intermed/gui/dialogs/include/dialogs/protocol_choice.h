// The protocol choice boxes of the priority rule entry dialog: drop-down
// combo boxes offering the rows of a protocol table, in which the user may
// also type "(hex code)name".
#pragma once

#include <windows.h>

#include <cstdint>

#include "dialogs/protocol_text.h"
#include "model/protocol_tables.h"

// Appends the table's four labels in row order.
void FillChoiceBox(HWND dialog, int box, const ProtocolRow* table);

// Appends `text` at the end of the box and, if asked, selects it; false when
// the box refuses it.
bool AddChoiceText(HWND dialog, int box, const char* text, bool select);

// Appends "(%x)%s" of a code and its name (a 32-byte field), selected.
void AddCodeChoice(HWND dialog, int box, uint32_t code, const char* name);

// Selects the table row whose code is `code`, or adds the code's choice
// (AddCodeChoice).
void ShowProtocolCode(HWND dialog, int box, const ProtocolRow* table, uint32_t code, const char* name);

// Stores the box's choice into `code` and `name` (a 32-byte field): the
// typed text when `edited` is set (then cleared), else the selected entry.
// A text that does not parse is reported and the box gets the focus back.
void ReadProtocolBox(HWND dialog, int box, const ProtocolRow* table, bool* edited, uint32_t* code, char* name);

#pragma once

#include <windows.h>

// Whether the OK button itself has the keyboard focus. Dialogs that store
// each field when it loses the focus act on OK only then: the OK command
// that Enter sends from inside a field comes before that field is stored.
bool OkButtonHasFocus(HWND dialog);

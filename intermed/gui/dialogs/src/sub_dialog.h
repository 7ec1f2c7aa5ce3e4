#pragma once

#include <windows.h>

// Opens one of the library's dialogs, owned by `owner`. When the dialog
// manager cannot create it, "Error creating Dialog Box!" is shown and the
// result is -1.
INT_PTR OpenSubDialog(HWND owner, int templateId, DLGPROC procedure);

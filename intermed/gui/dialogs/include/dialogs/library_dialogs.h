// The library's own dialog templates and the procedures that run them.
#pragma once

#include <windows.h>

// The module that holds the templates: TmrxInt.dll, or the program the
// dialogs are linked into.
HINSTANCE Library_Module();

// DialogBoxParamW with the library's template `templateId`, initial
// parameter 0: the dialog's result, or -1 when it cannot be created.
INT_PTR OpenLibraryDialog(HWND owner, int templateId, DLGPROC procedure);

// Each works on what DialogContext names (see dialog_context.h).
INT_PTR CALLBACK TrunkNameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK AdvancedGroupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK SpeedDuplexDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PrioritySetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PriorityEntryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

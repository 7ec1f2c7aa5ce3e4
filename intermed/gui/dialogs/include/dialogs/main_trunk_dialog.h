// The main trunk dialog (template IDD_MAIN_TRUNK) over the process-wide
// aggregation model.
//
// MainTrunkDialogProc holds no state of its own beyond its controls, so any
// window made from template IDD_MAIN_TRUNK can be driven by it: the modal
// dialog that doTmrxLink runs, and a property page whose own dialog procedure
// passes WM_INITDIALOG and WM_COMMAND on to it. It returns TRUE for the
// messages it handled. Its OK and Cancel buttons end the window with
// EndDialog(1) and EndDialog(2).
#pragma once

#include <windows.h>

INT_PTR CALLBACK MainTrunkDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modally from the library's template: 1 for OK, 2 for
// Cancel, -1 (or 0 for an unusable owner) when the dialog manager refuses it.
INT_PTR RunMainTrunkDialog(HWND owner);

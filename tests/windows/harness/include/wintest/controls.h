// Reading and operating the controls of a dialog the way a user would.
//
// Every function takes the dialog window and a control id. A missing control,
// or one a user could not operate (disabled or hidden), fails the running test
// with a message that names it; the function then does nothing.
//
// The actions post their input to the dialog's own message loop or send the
// notification a real control would send, so they are meant to run inside that
// loop, as steps of a DialogScript.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wintest {

// --- state ---------------------------------------------------------------

std::wstring WindowText(HWND window);
std::wstring ControlText(HWND dialog, int id);
bool IsControlEnabled(HWND dialog, int id);
bool IsControlVisible(HWND dialog, int id);
bool IsButtonChecked(HWND dialog, int id);
// Id of the control that has the keyboard focus, 0 when none of the dialog's.
int FocusedControlId(HWND dialog);

std::vector<std::wstring> ListItems(HWND dialog, int id);
// Selected positions, ascending; single- and multiple-selection list boxes.
std::vector<int> ListSelection(HWND dialog, int id);
std::vector<std::wstring> ComboItems(HWND dialog, int id);
// Selected position, -1 when none.
int ComboSelection(HWND dialog, int id);

// --- actions -------------------------------------------------------------

// BM_CLICK: a button, check box or radio button as if clicked with the mouse.
void ClickButton(HWND dialog, int id);
// Moves the focus as the dialog manager does on Tab (an edit gets its text
// selected, so typing replaces it).
void FocusControl(HWND dialog, int id);
// Focuses the control and types the text, one WM_CHAR per character.
void TypeText(HWND dialog, int id, const std::wstring& text);
// A key press (WM_KEYDOWN, WM_KEYUP) on the focused control, seen first by the
// dialog loop: VK_RETURN pushes the default button, VK_ESCAPE cancels, VK_TAB
// moves on.
void PressKey(HWND dialog, UINT virtualKey);
// Makes exactly these positions the selection (one position for a
// single-selection list) and notifies the dialog if the list has LBS_NOTIFY.
void SelectListItems(HWND dialog, int id, const std::vector<int>& positions);
void SelectListItem(HWND dialog, int id, int position);
// Selects the position, then notifies a double-click (LBS_NOTIFY lists).
void DoubleClickListItem(HWND dialog, int id, int position);
// Selects the position and notifies CBN_SELCHANGE.
void SelectComboItem(HWND dialog, int id, int position);

}  // namespace wintest

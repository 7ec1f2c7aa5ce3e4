// Recognising and reading the windows that MessageBoxW opens.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace wintest {

// What a message box showed.
struct MessageBoxSeen {
  std::wstring text;
  std::wstring caption;
  HWND owner = nullptr;      // nullptr: opened without an owner window
  std::vector<int> buttons;  // ids of the buttons offered, ascending: {IDOK}, {IDOK, IDCANCEL}, ...
  bool hasIcon = false;
};

// A top-level dialog-class window (#32770): dialogs and message boxes alike.
bool IsDialogWindow(HWND window);
// A dialog window that MessageBoxW created: its template is the system's own,
// not one of a module of this program.
bool IsMessageBox(HWND window);
MessageBoxSeen ReadMessageBox(HWND box);

}  // namespace wintest

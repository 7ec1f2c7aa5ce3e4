#include "wintest/message_box.h"

#include "wintest/controls.h"

#include <algorithm>

namespace wintest {
namespace {

// The static control that holds a message box's text.
constexpr int kMessageTextId = 0xFFFF;

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

bool HasVisibleStyle(HWND window) { return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

}  // namespace

bool IsDialogWindow(HWND window) {
  return IsWindow(window) && ClassName(window) == L"#32770" &&
         !(GetWindowLongW(window, GWL_STYLE) & WS_CHILD);
}

bool IsMessageBox(HWND window) {
  if (!IsDialogWindow(window)) return false;
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
  return !instance || instance == GetModuleHandleW(L"user32.dll");
}

MessageBoxSeen ReadMessageBox(HWND box) {
  MessageBoxSeen seen;
  seen.caption = WindowText(box);
  if (HWND text = GetDlgItem(box, kMessageTextId)) seen.text = WindowText(text);
  seen.owner = GetWindow(box, GW_OWNER);
  // Only the offered buttons are shown; they may not be painted yet.
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    if (!HasVisibleStyle(child)) continue;
    std::wstring name = ClassName(child);
    if (_wcsicmp(name.c_str(), L"Button") == 0) {
      seen.buttons.push_back(GetDlgCtrlID(child));
    } else if (_wcsicmp(name.c_str(), L"Static") == 0 &&
               (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
               SendMessageW(child, STM_GETICON, 0, 0) != 0) {
      seen.hasIcon = true;
    }
  }
  std::sort(seen.buttons.begin(), seen.buttons.end());
  return seen;
}

}  // namespace wintest

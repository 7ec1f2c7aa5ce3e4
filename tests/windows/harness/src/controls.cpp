#include "wintest/controls.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace wintest {
namespace {

HWND Control(HWND dialog, int id) {
  HWND control = GetDlgItem(dialog, id);
  if (!control)
    ADD_FAILURE() << "dialog \"" << WindowText(dialog) << "\" has no control " << id;
  return control;
}

// The control if a user could operate it.
HWND Operable(HWND dialog, int id, const char* action) {
  HWND control = Control(dialog, id);
  if (!control) return nullptr;
  const char* why = !IsWindowVisible(control) ? "hidden" : !IsWindowEnabled(control) ? "disabled" : nullptr;
  if (why) {
    ADD_FAILURE() << "cannot " << action << " control " << id << " (\"" << WindowText(control)
                  << "\") of dialog \"" << WindowText(dialog) << "\": it is " << why;
    return nullptr;
  }
  return control;
}

bool InRange(HWND dialog, int id, int position, LRESULT count) {
  if (position >= 0 && position < count) return true;
  ADD_FAILURE() << "control " << id << " of dialog \"" << WindowText(dialog) << "\" has " << count
                << " items, no position " << position;
  return false;
}

bool HasStyle(HWND window, LONG style) { return (GetWindowLongW(window, GWL_STYLE) & style) != 0; }

bool IsMultipleSelection(HWND list) { return HasStyle(list, LBS_MULTIPLESEL | LBS_EXTENDEDSEL); }

void Notify(HWND control, WORD code) {
  SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
               reinterpret_cast<LPARAM>(control));
}

std::wstring ItemText(HWND control, UINT lengthMessage, UINT textMessage, int position) {
  LRESULT length = SendMessageW(control, lengthMessage, position, 0);
  if (length < 0) return {};
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  LRESULT copied = SendMessageW(control, textMessage, position, reinterpret_cast<LPARAM>(&text[0]));
  text.resize(copied < 0 ? 0 : static_cast<size_t>(copied));
  return text;
}

std::vector<std::wstring> Items(HWND control, UINT countMessage, UINT lengthMessage, UINT textMessage) {
  std::vector<std::wstring> items;
  LRESULT count = SendMessageW(control, countMessage, 0, 0);
  for (int i = 0; i < count; ++i) items.push_back(ItemText(control, lengthMessage, textMessage, i));
  return items;
}

bool SelectInList(HWND dialog, int id, const std::vector<int>& positions) {
  HWND list = Operable(dialog, id, "select in");
  if (!list) return false;
  LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (int position : positions)
    if (!InRange(dialog, id, position, count)) return false;
  if (IsMultipleSelection(list)) {
    SendMessageW(list, LB_SETSEL, FALSE, -1);
    for (int position : positions) SendMessageW(list, LB_SETSEL, TRUE, position);
  } else if (positions.size() == 1) {
    SendMessageW(list, LB_SETCURSEL, positions[0], 0);
  } else {
    ADD_FAILURE() << "list " << id << " of dialog \"" << WindowText(dialog)
                  << "\" selects one item, not " << positions.size();
    return false;
  }
  if (HasStyle(list, LBS_NOTIFY)) Notify(list, LBN_SELCHANGE);
  return true;
}

}  // namespace

std::wstring WindowText(HWND window) {
  int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<size_t>(length) + 1, L'\0');
  text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
  return text;
}

std::wstring ControlText(HWND dialog, int id) {
  HWND control = Control(dialog, id);
  return control ? WindowText(control) : std::wstring();
}

bool IsControlEnabled(HWND dialog, int id) {
  HWND control = Control(dialog, id);
  return control && IsWindowEnabled(control);
}

bool IsControlVisible(HWND dialog, int id) {
  HWND control = Control(dialog, id);
  return control && IsWindowVisible(control);
}

bool IsButtonChecked(HWND dialog, int id) {
  HWND control = Control(dialog, id);
  return control && SendMessageW(control, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

int FocusedControlId(HWND dialog) {
  HWND focus = GetFocus();
  if (!focus || !IsChild(dialog, focus)) return 0;
  // The edit inside a combo box counts as the combo box.
  while (GetParent(focus) != dialog) focus = GetParent(focus);
  return GetDlgCtrlID(focus);
}

std::vector<std::wstring> ListItems(HWND dialog, int id) {
  HWND list = Control(dialog, id);
  if (!list) return {};
  return Items(list, LB_GETCOUNT, LB_GETTEXTLEN, LB_GETTEXT);
}

std::vector<int> ListSelection(HWND dialog, int id) {
  HWND list = Control(dialog, id);
  if (!list) return {};
  if (!IsMultipleSelection(list)) {
    LRESULT current = SendMessageW(list, LB_GETCURSEL, 0, 0);
    return current == LB_ERR ? std::vector<int>() : std::vector<int>{static_cast<int>(current)};
  }
  LRESULT count = SendMessageW(list, LB_GETSELCOUNT, 0, 0);
  if (count <= 0) return {};
  std::vector<int> selected(static_cast<size_t>(count));
  LRESULT got = SendMessageW(list, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(selected.data()));
  selected.resize(got < 0 ? 0 : static_cast<size_t>(got));
  std::sort(selected.begin(), selected.end());
  return selected;
}

std::vector<std::wstring> ComboItems(HWND dialog, int id) {
  HWND combo = Control(dialog, id);
  if (!combo) return {};
  return Items(combo, CB_GETCOUNT, CB_GETLBTEXTLEN, CB_GETLBTEXT);
}

int ComboSelection(HWND dialog, int id) {
  HWND combo = Control(dialog, id);
  return combo ? static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0)) : -1;
}

void ClickButton(HWND dialog, int id) {
  if (HWND button = Operable(dialog, id, "click")) PostMessageW(button, BM_CLICK, 0, 0);
}

void FocusControl(HWND dialog, int id) {
  if (HWND control = Operable(dialog, id, "focus"))
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void TypeText(HWND dialog, int id, const std::wstring& text) {
  HWND control = Operable(dialog, id, "type into");
  if (!control) return;
  SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  // A combo box with an edit field hands the focus to that field.
  HWND target = GetFocus() && IsChild(control, GetFocus()) ? GetFocus() : control;
  for (wchar_t ch : text) PostMessageW(target, WM_CHAR, ch, 1);
}

void PressKey(HWND dialog, UINT virtualKey) {
  HWND target = GetFocus();
  if (!target || !IsChild(dialog, target)) target = dialog;
  LPARAM down = 1 | static_cast<LPARAM>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC)) << 16;
  LPARAM up = down | 0xC0000000;
  PostMessageW(target, WM_KEYDOWN, virtualKey, down);
  PostMessageW(target, WM_KEYUP, virtualKey, up);
}

void SelectListItems(HWND dialog, int id, const std::vector<int>& positions) {
  SelectInList(dialog, id, positions);
}

void SelectListItem(HWND dialog, int id, int position) { SelectInList(dialog, id, {position}); }

void DoubleClickListItem(HWND dialog, int id, int position) {
  if (!SelectInList(dialog, id, {position})) return;
  HWND list = GetDlgItem(dialog, id);
  if (HasStyle(list, LBS_NOTIFY)) Notify(list, LBN_DBLCLK);
}

void SelectComboItem(HWND dialog, int id, int position) {
  HWND combo = Operable(dialog, id, "select in");
  if (!combo || !InRange(dialog, id, position, SendMessageW(combo, CB_GETCOUNT, 0, 0))) return;
  SendMessageW(combo, CB_SETCURSEL, position, 0);
  Notify(combo, CBN_SELCHANGE);
}

}  // namespace wintest

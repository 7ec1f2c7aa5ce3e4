#include "dialog_player.h"

#include <cstdio>
#include <cwctype>
#include <utility>

#include "window_picture.h"

namespace {

DialogPlayer* active = nullptr;
constexpr UINT kTickMs = 50;
// The static control that holds a message box's text.
constexpr int kMessageTextId = 0xFFFF;

std::wstring WindowText(HWND window)
{
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

bool IsDialogWindow(HWND window)
{
  wchar_t name[16] = {};
  GetClassNameW(window, name, 16);
  return wcscmp(name, L"#32770") == 0 && !(GetWindowLongW(window, GWL_STYLE) & WS_CHILD);
}

BOOL CALLBACK FindInnermost(HWND window, LPARAM found)
{
  // A modal window disables its owner: the one still enabled is innermost.
  if (IsDialogWindow(window) && IsWindowVisible(window) && IsWindowEnabled(window))
    *reinterpret_cast<HWND*>(found) = window;
  return TRUE;
}

HWND InnermostWindow()
{
  HWND found = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), &FindInnermost, reinterpret_cast<LPARAM>(&found));
  return found;
}

std::wstring FileNamePart(const std::wstring& caption)
{
  std::wstring name;
  for (wchar_t c : caption) name += iswalnum(c) ? c : L'-';
  return name.empty() ? L"window" : name;
}

void Say(const char* what, HWND window)
{
  std::wstring caption = WindowText(window);
  if (HWND text = GetDlgItem(window, kMessageTextId))
    fwprintf(stderr, L"tmrxcfg: %hs message box \"%ls\": %ls\n", what, caption.c_str(), WindowText(text).c_str());
  else
    fwprintf(stderr, L"tmrxcfg: %hs dialog \"%ls\"\n", what, caption.c_str());
}

void Notify(HWND control, WORD code)
{
  SendMessageW(GetParent(control), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(control), code),
               reinterpret_cast<LPARAM>(control));
}

void FocusOn(HWND window, HWND control)
{
  SendMessageW(window, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

void PressKey(HWND window, unsigned key)
{
  HWND target = GetFocus();
  if (!target || !IsChild(window, target)) target = window;
  LPARAM down = 1 | static_cast<LPARAM>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16;
  PostMessageW(target, WM_KEYDOWN, key, down);
  PostMessageW(target, WM_KEYUP, key, down | 0xC0000000);
}

bool IsComboBox(HWND control)
{
  wchar_t name[16] = {};
  GetClassNameW(control, name, 16);
  return _wcsicmp(name, L"ComboBox") == 0;
}

void Select(HWND control, const std::vector<int>& positions, bool doubleClick)
{
  if (IsComboBox(control)) {
    SendMessageW(control, CB_SETCURSEL, positions[0], 0);
    Notify(control, CBN_SELCHANGE);
    return;
  }
  if (GetWindowLongW(control, GWL_STYLE) & (LBS_MULTIPLESEL | LBS_EXTENDEDSEL)) {
    SendMessageW(control, LB_SETSEL, FALSE, -1);
    for (int position : positions) SendMessageW(control, LB_SETSEL, TRUE, position);
  } else {
    SendMessageW(control, LB_SETCURSEL, positions[0], 0);
  }
  Notify(control, LBN_SELCHANGE);
  if (doubleClick) Notify(control, LBN_DBLCLK);
}

}  // namespace

DialogPlayer::DialogPlayer(PlayerOptions options) : options_(std::move(options))
{
  active = this;
  timer_ = SetTimer(nullptr, 0, kTickMs, &Tick);
  idleSince_ = GetTickCount();
}

DialogPlayer::~DialogPlayer() { Finish(); }

bool DialogPlayer::Finish()
{
  if (timer_) KillTimer(nullptr, timer_);
  timer_ = 0;
  active = nullptr;
  if (next_ < options_.actions.size()) {
    fprintf(stderr, "tmrxcfg: the dialogs closed before the script's line %d was played\n",
            options_.actions[next_].line);
    next_ = options_.actions.size();
    failed_ = true;
  }
  return !failed_;
}

void CALLBACK DialogPlayer::Tick(HWND, UINT, UINT_PTR, DWORD)
{
  if (active) active->OnTick();
}

void DialogPlayer::Picture(HWND window, const std::wstring& name)
{
  if (options_.picturesDir.empty()) return;
  std::wstring path = options_.picturesDir + L"\\" + name + L".bmp";
  if (!SaveWindowPicture(window, path)) {
    fwprintf(stderr, L"tmrxcfg: could not save the picture %ls\n", path.c_str());
    failed_ = true;
  }
}

void DialogPlayer::OnTick()
{
  HWND window = InnermostWindow();
  if (!window || window == busy_) return;
  DWORD now = GetTickCount();
  if (window != current_) {
    // Shown, but perhaps not painted yet: the picture waits one tick.
    current_ = window;
    pictured_ = false;
    idleSince_ = now;
    return;
  }
  if (!pictured_) {
    pictured_ = true;
    // A dialog that is innermost again after a sub-dialog is not new.
    if (!seen_.insert(window).second) return;
    Say("showing", window);
    wchar_t number[8];
    swprintf(number, 8, L"%02d-", ++windowsSeen_);
    Picture(window, number + FileNamePart(WindowText(window)));
    return;
  }
  if (next_ < options_.actions.size()) {
    const Action& action = options_.actions[next_++];
    busy_ = window;
    Play(window, action);
    busy_ = nullptr;
    idleSince_ = GetTickCount();
    return;
  }
  if (options_.closeLeftovers && now - idleSince_ > options_.idleMs) {
    Say("nothing left to play; closing the", window);
    failed_ = true;
    idleSince_ = now;
    PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
  }
}

void DialogPlayer::Play(HWND window, const Action& action)
{
  if (action.kind == Action::Key) return PressKey(window, action.key);
  if (action.kind == Action::Shot) return Picture(window, action.text);
  HWND control = GetDlgItem(window, action.id);
  if (!control || !IsWindowVisible(control) || !IsWindowEnabled(control)) {
    fwprintf(stderr, L"tmrxcfg: script line %d: \"%ls\" has no usable control %d\n", action.line,
             WindowText(window).c_str(), action.id);
    failed_ = true;
    return;
  }
  switch (action.kind) {
    case Action::Click: PostMessageW(control, BM_CLICK, 0, 0); break;
    case Action::Focus: FocusOn(window, control); break;
    case Action::Type: {
      FocusOn(window, control);
      // A combo box with an edit field hands the focus to that field.
      HWND target = GetFocus() && IsChild(control, GetFocus()) ? GetFocus() : control;
      for (wchar_t c : action.text) PostMessageW(target, WM_CHAR, c, 1);
      break;
    }
    case Action::Select:
    case Action::SelectMany: Select(control, action.positions, false); break;
    case Action::DoubleClick: Select(control, action.positions, true); break;
    default: break;
  }
}

#include "wintest/dialog_driver.h"

#include "wintest/controls.h"
#include "wintest/time_scale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <utility>

namespace wintest {
namespace {

thread_local DialogDriver* current = nullptr;

// Short enough that a script of a few dozen steps takes well under a second.
constexpr UINT kTickMs = 10;

std::string Quoted(const std::wstring& text) {
  return (::testing::Message() << L"\"" << text << L"\"").GetString();
}

std::string DescribeMessageBox(const std::wstring& caption, const std::wstring& text) {
  return "message box " + Quoted(caption) + " saying " + Quoted(text);
}

std::string Describe(const MessageBoxSeen& box) { return DescribeMessageBox(box.caption, box.text); }

std::string DescribeWindow(HWND window) {
  return IsMessageBox(window) ? Describe(ReadMessageBox(window)) : "dialog " + Quoted(WindowText(window));
}

}  // namespace

struct DialogDriver::Expectation {
  bool messageBox = false;
  std::wstring text;
  std::wstring caption;
  bool checkCaption = false;
  int answer = 0;
  DialogScript script;

  std::string Describe() const {
    if (messageBox) return DescribeMessageBox(caption, text);
    return checkCaption ? "dialog " + Quoted(caption) : "a dialog";
  }
};

struct DialogDriver::Run {
  HWND window = nullptr;
  DWORD opened = 0;
  std::optional<Expectation> expected;  // none: nobody expected this window
  bool checked = false;  // the first tick matched the window against its expectation
  bool closing = false;  // EndDialog issued after a failure
  std::vector<DialogScript::Step> steps;
  size_t next = 0;
  bool busy = false;  // a step is running (and may have opened a nested modal loop)
};

DialogDriver::DialogDriver(DWORD timeoutMs) : timeoutMs_(ScaledMs(timeoutMs)) {
  if (current) {
    ADD_FAILURE() << "a DialogDriver is already active on this thread";
    return;
  }
  hook_ = SetWindowsHookExW(WH_CBT, &CbtHook, nullptr, GetCurrentThreadId());
  timer_ = SetTimer(nullptr, 0, kTickMs, &Tick);
  if (!hook_ || !timer_) {
    ADD_FAILURE() << "could not install the dialog hook and timer, error " << GetLastError();
    if (hook_) UnhookWindowsHookEx(hook_);
    if (timer_) KillTimer(nullptr, timer_);
    return;
  }
  current = this;
}

DialogDriver::~DialogDriver() {
  if (current != this) return;
  UnhookWindowsHookEx(hook_);
  KillTimer(nullptr, timer_);
  current = nullptr;
  for (const Expectation& expectation : expected_)
    ADD_FAILURE() << "expected " << expectation.Describe() << ", but it never appeared";
}

DialogDriver& DialogDriver::ExpectDialog(DialogScript script) {
  Expectation expectation;
  expectation.script = std::move(script);
  expected_.push_back(std::move(expectation));
  return *this;
}

DialogDriver& DialogDriver::ExpectDialog(std::wstring caption, DialogScript script) {
  ExpectDialog(std::move(script));
  expected_.back().caption = std::move(caption);
  expected_.back().checkCaption = true;
  return *this;
}

DialogDriver& DialogDriver::ExpectMessageBox(std::wstring text, std::wstring caption, int answer) {
  Expectation expectation;
  expectation.messageBox = true;
  expectation.text = std::move(text);
  expectation.caption = std::move(caption);
  expectation.answer = answer;
  expected_.push_back(std::move(expectation));
  return *this;
}

LRESULT CALLBACK DialogDriver::CbtHook(int code, WPARAM wParam, LPARAM lParam) {
  if (current && code == HCBT_ACTIVATE && wParam) current->Adopt(reinterpret_cast<HWND>(wParam));
  if (current && code == HCBT_DESTROYWND) current->Forget(reinterpret_cast<HWND>(wParam));
  return CallNextHookEx(nullptr, code, wParam, lParam);
}

void CALLBACK DialogDriver::Tick(HWND, UINT, UINT_PTR, DWORD) {
  if (current) current->OnTick();
}

BOOL CALLBACK DialogDriver::AdoptIfShown(HWND window, LPARAM driver) {
  if (IsWindowVisible(window)) reinterpret_cast<DialogDriver*>(driver)->Adopt(window);
  return TRUE;
}

bool DialogDriver::Knows(HWND window) const {
  return std::any_of(runs_.begin(), runs_.end(), [window](const auto& run) { return run->window == window; });
}

// Windows are matched to expectations in the order they show (see OnTick).
void DialogDriver::Adopt(HWND window) {
  if (!IsDialogWindow(window) || Knows(window)) return;
  auto run = std::make_shared<Run>();
  run->window = window;
  run->opened = GetTickCount();
  runs_.push_back(std::move(run));
}

void DialogDriver::Forget(HWND window) {
  runs_.erase(std::remove_if(runs_.begin(), runs_.end(),
                             [window](const auto& run) { return run->window == window; }),
              runs_.end());
}

// Decides what the run does: its script, the answer to its message box, or
// closing a window that does not match.
bool DialogDriver::Check(Run& run) {
  const bool messageBox = IsMessageBox(run.window);
  if (messageBox) messageBoxes_.push_back(ReadMessageBox(run.window));
  if (!run.expected || run.expected->messageBox != messageBox) {
    ADD_FAILURE() << (run.expected ? "expected " + run.expected->Describe() + ", but " : "unexpected ")
                  << DescribeWindow(run.window) << " opened";
    return false;
  }
  const Expectation& expected = *run.expected;
  if (messageBox) {
    const MessageBoxSeen& seen = messageBoxes_.back();
    EXPECT_EQ(expected.text, seen.text) << "text of " << Describe(seen);
    EXPECT_EQ(expected.caption, seen.caption) << "caption of " << Describe(seen);
    int answer = expected.answer;
    run.steps.push_back([seen, answer](HWND box) {
      if (std::find(seen.buttons.begin(), seen.buttons.end(), answer) != seen.buttons.end()) {
        ClickButton(box, answer);
        return;
      }
      ADD_FAILURE() << Describe(seen) << " has no button " << answer << " to answer with";
      EndDialog(box, answer);
    });
    return true;
  }
  if (expected.checkCaption) {
    EXPECT_EQ(expected.caption, WindowText(run.window)) << "caption of the dialog";
  }
  run.steps = expected.script.Steps();
  return true;
}

void DialogDriver::OnTick() {
  // A window activated while another program held the foreground may have
  // slipped past the hook.
  EnumThreadWindows(GetCurrentThreadId(), &AdoptIfShown, reinterpret_cast<LPARAM>(this));
  runs_.erase(std::remove_if(runs_.begin(), runs_.end(), [](const auto& run) { return !IsWindow(run->window); }),
              runs_.end());
  if (runs_.empty()) return;

  // Only the innermost window takes input; the ones below wait for it.
  std::shared_ptr<Run> run = runs_.back();
  if (run->busy || run->closing) return;
  auto close = [&run] {
    run->closing = true;
    EndDialog(run->window, IDCANCEL);
  };
  if (GetTickCount() - run->opened > timeoutMs_) {
    ADD_FAILURE() << DescribeWindow(run->window) << " was still open after " << timeoutMs_
                  << " ms; closing it";
    close();
    return;
  }
  if (!IsWindowVisible(run->window)) return;  // not yet shown: nothing a user could act on
  if (!run->checked) {
    run->checked = true;
    // Matched only once shown: a dialog that ends inside WM_INITDIALOG is
    // still activated when a message box it owned closes, but never shows,
    // and must not take the next window's expectation.
    if (!expected_.empty()) {
      run->expected = std::move(expected_.front());
      expected_.pop_front();
    }
    if (!Check(*run)) {
      close();
      return;
    }
  }
  if (run->next < run->steps.size()) {
    run->busy = true;
    run->steps[run->next++](run->window);
    run->busy = false;
  }
}

}  // namespace wintest

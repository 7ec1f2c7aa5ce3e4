// Drives the modal dialogs and message boxes that code under test opens on
// the current thread, the way conformance tests of a dialog manager do.
//
// While a DialogDriver lives, a WH_CBT hook sees every dialog and message box
// of this thread as it is activated and matches it, in order, against the
// queued expectations:
//   - an expected dialog gets its DialogScript played from a timer inside its
//     own message loop; after the last step it must have closed itself;
//   - an expected message box has its text and caption checked exactly and is
//     answered by clicking the given button.
// A window nobody expected, one of the wrong kind, a wrong text, or a window
// still open after the timeout fails the test, and the window is closed
// (EndDialog with IDCANCEL), so a faulty dialog never blocks a test. An
// expectation still queued when the driver is destroyed fails the test too.
//
//   wintest::DialogDriver driver;
//   driver.ExpectDialog(wintest::DialogScript().Click(IDOK))
//         .ExpectMessageBox(L"Please enter a name.", L"Smoke Warning", IDOK);
//   INT_PTR result = DialogBoxParamW(...);
//
// One driver per thread at a time.
#pragma once

#include "wintest/dialog_script.h"
#include "wintest/message_box.h"

#include <windows.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace wintest {

class DialogDriver {
 public:
  static constexpr DWORD kDefaultTimeoutMs = 10000;

  // timeoutMs: how long any one window may stay open (scaled, time_scale.h).
  explicit DialogDriver(DWORD timeoutMs = kDefaultTimeoutMs);
  ~DialogDriver();
  DialogDriver(const DialogDriver&) = delete;
  DialogDriver& operator=(const DialogDriver&) = delete;

  // The next window is a dialog; it runs the script.
  DialogDriver& ExpectDialog(DialogScript script);
  // The same, and its caption must be exactly this.
  DialogDriver& ExpectDialog(std::wstring caption, DialogScript script);
  // The next window is a message box with exactly this text and caption; it
  // is answered with the button `answer` (IDOK, IDCANCEL, IDYES, ...).
  DialogDriver& ExpectMessageBox(std::wstring text, std::wstring caption, int answer);

  // Every message box seen so far, expected or not, in the order they opened.
  const std::vector<MessageBoxSeen>& MessageBoxes() const { return messageBoxes_; }

 private:
  struct Expectation;
  struct Run;

  static LRESULT CALLBACK CbtHook(int code, WPARAM wParam, LPARAM lParam);
  static void CALLBACK Tick(HWND, UINT, UINT_PTR, DWORD);
  static BOOL CALLBACK AdoptIfShown(HWND window, LPARAM driver);

  void Adopt(HWND window);
  void Forget(HWND window);
  bool Knows(HWND window) const;
  bool Check(Run& run);
  void OnTick();

  DWORD timeoutMs_;
  HHOOK hook_ = nullptr;
  UINT_PTR timer_ = 0;
  std::deque<Expectation> expected_;
  std::vector<std::shared_ptr<Run>> runs_;  // open windows, innermost last
  std::vector<MessageBoxSeen> messageBoxes_;
};

}  // namespace wintest

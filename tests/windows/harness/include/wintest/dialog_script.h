// The steps a test plays against one modal dialog, from inside the dialog's
// own message loop (see DialogDriver). Steps run one per timer tick, so the
// input that one step posts is handled before the next step runs.
//
//   DialogScript()
//       .Type(IDC_NAME, L"trunk0")
//       .SelectListItem(IDC_MEMBERS, 1)
//       .Do([](HWND dialog) { EXPECT_TRUE(wintest::IsControlEnabled(dialog, IDOK)); })
//       .Click(IDOK);
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace wintest {

class DialogScript {
 public:
  using Step = std::function<void(HWND dialog)>;

  // Any action or check; gtest assertions inside report to the running test.
  DialogScript& Do(Step step);

  DialogScript& Click(int id);
  DialogScript& Focus(int id);
  DialogScript& Type(int id, std::wstring text);
  DialogScript& Press(UINT virtualKey);
  DialogScript& SelectListItem(int id, int position);
  DialogScript& SelectListItems(int id, std::vector<int> positions);
  DialogScript& DoubleClickListItem(int id, int position);
  DialogScript& SelectComboItem(int id, int position);
  // Saves a picture of the dialog as it is at this step (a BMP file).
  DialogScript& Screenshot(std::wstring path);

  const std::vector<Step>& Steps() const { return steps_; }

 private:
  std::vector<Step> steps_;
};

}  // namespace wintest

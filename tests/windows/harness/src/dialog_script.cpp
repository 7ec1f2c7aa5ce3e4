#include "wintest/dialog_script.h"

#include "wintest/controls.h"
#include "wintest/screenshot.h"

#include <utility>

namespace wintest {

DialogScript& DialogScript::Do(Step step) {
  steps_.push_back(std::move(step));
  return *this;
}

DialogScript& DialogScript::Click(int id) {
  return Do([id](HWND dialog) { ClickButton(dialog, id); });
}

DialogScript& DialogScript::Focus(int id) {
  return Do([id](HWND dialog) { FocusControl(dialog, id); });
}

DialogScript& DialogScript::Type(int id, std::wstring text) {
  return Do([id, text = std::move(text)](HWND dialog) { TypeText(dialog, id, text); });
}

DialogScript& DialogScript::Press(UINT virtualKey) {
  return Do([virtualKey](HWND dialog) { PressKey(dialog, virtualKey); });
}

DialogScript& DialogScript::SelectListItem(int id, int position) {
  return Do([id, position](HWND dialog) { wintest::SelectListItem(dialog, id, position); });
}

DialogScript& DialogScript::SelectListItems(int id, std::vector<int> positions) {
  return Do([id, positions = std::move(positions)](HWND dialog) {
    wintest::SelectListItems(dialog, id, positions);
  });
}

DialogScript& DialogScript::DoubleClickListItem(int id, int position) {
  return Do([id, position](HWND dialog) { wintest::DoubleClickListItem(dialog, id, position); });
}

DialogScript& DialogScript::SelectComboItem(int id, int position) {
  return Do([id, position](HWND dialog) { wintest::SelectComboItem(dialog, id, position); });
}

DialogScript& DialogScript::Screenshot(std::wstring path) {
  return Do([path = std::move(path)](HWND dialog) { SaveWindowBitmap(dialog, path); });
}

}  // namespace wintest

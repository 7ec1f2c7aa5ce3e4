// A dialog created from a real resource template, driven through the
// harness inside its own modal loop, and message boxes answered from the
// CBT hook.
#include "smoke_dialog.h"

#include <gtest/gtest.h>

#include <wintest/controls.h>
#include <wintest/dialog_driver.h>

#include <cstdint>
#include <cstdio>
#include <set>
#include <vector>

using wintest::DialogDriver;
using wintest::DialogScript;

TEST(SmokeDialog, TypedNameAndChoicesComeBackAfterOk) {
  DialogDriver driver;
  driver.ExpectDialog(L"Smoke Dialog", DialogScript()
                                           .Type(IDC_NAME, L"trunk0")
                                           .SelectListItem(IDC_ITEMS, 1)
                                           .SelectComboItem(IDC_SPEED, 2)
                                           .Click(IDC_ENABLED)
                                           .Do([](HWND dialog) {
                                             EXPECT_EQ(L"trunk0", wintest::ControlText(dialog, IDC_NAME));
                                             EXPECT_EQ(std::vector<int>{1}, wintest::ListSelection(dialog, IDC_ITEMS));
                                             EXPECT_EQ(2, wintest::ComboSelection(dialog, IDC_SPEED));
                                             EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_ENABLED));
                                           })
                                           .Click(IDOK));
  SmokeChoice choice;
  EXPECT_EQ(IDOK, RunSmokeDialog(nullptr, &choice));
  EXPECT_EQ(L"trunk0", choice.name);
  EXPECT_EQ(1, choice.item);
  EXPECT_EQ(2, choice.speed);
  EXPECT_TRUE(choice.enabled);
}

TEST(SmokeDialog, InitialisedListsAreReadBack) {
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Do([](HWND dialog) {
                            EXPECT_EQ((std::vector<std::wstring>{L"alpha", L"beta", L"gamma"}),
                                      wintest::ListItems(dialog, IDC_ITEMS));
                            EXPECT_TRUE(wintest::ListSelection(dialog, IDC_ITEMS).empty());
                            EXPECT_EQ((std::vector<std::wstring>{L"Automatic", L"10 Mb/s", L"100 Mb/s"}),
                                      wintest::ComboItems(dialog, IDC_SPEED));
                            EXPECT_EQ(0, wintest::ComboSelection(dialog, IDC_SPEED));
                            EXPECT_EQ(IDC_NAME, wintest::FocusedControlId(dialog)) << "first tab stop has the focus";
                          })
                          .Click(IDCANCEL));
  SmokeChoice choice;
  EXPECT_EQ(IDCANCEL, RunSmokeDialog(nullptr, &choice));
}

TEST(SmokeDialog, SelectingAnItemEnablesDetails) {
  HWND dialogWindow = nullptr;
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Do([&](HWND dialog) {
                          dialogWindow = dialog;
                          EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_DETAILS)) << "nothing selected yet";
                        })
                        .SelectListItem(IDC_ITEMS, 1)
                        .Do([](HWND dialog) {
                          EXPECT_TRUE(wintest::IsControlEnabled(dialog, IDC_DETAILS))
                              << "selection change was notified to the dialog";
                        })
                        .Click(IDC_DETAILS)
                        .Click(IDCANCEL))
      .ExpectMessageBox(L"Selected: beta", L"Smoke Details", IDOK);
  SmokeChoice choice;
  EXPECT_EQ(IDCANCEL, RunSmokeDialog(nullptr, &choice));
  ASSERT_EQ(1u, driver.MessageBoxes().size());
  EXPECT_EQ(dialogWindow, driver.MessageBoxes()[0].owner) << "the dialog owns its message box";
  EXPECT_TRUE(driver.MessageBoxes()[0].hasIcon) << "MB_ICONINFORMATION shows an icon";
}

TEST(SmokeDialog, EmptyNameIsRefusedWithAWarning) {
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Click(IDOK)
                        .Do([](HWND dialog) {
                          EXPECT_EQ(IDC_NAME, wintest::FocusedControlId(dialog)) << "focus back on the name";
                        })
                        .Type(IDC_NAME, L"x")
                        .Press(VK_RETURN))
      .ExpectMessageBox(L"Please enter a name.", L"Smoke Warning", IDOK);
  SmokeChoice choice;
  EXPECT_EQ(IDOK, RunSmokeDialog(nullptr, &choice)) << "Enter pushes the default button";
  EXPECT_EQ(L"x", choice.name);
  ASSERT_EQ(1u, driver.MessageBoxes().size());
  EXPECT_EQ(std::vector<int>{IDOK}, driver.MessageBoxes()[0].buttons) << "MB_OK offers OK only";
}

TEST(SmokeDialog, CancelAfterTypingAsksAndCanBeTakenBack) {
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Type(IDC_NAME, L"abc")
                        .Click(IDCANCEL)
                        .Do([](HWND dialog) {
                          EXPECT_EQ(L"abc", wintest::ControlText(dialog, IDC_NAME)) << "still open after Cancel";
                        })
                        .Click(IDCANCEL))
      .ExpectMessageBox(L"Discard the name you typed?", L"Smoke Question", IDCANCEL)
      .ExpectMessageBox(L"Discard the name you typed?", L"Smoke Question", IDOK);
  SmokeChoice choice;
  EXPECT_EQ(IDCANCEL, RunSmokeDialog(nullptr, &choice));
  ASSERT_EQ(2u, driver.MessageBoxes().size());
  EXPECT_EQ((std::vector<int>{IDOK, IDCANCEL}), driver.MessageBoxes()[0].buttons);
}

TEST(SmokeDialog, DoubleClickedItemBecomesTheName) {
  DialogDriver driver;
  driver.ExpectDialog(DialogScript().DoubleClickListItem(IDC_ITEMS, 2).Press(VK_RETURN));
  SmokeChoice choice;
  EXPECT_EQ(IDOK, RunSmokeDialog(nullptr, &choice));
  EXPECT_EQ(L"gamma", choice.name);
  EXPECT_EQ(2, choice.item);
}

TEST(SmokeDialog, TabAndEscapeGoThroughTheDialogLoop) {
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Focus(IDC_NAME)
                          .Press(VK_TAB)
                          .Do([](HWND dialog) {
                            EXPECT_EQ(IDC_ITEMS, wintest::FocusedControlId(dialog)) << "Tab follows template order";
                          })
                          .Press(VK_ESCAPE));
  SmokeChoice choice;
  EXPECT_EQ(IDCANCEL, RunSmokeDialog(nullptr, &choice));
}

TEST(SmokeDialog, NestedDialogRunsItsScriptWhileTheOuterWaits) {
  SmokeChoice inner;
  INT_PTR innerResult = 0;
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Do([&](HWND dialog) { innerResult = RunSmokeDialog(dialog, &inner); })
                        .Type(IDC_NAME, L"outer")
                        .Click(IDOK))
      .ExpectDialog(DialogScript().Type(IDC_NAME, L"inner").Click(IDOK));
  SmokeChoice outer;
  EXPECT_EQ(IDOK, RunSmokeDialog(nullptr, &outer));
  EXPECT_EQ(IDOK, innerResult);
  EXPECT_EQ(L"inner", inner.name) << "the inner dialog got its own input";
  EXPECT_EQ(L"outer", outer.name) << "the outer script went on after the inner dialog closed";
}

TEST(SmokeDialog, MissingTemplateGivesMinusOne) {
  DialogDriver driver;  // fails the test if any window opens
  SmokeChoice choice;
  SetLastError(0);
  EXPECT_EQ(-1, RunSmokeDialog(nullptr, &choice, IDD_NOT_IN_RESOURCES));
  EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());
}

namespace {

// Size and distinct colours of a 32-bit bottom-up BMP file.
struct Picture {
  int width = 0;
  int height = 0;
  size_t colours = 0;
};

bool ReadPicture(const wchar_t* path, Picture* picture) {
  FILE* file = _wfopen(path, L"rb");
  if (!file) return false;
  BITMAPFILEHEADER fileHeader;
  BITMAPINFOHEADER header;
  bool ok = fread(&fileHeader, sizeof fileHeader, 1, file) == 1 && fread(&header, sizeof header, 1, file) == 1 &&
            fileHeader.bfType == 0x4D42 && header.biBitCount == 32 && header.biWidth > 0 && header.biHeight > 0;
  std::vector<uint32_t> pixels;
  if (ok) {
    pixels.resize(static_cast<size_t>(header.biWidth) * header.biHeight);
    ok = fread(pixels.data(), 4, pixels.size(), file) == pixels.size();
  }
  fclose(file);
  if (!ok) return false;
  picture->width = header.biWidth;
  picture->height = header.biHeight;
  picture->colours = std::set<uint32_t>(pixels.begin(), pixels.end()).size();
  return true;
}

}  // namespace

TEST(SmokeDialog, ScreenshotShowsTheRenderedDialog) {
  const wchar_t* path = L"smoke_dialog.bmp";  // kept in the test's directory for people to look at
  _wremove(path);
  RECT frame = {};
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Type(IDC_NAME, L"picture")
                          .SelectListItem(IDC_ITEMS, 0)
                          .Do([&](HWND dialog) { GetWindowRect(dialog, &frame); })
                          .Screenshot(path)
                          .Click(IDOK));
  SmokeChoice choice;
  EXPECT_EQ(IDOK, RunSmokeDialog(nullptr, &choice));
  Picture picture;
  ASSERT_TRUE(ReadPicture(path, &picture)) << "a readable 32-bit BMP file";
  EXPECT_EQ(frame.right - frame.left, picture.width);
  EXPECT_EQ(frame.bottom - frame.top, picture.height);
  EXPECT_GE(picture.colours, 4u) << "frame, face, text and selection drawn, not a blank rectangle";
}

TEST(SmokeMessageBox, TextCaptionAndButtonsAreSeenAndTheAnswerReturned) {
  DialogDriver driver;
  driver.ExpectMessageBox(L"Line one\nLine two", L"Smoke Caption", IDCANCEL);
  EXPECT_EQ(IDCANCEL, MessageBoxW(nullptr, L"Line one\nLine two", L"Smoke Caption", MB_OKCANCEL));
  ASSERT_EQ(1u, driver.MessageBoxes().size());
  const wintest::MessageBoxSeen& seen = driver.MessageBoxes()[0];
  EXPECT_EQ(nullptr, seen.owner) << "opened without an owner window";
  EXPECT_EQ((std::vector<int>{IDOK, IDCANCEL}), seen.buttons);
  EXPECT_FALSE(seen.hasIcon) << "no MB_ICON flag, no icon";
}

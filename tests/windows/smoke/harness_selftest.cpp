// The harness turns every surprise into a test failure and closes the window
// instead of blocking: each case here must produce exactly one failure.
#include "smoke_dialog.h"

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <string>

#include <wintest/dialog_driver.h>
#include <wintest/time_scale.h>

using wintest::DialogDriver;
using wintest::DialogScript;

TEST(HarnessSelfTest, UnexpectedMessageBoxFailsAndIsClosed) {
  int answer = 0;
  auto run = [&] {
    DialogDriver driver;
    answer = MessageBoxW(nullptr, L"Surprise", L"Smoke", MB_OK);
  };
  EXPECT_NONFATAL_FAILURE(run(), "unexpected message box \"Smoke\" saying \"Surprise\"");
  EXPECT_EQ(IDCANCEL, answer) << "closed by the harness";
}

TEST(HarnessSelfTest, MessageBoxWithOtherTextFails) {
  auto run = [] {
    DialogDriver driver;
    driver.ExpectMessageBox(L"Expected text", L"Smoke", IDOK);
    MessageBoxW(nullptr, L"Other text", L"Smoke", MB_OK);
  };
  EXPECT_NONFATAL_FAILURE(run(), "text of message box");
}

TEST(HarnessSelfTest, AnswerTheBoxDoesNotOfferFails) {
  int answer = 0;
  auto run = [&] {
    DialogDriver driver;
    driver.ExpectMessageBox(L"OK only", L"Smoke", IDCANCEL);
    answer = MessageBoxW(nullptr, L"OK only", L"Smoke", MB_OK);
  };
  EXPECT_NONFATAL_FAILURE(run(), "has no button 2");
  EXPECT_EQ(IDCANCEL, answer) << "the box still ends with the intended answer";
}

TEST(HarnessSelfTest, MessageBoxInsteadOfDialogFails) {
  auto run = [] {
    DialogDriver driver;
    driver.ExpectDialog(L"Smoke Dialog", DialogScript());
    MessageBoxW(nullptr, L"Not a dialog", L"Smoke", MB_OK);
  };
  EXPECT_NONFATAL_FAILURE(run(), "expected dialog \"Smoke Dialog\", but message box \"Smoke\"");
}

TEST(HarnessSelfTest, ExpectedWindowThatNeverOpensFails) {
  auto run = [] {
    DialogDriver driver;
    driver.ExpectMessageBox(L"Never shown", L"Smoke", IDOK);
  };
  EXPECT_NONFATAL_FAILURE(run(), "never appeared");
}

TEST(HarnessSelfTest, DialogLeftOpenIsClosedAfterTheTimeout) {
  INT_PTR result = 0;
  auto run = [&] {
    DialogDriver driver(300);
    driver.ExpectDialog(DialogScript());
    SmokeChoice choice;
    result = RunSmokeDialog(nullptr, &choice);
  };
  EXPECT_NONFATAL_FAILURE(run(), "still open after " + std::to_string(wintest::ScaledMs(300)) + " ms");
  EXPECT_EQ(IDCANCEL, result);
}

TEST(HarnessSelfTest, ClickOnDisabledButtonFailsAndDoesNothing) {
  std::vector<wintest::MessageBoxSeen> boxes;
  auto run = [&] {
    DialogDriver driver;
    driver.ExpectDialog(DialogScript().Click(IDC_DETAILS).Click(IDCANCEL));
    SmokeChoice choice;
    RunSmokeDialog(nullptr, &choice);
    boxes = driver.MessageBoxes();
  };
  EXPECT_NONFATAL_FAILURE(run(), "it is disabled");
  EXPECT_TRUE(boxes.empty()) << "the disabled Details button opened nothing";
}

TEST(HarnessSelfTest, ActionOnMissingControlFails) {
  auto run = [] {
    DialogDriver driver;
    driver.ExpectDialog(DialogScript().Type(4242, L"x").Click(IDCANCEL));
    SmokeChoice choice;
    RunSmokeDialog(nullptr, &choice);
  };
  EXPECT_NONFATAL_FAILURE(run(), "has no control 4242");
}

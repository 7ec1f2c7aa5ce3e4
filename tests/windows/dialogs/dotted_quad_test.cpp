// The dotted-quad address field: its text rules on their own, then typed
// into the destination and netmask fields of the rule entry dialog.
#include <wintest/controls.h>
#include <wintest/dialog_driver.h>

#include "dialog_test_support.h"
#include "dialogs/dotted_quad.h"

using wintest::DialogDriver;
using wintest::DialogScript;

namespace {

const wchar_t kError[] = L"Tamrix - Error";

NormalizedDottedQuad Normalize(const std::string& text)
{
  return NormalizeDottedQuad(text.c_str(), static_cast<int>(text.size()));
}

TEST(DottedQuadText, FormatsLeftAlignedSlots)
{
  EXPECT_STREQ("10 .0  .0  .1  ", FormatDottedQuad(0x0A000001).text);
  EXPECT_STREQ("255.255.255.0  ", FormatDottedQuad(0xFFFFFF00).text);
  EXPECT_STREQ("0  .0  .0  .0  ", FormatDottedQuad(0).text);
}

TEST(DottedQuadText, TypingIntoASlotMovesTheCaretOnWhenItIsFull)
{
  NormalizedDottedQuad one = Normalize("1   .   .   .   ");
  EXPECT_STREQ("1  .   .   .   ", one.text);
  EXPECT_EQ(1, one.caret);
  NormalizedDottedQuad two = Normalize("19  .   .   .   ");
  EXPECT_STREQ("19 .   .   .   ", two.text);
  EXPECT_EQ(2, two.caret);
  NormalizedDottedQuad full = Normalize("192 .   .   .   ");
  EXPECT_STREQ("192.   .   .   ", full.text);
  EXPECT_EQ(4, full.caret) << "start of slot 1";
  NormalizedDottedQuad last = Normalize("1  .2  .3  .255 ");
  EXPECT_STREQ("1  .2  .3  .255", last.text);
  EXPECT_EQ(15, last.caret) << "a full slot 3 puts the caret at the end";
  EXPECT_TRUE(last.valid);
}

TEST(DottedQuadText, ATypedDotClosesTheSlotEarly)
{
  NormalizedDottedQuad closed = Normalize("19. .   .   .   ");
  EXPECT_STREQ("19 .   .   .   ", closed.text);
  EXPECT_EQ(4, closed.caret);
  NormalizedDottedQuad second = Normalize("10 .0.  .   .   ");
  EXPECT_STREQ("10 .0  .   .   ", second.text);
  EXPECT_EQ(8, second.caret);
  NormalizedDottedQuad onItsOwnDot = Normalize("192..   .   .   ");
  EXPECT_STREQ("192.   .   .   ", onItsOwnDot.text) << "a dot at a slot's start is swallowed";
  EXPECT_EQ(4, onItsOwnDot.caret);
}

TEST(DottedQuadText, BadInputIsDroppedOrCappedAndMarkedInvalid)
{
  NormalizedDottedQuad letter = Normalize("a   .   .   .   ");
  EXPECT_FALSE(letter.valid);
  EXPECT_STREQ("   .   .   .   ", letter.text) << "the letter is dropped";
  EXPECT_EQ(0, letter.caret);
  NormalizedDottedQuad large = Normalize("300 .   .   .   ");
  EXPECT_FALSE(large.valid);
  EXPECT_STREQ("255.   .   .   ", large.text);
  NormalizedDottedQuad gap = Normalize("1 2.   .   .   ");
  EXPECT_FALSE(gap.valid) << "a digit after a gap";
  EXPECT_STREQ("1  .   .   .   ", gap.text);
  NormalizedDottedQuad deletedDot = Normalize("192   .   .   ");
  EXPECT_TRUE(deletedDot.valid);
  EXPECT_STREQ("192.   .   .   ", deletedDot.text) << "a deleted dot comes back";
  NormalizedDottedQuad huge = Normalize(std::string(40, '9'));
  EXPECT_FALSE(huge.valid);
  EXPECT_STREQ("255.   .   .   ", huge.text);
  EXPECT_TRUE(Normalize("10 .0  .0  .1  ").valid);
  EXPECT_EQ(DOTTED_QUAD_CARET_FROM_TEXT, Normalize("10 .0  .0  .1  ").caret) << "nothing claimed the caret";
}

TEST(DottedQuadText, CaretFromTextFollowsTheLastDigit)
{
  EXPECT_EQ(0, DottedQuadCaretFromText(DOTTED_QUAD_MASK));
  EXPECT_EQ(2, DottedQuadCaretFromText("19 .   .   .   "));
  EXPECT_EQ(4, DottedQuadCaretFromText("192.   .   .   "));
  EXPECT_EQ(13, DottedQuadCaretFromText("10 .0  .0  .1  "));
  EXPECT_EQ(12, DottedQuadCaretFromText("10 .0  .255.   "));
  EXPECT_EQ(15, DottedQuadCaretFromText("1  .1  .1  .255"));
}

TEST(DottedQuadText, ParsesFourNumbersBelow256)
{
  uint32_t value = 1;
  EXPECT_TRUE(ParseDottedQuad("10 .0  .0  .1  ", &value));
  EXPECT_EQ(0x0A000001u, value);
  EXPECT_TRUE(ParseDottedQuad("   .   .   .   ", &value)) << "blank slots read as 0";
  EXPECT_EQ(0u, value);
  EXPECT_TRUE(ParseDottedQuad("1..2.3.4", &value)) << "a run of dots separates once";
  EXPECT_EQ(0x01020304u, value);
  for (const char* bad : {"1.2.3", "256.0.0.0", "1.2.3.-4", ""}) {
    value = 1;
    EXPECT_FALSE(ParseDottedQuad(bad, &value)) << "\"" << bad << "\"";
    EXPECT_EQ(0u, value) << "failure gives 0 for \"" << bad << "\"";
  }
}

// The fields of the entry dialog, on an IP rule with the destination enabled.
class DottedQuadField : public DialogTest {
 protected:
  void SetUp() override
  {
    DialogTest::SetUp();
    Load(TextList(TrunkSublist("T", 2, "", PortsEntry("K250", 0, 4) + "," + PortsEntry("K250", 0, 5))));
    rule_ = New_Priority(2);
    rule_->netproto = NETPROTO_IP;
    rule_->destenable = 1;
    Set_Dialog_Context(1, static_cast<int32_t>(NETPROTO_IP), rule_);
  }
  void TearDown() override
  {
    Free_Priority(rule_);
    DialogTest::TearDown();
  }
  INT_PTR Open() { return OpenDialog(IDD_PRIORITY_ENTRY, PriorityEntryDialogProc); }

  PriorityTrunk* rule_ = nullptr;
};

int Caret(HWND dialog, int field)
{
  DWORD start = 0, end = 0;
  SendDlgItemMessageW(dialog, field, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
  return start == end ? static_cast<int>(start) : -1;
}

auto Shows(int field, const wchar_t* text, int caret)
{
  return [=](HWND dialog) {
    EXPECT_EQ(text, wintest::ControlText(dialog, field));
    EXPECT_EQ(caret, Caret(dialog, field)) << "caret in \"" << text << "\"";
  };
}

TEST_F(DottedQuadField, EmptyFieldGetsTheMaskAndTypingFollowsTheSlots)
{
  // The rule's zero address shows as "0  .0  .0  .0  "; clearing it first.
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Do([](HWND dialog) { SetDlgItemTextW(dialog, IDC_DEST_ADDRESS, L""); })
                          .Focus(IDC_DEST_ADDRESS)
                          .Do(Shows(IDC_DEST_ADDRESS, L"   .   .   .   ", 0))
                          .Type(IDC_DEST_ADDRESS, L"192")
                          .Do(Shows(IDC_DEST_ADDRESS, L"192.   .   .   ", 4))
                          .Press(VK_ESCAPE));
  EXPECT_EQ(IDCANCEL, Open());
}

TEST_F(DottedQuadField, TypedAddressIsStoredWhenTheFieldIsLeft)
{
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Click(IDC_DEST_ENABLE)
                          .Click(IDC_DEST_ENABLE)  // re-enabled: the empty mask for address 0
                          .Do(Shows(IDC_DEST_ADDRESS, L"   .   .   .   ", 0))
                          .Focus(IDC_DEST_ADDRESS)
                          .Do(TypeIntoFocus(L"10.0.0.1"))  // not Type(): that selects the text first
                          .Do(Shows(IDC_DEST_ADDRESS, L"10 .0  .0  .1  ", 13))
                          .Focus(IDC_NETMASK)
                          .Do([this](HWND) { EXPECT_EQ(0x0A000001u, rule_->destaddr); })
                          .Press(VK_ESCAPE));
  EXPECT_EQ(IDCANCEL, Open());
  EXPECT_EQ(0x0A000001u, rule_->destaddr) << "stored before Cancel, and kept";
}

TEST_F(DottedQuadField, NumbersAbove255AndLettersAreReportedAndCorrected)
{
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Click(IDC_DEST_ENABLE)
                        .Click(IDC_DEST_ENABLE)
                        .Focus(IDC_NETMASK)
                        .Do(TypeIntoFocus(L"300"))
                        .Do(Shows(IDC_NETMASK, L"255.   .   .   ", 4))
                        .Do(TypeIntoFocus(L"x"))
                        .Do(Shows(IDC_NETMASK, L"255.   .   .   ", 4))
                        .Focus(IDC_DEST_ADDRESS)
                        .Press(VK_ESCAPE))
      .ExpectMessageBox(L"Invalid dotted-quad address input!", kError, IDOK)
      .ExpectMessageBox(L"Invalid dotted-quad address input!", kError, IDOK);
  EXPECT_EQ(IDCANCEL, Open());
  EXPECT_EQ(0u, rule_->netmask) << "a refused input clears the flag: leaving stores nothing";
}

TEST_F(DottedQuadField, UnchangedMaskIsNotParsedButABlankedAddressIsZero)
{
  rule_->destaddr = 0x01020304;
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Focus(IDC_DEST_ADDRESS)
                          .Focus(IDC_NETMASK)
                          .Do([this](HWND) { EXPECT_EQ(0x01020304u, rule_->destaddr) << "no change, no store"; })
                          .Focus(IDC_DEST_ADDRESS)
                          .Do([](HWND dialog) {
                            // Select all and delete: the field falls back to the blank mask.
                            HWND field = GetDlgItem(dialog, IDC_DEST_ADDRESS);
                            SendMessageW(field, EM_SETSEL, 0, -1);
                            PostMessageW(field, WM_CHAR, L'\b', 1);
                          })
                          .Do(Shows(IDC_DEST_ADDRESS, L"   .   .   .   ", 0))
                          .Focus(IDC_NETMASK)
                          .Press(VK_ESCAPE));
  EXPECT_EQ(IDCANCEL, Open());
  EXPECT_EQ(0u, rule_->destaddr) << "blank slots after a change store 0.0.0.0";
}

TEST_F(DottedQuadField, EmptiedFieldIsMissingInputOnLeaving)
{
  rule_->destaddr = 0x01020304;
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Focus(IDC_DEST_ADDRESS)
                        .Do(TypeIntoFocus(L"5"))
                        .Do([](HWND dialog) {
                          // Emptied by a program, the field reports no change of the user's.
                          SetDlgItemTextW(dialog, IDC_DEST_ADDRESS, L"");
                        })
                        .Focus(IDC_NETMASK)
                        .Do([](HWND dialog) {
                          EXPECT_EQ(IDC_DEST_ADDRESS, wintest::FocusedControlId(dialog)) << "focus given back";
                        })
                        .Press(VK_ESCAPE))
      .ExpectMessageBox(L"Missing dotted-quad address input!", kError, IDOK);
  EXPECT_EQ(IDCANCEL, Open());
  EXPECT_EQ(0x01020304u, rule_->destaddr) << "nothing stored";
}

}  // namespace

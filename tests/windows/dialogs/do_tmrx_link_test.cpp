// doTmrxLink called in-process, so that the tests also see the model it
// leaves behind.
#include <cstdio>
#include <cstdlib>

#include <wintest/controls.h>
#include <wintest/dialog_driver.h>

#include "dialog_test_support.h"
#include "dialogs/do_tmrx_link.h"

using wintest::DialogDriver;
using wintest::DialogScript;

namespace {

const wchar_t kMainCaption[] = L"Tamrix Port Aggregation Software";
const wchar_t kCalled[] = L"doTmrxLink called\n";

// A call with a window of this test as the owner.
class DoTmrxLinkTest : public DialogTest {
 protected:
  void SetUp() override
  {
    DialogTest::SetUp();
    owner_ = CreateWindowExW(0, L"STATIC", L"installer", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, owner_);
  }
  void TearDown() override
  {
    DestroyWindow(owner_);
    free(result_);
    DialogTest::TearDown();
  }
  std::string OwnerText(const char* format = "%08x")
  {
    char text[32];
    snprintf(text, sizeof text, format, static_cast<unsigned>(reinterpret_cast<uintptr_t>(owner_)));
    return text;
  }
  BOOLEAN Call(const std::string& list, const std::string& handle, int count = 2)
  {
    const char* args[] = {list.c_str(), handle.c_str()};
    result_ = const_cast<char*>("stale");
    BOOLEAN done = doTmrxLink(count, args, &result_);
    return done;
  }

  HWND owner_ = nullptr;
  char* result_ = nullptr;
};

TEST_F(DoTmrxLinkTest, CountOtherThanTwoIsRefusedBeforeTheCalledBox)
{
  for (int count : {1, 3}) {
    DialogDriver driver;
    driver.ExpectMessageBox(L"Invalid arguments to doTmrxLink, aborting!", L"FATAL", IDOK);
    EXPECT_EQ(0, Call(kExampleList, OwnerText(), count)) << "count " << count;
    EXPECT_EQ(nullptr, result_) << "*result is cleared first, count " << count;
    ASSERT_EQ(1u, driver.MessageBoxes().size()) << "only the FATAL box, no \"doTmrxLink called\"";
    EXPECT_EQ(nullptr, driver.MessageBoxes()[0].owner) << "FATAL boxes have no owner";
    EXPECT_EQ(std::vector<int>{IDOK}, driver.MessageBoxes()[0].buttons);
    EXPECT_FALSE(driver.MessageBoxes()[0].hasIcon);
  }
}

TEST_F(DoTmrxLinkTest, MissingArgumentsAreRefusedNotDereferenced)
{
  DialogDriver driver;
  driver.ExpectMessageBox(L"Invalid arguments to doTmrxLink, aborting!", L"FATAL", IDOK)
      .ExpectMessageBox(L"Invalid arguments to doTmrxLink, aborting!", L"FATAL", IDOK);
  char* result = const_cast<char*>("stale");
  EXPECT_EQ(0, doTmrxLink(2, nullptr, &result));
  EXPECT_EQ(nullptr, result);
  const char* args[] = {kExampleList, nullptr};
  EXPECT_EQ(0, doTmrxLink(2, args, &result));
  EXPECT_EQ(nullptr, result);
}

TEST_F(DoTmrxLinkTest, CalledBoxComesFirstEvenWhenTheListDoesNotRead)
{
  DialogDriver driver;
  driver.ExpectMessageBox(kCalled, L"uh", IDOK)
      .ExpectMessageBox(L"Parse Input: Expecting {, received a word, expecting start of overall list!", L"FATAL",
                        IDOK);
  EXPECT_EQ(0, Call("K250", OwnerText()));
  EXPECT_EQ(nullptr, result_);
  ASSERT_EQ(2u, driver.MessageBoxes().size());
  EXPECT_EQ(nullptr, driver.MessageBoxes()[0].owner) << "the called box has no owner";
  EXPECT_EQ(std::vector<int>{IDOK}, driver.MessageBoxes()[0].buttons);
  EXPECT_EQ(0, Adapter_Count() + Link_Count()) << "a failed read leaves the model empty";
}

TEST_F(DoTmrxLinkTest, EmptyModelIsNothingToProcess)
{
  DialogDriver driver;
  driver.ExpectMessageBox(kCalled, L"uh", IDOK)
      .ExpectMessageBox(L"Nothing to process, aborting!", L"FATAL", IDOK);
  EXPECT_EQ(0, Call("{ }", OwnerText()));
  EXPECT_EQ(nullptr, result_);
}

TEST_F(DoTmrxLinkTest, HandleTextWithoutHexDigitsIsRefused)
{
  DialogDriver driver;
  driver.ExpectMessageBox(kCalled, L"uh", IDOK)
      .ExpectMessageBox(L"Invalid dialog handle, aborting!", L"FATAL", IDOK);
  EXPECT_EQ(0, Call(kExampleList, "window"));
  EXPECT_EQ(nullptr, result_);
}

TEST_F(DoTmrxLinkTest, HandleThatNamesNoWindowIsRefused)
{
  // Scans as hexadecimal, but no window has it: refused before the dialog
  // manager would end the dialog with 0 and the model go back unedited.
  HWND gone = CreateWindowExW(0, L"STATIC", L"gone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  char text[16];
  snprintf(text, sizeof text, "%08x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(gone)));
  DestroyWindow(gone);
  DialogDriver driver;
  driver.ExpectMessageBox(kCalled, L"uh", IDOK)
      .ExpectMessageBox(L"Invalid dialog handle, aborting!", L"FATAL", IDOK);
  EXPECT_EQ(0, Call(kExampleList, text));
  EXPECT_EQ(nullptr, result_);
}

TEST_F(DoTmrxLinkTest, HandleTextFormsOwnTheMainDialog)
{
  // Eight digits with leading zeros, and a short upper-case text with "0x".
  for (const char* format : {"%08x", "0x%X", "  %x"}) {
    HWND owner = nullptr;
    DialogDriver driver;
    driver.ExpectMessageBox(kCalled, L"uh", IDOK)
        .ExpectDialog(kMainCaption, DialogScript()
                                        .Do([&](HWND dialog) { owner = GetWindow(dialog, GW_OWNER); })
                                        .Click(IDOK));
    EXPECT_EQ(1, Call(kExampleList, OwnerText(format))) << format;
    EXPECT_EQ(owner_, owner) << "the scanned window owns the dialog, format " << format;
    free(result_);
    result_ = nullptr;
  }
}

TEST_F(DoTmrxLinkTest, AdaptersWithoutTrunksOpenTheDialog)
{
  DialogDriver driver;
  driver.ExpectMessageBox(kCalled, L"uh", IDOK).ExpectDialog(kMainCaption, DialogScript().Click(IDOK));
  EXPECT_EQ(1, Call(kAdaptersOnlyList, OwnerText()));
  ASSERT_NE(nullptr, result_);
  EXPECT_STREQ("{\"{\"\"K100TX\"\",\"\"0\"\",\"\"9\"\"}\",\"{\"\"K100TX\"\",\"\"0\"\",\"\"10\"\"}\","
               "\"{\"\"K100TX\"\",\"\"0\"\",\"\"11\"\"}\"}",
               result_);
}

TEST_F(DoTmrxLinkTest, OkReturnsTheWholeModel)
{
  DialogDriver driver;
  driver.ExpectMessageBox(kCalled, L"uh", IDOK).ExpectDialog(kMainCaption, DialogScript().Click(IDOK));
  EXPECT_EQ(1, Call(kExampleList, OwnerText()));
  ASSERT_NE(nullptr, result_);
  EXPECT_STREQ(kExampleReturned, result_);
}

TEST_F(DoTmrxLinkTest, CancelReturnsBracesWhileTheModelKeepsTheEdits)
{
  DialogDriver driver;
  driver.ExpectMessageBox(kCalled, L"uh", IDOK)
      .ExpectDialog(kMainCaption, DialogScript()
                                      .Click(IDC_TYPE_FAILOVER)
                                      .SelectListItems(IDC_AVAILABLE_LIST, {0})
                                      .Click(IDC_ADD_INTERFACE)
                                      .Press(VK_ESCAPE))
      .ExpectMessageBox(L"You may need to adjust your Priority ports settings!", L"Tamrix Warning", IDOK);
  EXPECT_EQ(1, Call(kExampleList, OwnerText()));
  ASSERT_NE(nullptr, result_);
  EXPECT_STREQ("{}", result_);
  Link* trunk = First_Link();
  ASSERT_NE(nullptr, trunk) << "the model is not emptied on return";
  EXPECT_EQ(1, trunk->TrunkType) << "failover kept";
  EXPECT_EQ(3, trunk->NumAdapters) << "the K100TX was added and stays added";
}

TEST_F(DoTmrxLinkTest, SecondCallStartsFromAnEmptyModel)
{
  {
    DialogDriver driver;
    driver.ExpectMessageBox(kCalled, L"uh", IDOK).ExpectDialog(kMainCaption, DialogScript().Click(IDOK));
    ASSERT_EQ(1, Call(kExampleList, OwnerText()));
    free(result_);
  }
  DialogDriver driver;
  driver.ExpectMessageBox(kCalled, L"uh", IDOK).ExpectDialog(kMainCaption, DialogScript().Click(IDOK));
  EXPECT_EQ(1, Call(kAdaptersOnlyList, OwnerText()));
  EXPECT_EQ(0, Link_Count()) << "the first call's trunk is gone";
  EXPECT_EQ(3, Adapter_Count()) << "only the second list's adapters";
  ASSERT_NE(nullptr, First_Adapter());
  EXPECT_EQ(1, First_Adapter()->adapter_id) << "numbering starts again";
}

}  // namespace

namespace {

TEST_F(DoTmrxLinkTest, ZeroHandleRunsTheDialogWithoutOwner)
{
  HWND owner = owner_;
  DialogDriver driver;
  driver.ExpectMessageBox(kCalled, L"uh", IDOK)
      .ExpectDialog(kMainCaption, DialogScript()
                                      .Do([&](HWND dialog) { owner = GetWindow(dialog, GW_OWNER); })
                                      .Click(IDOK));
  EXPECT_EQ(1, Call(kExampleList, "00000000"));
  EXPECT_EQ(nullptr, owner);
}

}  // namespace

// "Priority Trunking Setup Dialog": the ordered rules of a trunk, with the
// entry dialog driven where a rule is added or modified.
#include <wintest/controls.h>
#include <wintest/dialog_driver.h>

#include "dialog_test_support.h"

using wintest::DialogDriver;
using wintest::DialogScript;

namespace {

const wchar_t kError[] = L"Tamrix - Error";
const wchar_t kLink[] = L"TamrixLink";
const wchar_t kEntryCaption[] = L"Priority Trunk Entry Particulars";

class PrioritySetupDialog : public DialogTest {
 protected:
  // One trunk of `members` K250 ports (LinkID 1) and, when asked, a second
  // trunk of three; no rules.
  Link* LoadTrunks(int members, bool second = false)
  {
    std::string ports;
    for (int i = 0; i < members; ++i) ports += (i ? "," : "") + PortsEntry("K250", 0, 4 + i);
    std::string list = TrunkSublist("First", 2, "", ports);
    if (second)
      list += "," + TrunkSublist("Second", 2, "",
                                 PortsEntry("K250", 1, 4) + "," + PortsEntry("K250", 1, 5) + "," + PortsEntry("K250", 1, 6));
    Load(TextList(list));
    return First_Link();
  }
  // Appends a default rule, then puts settled rules in front of it.
  static void AddRules(Link* link, std::initializer_list<uint32_t> netprotos)
  {
    PriorityTrunk* fallback = New_Priority(link->NumAdapters);
    Make_Default_Priority(fallback);
    Add_Priority(&link->Priorities, fallback);
    for (uint32_t netproto : netprotos) {
      PriorityTrunk* rule = New_Priority(1);
      rule->netproto = netproto;
      rule->cancel = 0;
      Render_Priority(rule);
      Add_Priority(&link->Priorities, rule);
    }
  }
  static INT_PTR Open(int position = 0)
  {
    Set_Dialog_Context(position, 0, nullptr);
    return OpenDialog(IDD_PRIORITY_SETUP, PrioritySetupDialogProc);
  }
  // The entry dialog choosing an Ethernet protocol row (the box has the
  // first focus) and confirming.
  static DialogScript ChooseProtocol(int row)
  {
    return DialogScript().SelectComboItem(IDC_NET_PROTOCOL, row).Click(IDOK);
  }
};

std::vector<std::wstring> Listed(HWND dialog) { return wintest::ListItems(dialog, IDC_RULE_LIST); }

TEST_F(PrioritySetupDialog, OpeningGivesTheTrunkADefaultRuleThatSurvivesCancel)
{
  Link* link = LoadTrunks(4, true);
  DialogDriver driver;
  driver.ExpectDialog(L"Priority Trunking Setup Dialog",
                      DialogScript()
                          .Do([](HWND dialog) {
                            EXPECT_EQ((std::vector<std::wstring>{L"First", L"Second"}),
                                      wintest::ComboItems(dialog, IDC_SETUP_TRUNK_BOX));
                            EXPECT_EQ(0, wintest::ComboSelection(dialog, IDC_SETUP_TRUNK_BOX));
                            EXPECT_EQ(std::vector<std::wstring>{L"Default priority: ports: 4"}, Listed(dialog));
                            EXPECT_TRUE(wintest::ListSelection(dialog, IDC_RULE_LIST).empty());
                            EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_DELETE_RULE));
                            EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_MOVE_UP));
                            EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_MOVE_DOWN));
                          })
                          .Click(IDCANCEL));
  EXPECT_EQ(IDCANCEL, Open());
  ASSERT_EQ(1, RuleCount(link)) << "the default rule is not provisional";
  EXPECT_TRUE(link->Priorities->defFlag);
  EXPECT_EQ(nullptr, Get_Nth_Link(1)->Priorities) << "the other trunk was never shown";
}

TEST_F(PrioritySetupDialog, NewRulesGoOnTopAndTheButtonsFollowTheCount)
{
  Link* link = LoadTrunks(4);
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Click(IDC_ADD_PRIORITY)
                        .Do([](HWND dialog) {
                          EXPECT_EQ((std::vector<std::wstring>{L"**IP ports: 4", L"Default priority: ports: 4"}),
                                    Listed(dialog));
                          EXPECT_TRUE(wintest::IsControlEnabled(dialog, IDC_DELETE_RULE));
                          EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_MOVE_UP)) << "two rules: no moves";
                        })
                        .Click(IDC_ADD_PRIORITY)
                        .Do([](HWND dialog) {
                          EXPECT_EQ(L"**IPX ports: 4", Listed(dialog).at(0));
                          EXPECT_TRUE(wintest::IsControlEnabled(dialog, IDC_MOVE_UP));
                          EXPECT_TRUE(wintest::IsControlEnabled(dialog, IDC_MOVE_DOWN));
                        })
                        .Click(IDOK))
      .ExpectDialog(kEntryCaption, ChooseProtocol(0))
      .ExpectDialog(kEntryCaption, ChooseProtocol(1));
  EXPECT_EQ(IDOK, Open());
  ASSERT_EQ(3, RuleCount(link));
  for (PriorityTrunk* rule = link->Priorities; rule; rule = rule->next)
    EXPECT_FALSE(rule->cancel) << "OK settles every rule";
}

TEST_F(PrioritySetupDialog, RulesWithoutAProtocolAreNotAdded)
{
  Link* link = LoadTrunks(2);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript().Click(IDC_ADD_PRIORITY).Click(IDC_ADD_PRIORITY).Click(IDC_ADD_PRIORITY).Click(IDOK))
      .ExpectDialog(kEntryCaption, DialogScript().Focus(IDC_PORTS).Click(IDOK))
      .ExpectMessageBox(L"Could not get selected item!", kError, IDOK)
      .ExpectDialog(kEntryCaption, ChooseProtocol(3))
      .ExpectDialog(kEntryCaption, DialogScript().SelectComboItem(IDC_NET_PROTOCOL, 2).Click(IDCANCEL));
  EXPECT_EQ(IDOK, Open());
  EXPECT_EQ(1, RuleCount(link)) << "empty protocol, \"(0)Other\" and a cancelled entry add nothing";
}

TEST_F(PrioritySetupDialog, MovesKeepTheDefaultRuleLast)
{
  Link* link = LoadTrunks(2);
  AddRules(link, {NETPROTO_IPX, NETPROTO_APPLETALK});  // AppleTalk, IPX, default
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .SelectListItem(IDC_RULE_LIST, 0)
                        .Click(IDC_MOVE_UP)
                        .Do([](HWND dialog) {
                          EXPECT_EQ(L"**AppleTalk ports: 1", Listed(dialog).at(0)) << "Move Up on the first rule";
                        })
                        .SelectListItem(IDC_RULE_LIST, 0)
                        .Click(IDC_MOVE_DOWN)
                        .Do([](HWND dialog) {
                          EXPECT_EQ((std::vector<std::wstring>{L"**IPX ports: 1", L"**AppleTalk ports: 1",
                                                               L"Default priority: ports: 2"}),
                                    Listed(dialog));
                          EXPECT_TRUE(wintest::ListSelection(dialog, IDC_RULE_LIST).empty());
                        })
                        .SelectListItem(IDC_RULE_LIST, 1)
                        .Click(IDC_MOVE_DOWN)
                        .SelectListItem(IDC_RULE_LIST, 2)
                        .Click(IDC_MOVE_UP)
                        .Click(IDOK))
      .ExpectMessageBox(L"Moving default PriorityTrunk not allowed!", kError, IDOK)
      .ExpectMessageBox(L"Moving default PriorityTrunk not allowed!", kError, IDOK);
  EXPECT_EQ(IDOK, Open());
  EXPECT_EQ(NETPROTO_IPX, link->Priorities->netproto);
}

TEST_F(PrioritySetupDialog, CancelDropsTheAddedRulesButKeepsADeletion)
{
  Link* link = LoadTrunks(3);
  AddRules(link, {NETPROTO_APPLETALK});  // AppleTalk, default
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Click(IDC_ADD_PRIORITY)
                        .Click(IDC_ADD_PRIORITY)
                        .SelectListItem(IDC_RULE_LIST, 2)
                        .Click(IDC_DELETE_RULE)
                        .Do([](HWND dialog) {
                          EXPECT_EQ((std::vector<std::wstring>{L"**IPX ports: 3", L"**IP ports: 3",
                                                               L"Default priority: ports: 3"}),
                                    Listed(dialog));
                        })
                        .Click(IDCANCEL))
      .ExpectDialog(kEntryCaption, ChooseProtocol(0))
      .ExpectDialog(kEntryCaption, ChooseProtocol(1));
  EXPECT_EQ(IDCANCEL, Open());
  EXPECT_EQ(std::vector<std::wstring>{L"Default priority: ports: 3"}, RuleTexts(link));
}

TEST_F(PrioritySetupDialog, DeletingDownToTheDefaultMovesTheFocusToAdd)
{
  Link* link = LoadTrunks(2);
  AddRules(link, {NETPROTO_IPX});
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .SelectListItem(IDC_RULE_LIST, 1)
                        .Click(IDC_DELETE_RULE)
                        .SelectListItem(IDC_RULE_LIST, 0)
                        .Click(IDC_DELETE_RULE)
                        .Do([](HWND dialog) {
                          EXPECT_EQ(IDC_ADD_PRIORITY, wintest::FocusedControlId(dialog));
                          EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_DELETE_RULE));
                        })
                        .Click(IDOK))
      .ExpectMessageBox(L"Removing default PriorityTrunk not allowed!", kError, IDOK);
  EXPECT_EQ(IDOK, Open());
  EXPECT_EQ(1, RuleCount(link));
}

TEST_F(PrioritySetupDialog, ModifiedPortsStayAfterCancelWithTheOldText)
{
  Link* link = LoadTrunks(4);
  AddRules(link, {NETPROTO_IPX});
  DialogDriver driver;
  driver.ExpectDialog(DialogScript().SelectListItem(IDC_RULE_LIST, 0).Click(IDC_MODIFY_RULE).Click(IDOK))
      .ExpectDialog(kEntryCaption, DialogScript()
                                       .Do([](HWND dialog) {
                                         EXPECT_EQ(1, wintest::ComboSelection(dialog, IDC_NET_PROTOCOL)) << "IPX";
                                       })
                                       .Type(IDC_PORTS, L"3")
                                       .Click(IDCANCEL));
  EXPECT_EQ(IDOK, Open());
  EXPECT_EQ(3, link->Priorities->ports) << "stored when the field was left";
  EXPECT_STREQ("**IPX ports: 1", link->Priorities->priorityinfo) << "the text waits for an OK";
}

TEST_F(PrioritySetupDialog, DoubleClickModifiesAndOkRendersTheText)
{
  Link* link = LoadTrunks(4);
  AddRules(link, {NETPROTO_IPX});
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .DoubleClickListItem(IDC_RULE_LIST, 0)
                        .Do([](HWND dialog) { EXPECT_EQ(L"**IPX ports: 2", Listed(dialog).at(0)); })
                        .Click(IDOK))
      .ExpectDialog(kEntryCaption, DialogScript().Type(IDC_PORTS, L"2").Click(IDOK));
  EXPECT_EQ(IDOK, Open());
}

TEST_F(PrioritySetupDialog, ActionsWithoutASelectionAreReported)
{
  LoadTrunks(2);
  AddRules(First_Link(), {NETPROTO_IPX, NETPROTO_APPLETALK});
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Click(IDC_MODIFY_RULE)
                        .Click(IDC_DELETE_RULE)
                        .Click(IDC_MOVE_UP)
                        .Click(IDC_MOVE_DOWN)
                        .Do([](HWND dialog) {
                          SendDlgItemMessageW(dialog, IDC_SETUP_TRUNK_BOX, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
                        })
                        .Click(IDC_ADD_PRIORITY)
                        .Click(IDC_DELETE_RULE)
                        .Click(IDOK))
      .ExpectMessageBox(L"Please choose a Priority to modify!", kLink, IDOK)
      .ExpectMessageBox(L"Please choose a Priority setting to delete", kError, IDOK)
      .ExpectMessageBox(L"Please select a Priority setting to move!", kError, IDOK)
      .ExpectMessageBox(L"Please select a Priority setting to move!", kError, IDOK)
      .ExpectMessageBox(L"Please choose a group to set Priority", kLink, IDOK)
      .ExpectMessageBox(L"Please choose a group to delete a Priority", kLink, IDOK);
  EXPECT_EQ(IDOK, Open());
}

TEST_F(PrioritySetupDialog, ChoosingAnotherTrunkListsItsRules)
{
  Link* first = LoadTrunks(2, true);
  Link* second = Get_Nth_Link(1);
  Link* empty = Add_Link();
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .SelectComboItem(IDC_SETUP_TRUNK_BOX, 1)
                          .Do([](HWND dialog) {
                            EXPECT_EQ(std::vector<std::wstring>{L"Default priority: ports: 3"}, Listed(dialog));
                          })
                          .SelectComboItem(IDC_SETUP_TRUNK_BOX, 2)
                          .Do([](HWND dialog) { EXPECT_TRUE(Listed(dialog).empty()) << "no members, no rule"; })
                          .Click(IDOK));
  EXPECT_EQ(IDOK, Open());
  EXPECT_EQ(1, RuleCount(first));
  EXPECT_EQ(1, RuleCount(second));
  EXPECT_EQ(0, RuleCount(empty));
}

TEST_F(PrioritySetupDialog, UnknownTrunkPositionEndsAtOnce)
{
  LoadTrunks(2);
  DialogDriver driver;
  driver.ExpectMessageBox(L"Could not get proper Trunk!", kError, IDOK);
  EXPECT_EQ(IDCANCEL, Open(5));
}

}  // namespace

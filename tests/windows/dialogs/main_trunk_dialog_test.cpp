// The main trunk dialog: what it shows at start and how its trunk box,
// type buttons and default button behave.
#include <wintest/controls.h>
#include <wintest/dialog_driver.h>

#include "dialog_test_support.h"
#include "dialogs/main_trunk_dialog.h"

using wintest::DialogDriver;
using wintest::DialogScript;

namespace {

const wchar_t kError[] = L"Tamrix - Error";
const wchar_t kWarning[] = L"Tamrix Warning";

bool NoTypeChecked(HWND dialog)
{
  return !wintest::IsButtonChecked(dialog, IDC_TYPE_SYMMETRIC) &&
         !wintest::IsButtonChecked(dialog, IDC_TYPE_ASYMMETRIC) &&
         !wintest::IsButtonChecked(dialog, IDC_TYPE_FAILOVER);
}

using MainTrunkDialog = DialogTest;

TEST_F(MainTrunkDialog, ListsMirrorTheModelInModelOrder)
{
  // Two trunks; the second's members come before the first's in the
  // adapter list, and the sorted lists must not reorder anything.
  Load(TextList(AdapterEntries(2, 0, 20) + "," +
                TrunkSublist("Zeta", 3, "", PortsEntry("K250", 0, 8) + "," + PortsEntry("K250", 0, 7)) + "," +
                TrunkSublist("Alpha", 0, "", PortsEntry("K100FX", 0, 3))));
  DialogDriver driver;
  driver.ExpectDialog(L"Tamrix Port Aggregation Software", DialogScript()
                          .Do([](HWND dialog) {
                            EXPECT_EQ((std::vector<std::wstring>{L"Zeta", L"Alpha"}),
                                      wintest::ComboItems(dialog, IDC_TRUNK_BOX))
                                << "trunk box in link-list order";
                            EXPECT_EQ(0, wintest::ComboSelection(dialog, IDC_TRUNK_BOX));
                            EXPECT_EQ(AdapterNames(1), wintest::ListItems(dialog, IDC_MEMBER_LIST));
                            EXPECT_EQ(L"[3] Tamrix K250   Controller (bus:0, dev:5) ",
                                      wintest::ListItems(dialog, IDC_MEMBER_LIST).at(0))
                                << "display names widened unchanged";
                            EXPECT_EQ(AdapterNames(0), wintest::ListItems(dialog, IDC_AVAILABLE_LIST));
                            EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_TYPE_ASYMMETRIC))
                                << "first trunk's type 3 shown";
                          })
                          .SelectComboItem(IDC_TRUNK_BOX, 1)
                          .Do([](HWND dialog) {
                            EXPECT_EQ(AdapterNames(2), wintest::ListItems(dialog, IDC_MEMBER_LIST));
                          })
                          .Click(IDOK));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  EXPECT_EQ(3, Get_Nth_Link(1)->TrunkType)
      << "type 0 takes the checked button (asymmetric) when the trunk is selected";
}

TEST_F(MainTrunkDialog, UnsetTypeOfTheFirstTrunkShowsAsSymmetric)
{
  Load(TextList(TrunkSublist("T", 7, "", PortsEntry("K250", 0, 4))));
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Do([](HWND dialog) {
                            EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_TYPE_SYMMETRIC));
                          })
                          .Click(IDCANCEL));
  EXPECT_EQ(IDCANCEL, RunMainTrunkDialog(nullptr));
  EXPECT_EQ(2, First_Link()->TrunkType) << "stored as symmetric when shown";
}

TEST_F(MainTrunkDialog, AdaptersWithoutTrunksShowOnlyTheAvailableList)
{
  Load(kAdaptersOnlyList);
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Do([](HWND dialog) {
                          EXPECT_EQ(AdapterNames(0), wintest::ListItems(dialog, IDC_AVAILABLE_LIST));
                          EXPECT_TRUE(wintest::ComboItems(dialog, IDC_TRUNK_BOX).empty());
                          EXPECT_TRUE(wintest::ListItems(dialog, IDC_MEMBER_LIST).empty());
                          EXPECT_TRUE(NoTypeChecked(dialog)) << "no trunk, no type";
                        })
                        .Click(IDC_SPEED_DUPLEX)
                        .Click(IDC_DELETE_TRUNK)
                        .Click(IDC_RENAME_TRUNK)
                        .Click(IDC_PRIORITY_TRUNKING)
                        .Click(IDC_ADVANCED)
                        .Click(IDOK))
      .ExpectMessageBox(L"Please Select a Trunk to set the Speed/Duplex", kError, IDOK)
      .ExpectMessageBox(L"Nothing to Delete", kWarning, IDOK)
      .ExpectMessageBox(L"Nothing to Rename", kWarning, IDOK)
      .ExpectMessageBox(L"You need to create a link before setting its Priority Trunking", kError, IDOK)
      .ExpectMessageBox(L"Please Select a Trunk to set Advanced Features", kError, IDOK);
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
}

TEST_F(MainTrunkDialog, TypeButtonWithoutTrunkOnlyMovesTheCheckMark)
{
  Load(kAdaptersOnlyList);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Click(IDC_TYPE_FAILOVER)
                          .Do([](HWND dialog) {
                            EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_TYPE_FAILOVER));
                          })
                          .Click(IDOK));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  EXPECT_EQ(0, Link_Count());
  EXPECT_EQ(3, Adapter_Count());
}

TEST_F(MainTrunkDialog, EnterPushesCreateTrunkNotOk)
{
  Load(kAdaptersOnlyList);
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Focus(IDC_AVAILABLE_LIST)
                        .Press(VK_RETURN)
                        .Do([](HWND dialog) {
                          EXPECT_EQ(std::vector<std::wstring>{L"Trunk A"}, wintest::ComboItems(dialog, IDC_TRUNK_BOX));
                        })
                        .Click(IDOK))
      .ExpectDialog(L"Set Trunk Name", DialogScript().Type(IDC_NAME_FIELD, L"Trunk A").Click(IDOK));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr)) << "the dialog stayed open after Enter";
  ASSERT_EQ(1, Link_Count());
  EXPECT_STREQ("Trunk A", First_Link()->TrunkName);
}

TEST_F(MainTrunkDialog, CreatedTrunkIsNamedListedAndSelected)
{
  Load(kExampleList);
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Click(IDC_TYPE_ASYMMETRIC)
                        .Click(IDC_CREATE_TRUNK)
                        .Do([](HWND dialog) {
                          EXPECT_EQ((std::vector<std::wstring>{L"Main trunk", L"Second"}),
                                    wintest::ComboItems(dialog, IDC_TRUNK_BOX));
                          EXPECT_EQ(1, wintest::ComboSelection(dialog, IDC_TRUNK_BOX));
                          EXPECT_TRUE(wintest::ListItems(dialog, IDC_MEMBER_LIST).empty());
                          EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_TYPE_SYMMETRIC))
                              << "a new trunk is symmetric";
                        })
                        .Click(IDOK))
      .ExpectDialog(L"Set Trunk Name", DialogScript()
                                           .Do([](HWND dialog) {
                                             EXPECT_EQ(L"[2] TamrixLink Controller",
                                                       wintest::ControlText(dialog, IDC_NAME_FIELD))
                                                 << "an unnamed trunk shows its display name";
                                           })
                                           .Type(IDC_NAME_FIELD, L"Second")
                                           .Click(IDOK));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  ASSERT_EQ(2, Link_Count());
  EXPECT_STREQ("Second", Get_Nth_Link(1)->TrunkName);
  EXPECT_EQ(2, Get_Nth_Link(1)->LinkID);
}

TEST_F(MainTrunkDialog, CreateThenCancelledNameLeavesNoTrunk)
{
  Load(kExampleList);
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Click(IDC_CREATE_TRUNK)
                        .Do([](HWND dialog) {
                          EXPECT_EQ(std::vector<std::wstring>{L"Main trunk"}, wintest::ComboItems(dialog, IDC_TRUNK_BOX));
                        })
                        .Click(IDC_CREATE_TRUNK)
                        .Click(IDOK))
      .ExpectDialog(L"Set Trunk Name", DialogScript().Click(IDCANCEL))
      .ExpectDialog(L"Set Trunk Name", DialogScript().Type(IDC_NAME_FIELD, L"Kept").Click(IDOK));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  ASSERT_EQ(2, Link_Count()) << "the cancelled trunk left the model; the box still matches it";
  EXPECT_STREQ("Kept", Get_Nth_Link(1)->TrunkName);
  EXPECT_EQ(2, Get_Nth_Link(1)->LinkID) << "the id of the cancelled trunk is taken again";
}

TEST_F(MainTrunkDialog, RenameToEmptyShowsTheDisplayName)
{
  Load(kExampleList);
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Click(IDC_RENAME_TRUNK)
                        .Do([](HWND dialog) {
                          EXPECT_EQ(std::vector<std::wstring>{L"[1] TamrixLink Controller"},
                                    wintest::ComboItems(dialog, IDC_TRUNK_BOX));
                          EXPECT_EQ(0, wintest::ComboSelection(dialog, IDC_TRUNK_BOX));
                        })
                        .Click(IDOK))
      .ExpectDialog(L"Set Trunk Name", DialogScript()
                                           .Do([](HWND dialog) {
                                             EXPECT_EQ(L"Main trunk", wintest::ControlText(dialog, IDC_NAME_FIELD));
                                           })
                                           .Type(IDC_NAME_FIELD, L"\b")  // Backspace over the selected name
                                           .Click(IDOK));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  EXPECT_STREQ("", First_Link()->TrunkName);
}

TEST_F(MainTrunkDialog, DeletingTheLastTrunkSelectsTheNewLast)
{
  Load(TextList(AdapterEntries(1, 0, 30) + "," + TrunkSublist("One", 1, "", PortsEntry("K250", 0, 4)) + "," +
                TrunkSublist("Two", 3, "", PortsEntry("K250", 0, 5))));
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .SelectComboItem(IDC_TRUNK_BOX, 1)
                          .Click(IDC_DELETE_TRUNK)
                          .Do([](HWND dialog) {
                            EXPECT_EQ(std::vector<std::wstring>{L"One"}, wintest::ComboItems(dialog, IDC_TRUNK_BOX));
                            EXPECT_EQ(0, wintest::ComboSelection(dialog, IDC_TRUNK_BOX));
                            EXPECT_EQ(AdapterNames(1), wintest::ListItems(dialog, IDC_MEMBER_LIST));
                            EXPECT_EQ(2u, wintest::ListItems(dialog, IDC_AVAILABLE_LIST).size())
                                << "the deleted trunk's member is available again";
                            EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_TYPE_FAILOVER));
                          })
                          .Click(IDOK));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  EXPECT_EQ(1, Link_Count());
}

TEST_F(MainTrunkDialog, DeletingTheOnlyTrunkEmptiesTheBoxAndKeepsTheTypeButtons)
{
  Load(TextList(TrunkSublist("Only", 1, "2 0 0 0 0 0", PortsEntry("K250", 0, 4) + "," + PortsEntry("K250", 0, 5))));
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Click(IDC_DELETE_TRUNK)
                          .Do([](HWND dialog) {
                            EXPECT_TRUE(wintest::ComboItems(dialog, IDC_TRUNK_BOX).empty());
                            EXPECT_EQ(-1, wintest::ComboSelection(dialog, IDC_TRUNK_BOX));
                            EXPECT_TRUE(wintest::ListItems(dialog, IDC_MEMBER_LIST).empty());
                            EXPECT_EQ(AdapterNames(0), wintest::ListItems(dialog, IDC_AVAILABLE_LIST));
                            EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_TYPE_FAILOVER)) << "left as it was";
                          })
                          .Click(IDOK));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  EXPECT_EQ(0, Link_Count());
  EXPECT_EQ(2, Adapter_Count());
}

TEST_F(MainTrunkDialog, SymmetricOverMixedSpeedsAsksAndCancelRestoresTheStoredType)
{
  Load(TextList(TrunkSublist("Mixed", 3, "", PortsEntry("K250", 0, 4, 4) + "," + PortsEntry("K250", 0, 5, 2))));
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Click(IDC_TYPE_SYMMETRIC)
                        .Do([](HWND dialog) {
                          EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_TYPE_ASYMMETRIC))
                              << "check mark back on the stored type";
                          EXPECT_FALSE(wintest::IsButtonChecked(dialog, IDC_TYPE_SYMMETRIC));
                        })
                        .Click(IDOK))
      .ExpectMessageBox(L"Not all adapters in current link of same speed!  Continue?", kWarning, IDCANCEL);
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  EXPECT_EQ(3, First_Link()->TrunkType);
  EXPECT_EQ(4, First_Adapter()->ConnectionType) << "speeds untouched";
}

TEST_F(MainTrunkDialog, SymmetricWithoutMembersAsksThenOpensAnEmptySpeedDialog)
{
  Load(TextList(AdapterEntries(1) + "," + TrunkSublist("Empty", 1, "", "")));
  DialogDriver driver;
  driver.ExpectDialog(DialogScript().Click(IDC_TYPE_SYMMETRIC).Click(IDOK))
      .ExpectMessageBox(L"Not all adapters in current link of same speed!  Continue?", kWarning, IDOK)
      .ExpectDialog(L"Speed and Duplex Settings", DialogScript()
                                                      .Do([](HWND dialog) {
                                                        EXPECT_TRUE(wintest::ListItems(dialog, IDC_SPEED_MEMBERS).empty());
                                                      })
                                                      .Click(IDCANCEL));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  EXPECT_EQ(2, First_Link()->TrunkType);
}

TEST_F(MainTrunkDialog, SymmetricConfirmedResetsEverySpeedBeforeTheSpeedDialog)
{
  Load(TextList(AdapterEntries(1) + "," +
                TrunkSublist("Mixed", 1, "", PortsEntry("K250", 0, 4, 4) + "," + PortsEntry("K250", 0, 5, 2))));
  DialogDriver driver;
  driver.ExpectDialog(DialogScript().Click(IDC_TYPE_SYMMETRIC).Click(IDOK))
      .ExpectMessageBox(L"Not all adapters in current link of same speed!  Continue?", kWarning, IDOK)
      .ExpectDialog(L"Speed and Duplex Settings", DialogScript()
                                                      .Do([](HWND dialog) {
                                                        EXPECT_EQ(2u, wintest::ListItems(dialog, IDC_SPEED_MEMBERS).size());
                                                        EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_SPEED_AUTO))
                                                            << "all members were set to automatic";
                                                      })
                                                      .Click(IDCANCEL));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  for (Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next)
    if (adapter->link_id) EXPECT_EQ(0, adapter->ConnectionType) << "Cancel in the speed dialog keeps the reset";
}

TEST_F(MainTrunkDialog, CancelEndsWithTwoAndKeepsTheChanges)
{
  Load(kExampleList);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript().Click(IDC_TYPE_FAILOVER).Click(IDCANCEL));
  EXPECT_EQ(IDCANCEL, RunMainTrunkDialog(nullptr));
  EXPECT_EQ(1, First_Link()->TrunkType);
}

}  // namespace

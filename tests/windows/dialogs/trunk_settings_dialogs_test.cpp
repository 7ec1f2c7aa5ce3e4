// "Set Trunk Name", "Advanced Group Features" and "Speed and Duplex
// Settings", each opened the way the main trunk dialog opens it.
#include <wintest/controls.h>
#include <wintest/dialog_driver.h>

#include "dialog_test_support.h"
#include "dialogs/speed_duplex.h"

using wintest::DialogDriver;
using wintest::DialogScript;

namespace {

const wchar_t kError[] = L"Tamrix - Error";

class TrunkSettingsDialogs : public DialogTest {
 protected:
  // Loads one trunk (LinkID 1) with members of the given connection types
  // and counts, and returns it.
  Link* LoadTrunk(int trunkType, const std::vector<std::string>& members)
  {
    std::string ports;
    for (const std::string& member : members) ports += (ports.empty() ? "" : ",") + member;
    Load(TextList(TrunkSublist("Group", trunkType, "", ports)));
    return First_Link();
  }
  static std::string Member(int slot, int connectionType, int rd = 0, int td = 0, const char* model = "K250")
  {
    return std::string("{") + model + ",5,32,0," + std::to_string(slot) + "," + std::to_string(slot) + ",0,0," +
           std::to_string(connectionType) + "," + std::to_string(rd) + "," + std::to_string(td) + "}";
  }
};

// --- Set Trunk Name --------------------------------------------------------

TEST_F(TrunkSettingsDialogs, EnterInTheNameFieldDoesNotCloseAndOkThenStores)
{
  Link* link = LoadTrunk(2, {Member(4, 0)});
  Set_Dialog_Context(link->LinkID, 0, link);
  DialogDriver driver;
  driver.ExpectDialog(L"Set Trunk Name", DialogScript()
                                             .Type(IDC_NAME_FIELD, L"Backbone")
                                             .Press(VK_RETURN)
                                             .Do([link](HWND dialog) {
                                               EXPECT_TRUE(IsWindowVisible(dialog)) << "still open after Enter";
                                               EXPECT_STREQ("Group", link->TrunkName) << "not stored yet";
                                             })
                                             .Click(IDOK));
  EXPECT_EQ(IDOK, OpenDialog(IDD_TRUNK_NAME, TrunkNameDialogProc));
  EXPECT_STREQ("Backbone", link->TrunkName);
}

TEST_F(TrunkSettingsDialogs, OkWithoutTouchingTheFieldKeepsTheName)
{
  Link* link = LoadTrunk(2, {Member(4, 0)});
  Set_Dialog_Context(link->LinkID, 0, link);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Do([](HWND dialog) {
                            EXPECT_EQ(L"Group", wintest::ControlText(dialog, IDC_NAME_FIELD));
                            DWORD start = 0, end = 0;
                            SendDlgItemMessageW(dialog, IDC_NAME_FIELD, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                                reinterpret_cast<LPARAM>(&end));
                            EXPECT_EQ(0u, start) << "the whole name is selected";
                            EXPECT_EQ(5u, end);
                          })
                          .Click(IDOK));
  EXPECT_EQ(IDOK, OpenDialog(IDD_TRUNK_NAME, TrunkNameDialogProc));
  EXPECT_STREQ("Group", link->TrunkName);
}

TEST_F(TrunkSettingsDialogs, CancelKeepsTheNameAndNoTrunkEndsAtOnce)
{
  Link* link = LoadTrunk(2, {Member(4, 0)});
  Set_Dialog_Context(link->LinkID, 0, link);
  {
    DialogDriver driver;
    driver.ExpectDialog(DialogScript().Type(IDC_NAME_FIELD, L"Other").Click(IDCANCEL));
    EXPECT_EQ(IDCANCEL, OpenDialog(IDD_TRUNK_NAME, TrunkNameDialogProc));
    EXPECT_STREQ("Group", link->TrunkName);
  }
  Set_Dialog_Context(1, 0, nullptr);
  DialogDriver driver;
  driver.ExpectMessageBox(L"Could not get proper Trunk!", kError, IDOK);
  EXPECT_EQ(IDCANCEL, OpenDialog(IDD_TRUNK_NAME, TrunkNameDialogProc));
}

TEST_F(TrunkSettingsDialogs, LongNamesAreCutToSeventyNineCharacters)
{
  Link* link = LoadTrunk(2, {Member(4, 0)});
  Set_Dialog_Context(link->LinkID, 0, link);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript().Type(IDC_NAME_FIELD, std::wstring(90, L'n')).Click(IDOK));
  EXPECT_EQ(IDOK, OpenDialog(IDD_TRUNK_NAME, TrunkNameDialogProc));
  EXPECT_EQ(std::string(79, 'n'), link->TrunkName);
}

// --- Advanced Group Features ------------------------------------------------

TEST_F(TrunkSettingsDialogs, AdvancedShowsTheLargestCountsBelowFiveThousand)
{
  Link* link = LoadTrunk(2, {Member(4, 0, 200, 0), Member(5, 0, 5000, 7000), Member(6, 0, 64, 0)});
  Set_Dialog_Context(link->LinkID, 0, nullptr);
  DialogDriver driver;
  driver.ExpectDialog(L"Advanced Group Features", DialogScript()
                                                      .Do([](HWND dialog) {
                                                        EXPECT_EQ(L"200", wintest::ControlText(dialog, IDC_RD_COUNT));
                                                        EXPECT_EQ(L"0", wintest::ControlText(dialog, IDC_TD_COUNT))
                                                            << "counts of 0 and 5000 up are not shown";
                                                        EXPECT_EQ(L"Group", wintest::ControlText(dialog, IDC_GROUP_NAME));
                                                        EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_BALANCE_ROUND_ROBIN));
                                                      })
                                                      .Click(IDCANCEL));
  EXPECT_EQ(IDCANCEL, OpenDialog(IDD_ADVANCED_GROUP, AdvancedGroupDialogProc));
}

TEST_F(TrunkSettingsDialogs, AdvancedOkWithAnEmptyCountKeepsItButStoresThePolicy)
{
  Link* link = LoadTrunk(2, {Member(4, 0, 100, 10), Member(5, 0, 300, 20)});
  Set_Dialog_Context(link->LinkID, 0, nullptr);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Type(IDC_RD_COUNT, L"\b")
                          .Type(IDC_TD_COUNT, L"256")
                          .Click(IDC_BALANCE_FIXED)
                          .Click(IDOK));
  EXPECT_EQ(IDOK, OpenDialog(IDD_ADVANCED_GROUP, AdvancedGroupDialogProc));
  EXPECT_EQ(2, link->TransType) << "Fixed";
  Adapter* first = Get_Nth_Adapter(0, link->LinkID);
  Adapter* second = Get_Nth_Adapter(1, link->LinkID);
  EXPECT_EQ(100, first->RdCount) << "empty field, counts unchanged";
  EXPECT_EQ(300, second->RdCount);
  EXPECT_EQ(256, first->TdCount);
  EXPECT_EQ(256, second->TdCount);
}

TEST_F(TrunkSettingsDialogs, AdvancedMakesAnUnsetPolicyAdaptiveEvenOnCancel)
{
  Link* link = LoadTrunk(2, {Member(4, 0)});
  link->TransType = 0;
  Set_Dialog_Context(link->LinkID, 0, nullptr);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Do([](HWND dialog) {
                            EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_BALANCE_ADAPTIVE));
                          })
                          .Click(IDCANCEL));
  EXPECT_EQ(IDCANCEL, OpenDialog(IDD_ADVANCED_GROUP, AdvancedGroupDialogProc));
  EXPECT_EQ(3, link->TransType);
}

// --- Speed and Duplex Settings ----------------------------------------------

TEST_F(TrunkSettingsDialogs, SpeedBoxesShowTheMembersCommonSetting)
{
  Link* link = LoadTrunk(2, {Member(4, 4), Member(5, 4)});
  Set_Dialog_Context(link->LinkID, 1, nullptr);
  DialogDriver driver;
  driver.ExpectDialog(L"Speed and Duplex Settings",
                      DialogScript()
                          .Do([](HWND dialog) {
                            EXPECT_EQ(BOX_100 | BOX_FULL, CheckedSpeedBoxes(dialog));
                            EXPECT_EQ(AdapterNames(1), wintest::ListItems(dialog, IDC_SPEED_MEMBERS));
                            EXPECT_EQ(L"Group", wintest::ControlText(dialog, IDC_SPEED_GROUP_NAME));
                          })
                          .Click(IDCANCEL));
  EXPECT_EQ(IDCANCEL, OpenDialog(IDD_SPEED_DUPLEX, SpeedDuplexDialogProc));
}

TEST_F(TrunkSettingsDialogs, MixedSpeedsShowNoBoxAndOkWritesAutomatic)
{
  Link* link = LoadTrunk(2, {Member(4, 4), Member(5, 2)});
  Set_Dialog_Context(link->LinkID, 1, nullptr);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Do([](HWND dialog) { EXPECT_EQ(0u, CheckedSpeedBoxes(dialog)); })
                          .Click(IDOK));
  EXPECT_EQ(IDOK, OpenDialog(IDD_SPEED_DUPLEX, SpeedDuplexDialogProc));
  EXPECT_EQ(0, Get_Link_Adapters_Value(link->LinkID)) << "every member automatic";
}

TEST_F(TrunkSettingsDialogs, SpeedBoxesActAsTwoLinkedChoices)
{
  Link* link = LoadTrunk(2, {Member(4, 0), Member(5, 0)});
  Set_Dialog_Context(link->LinkID, 1, nullptr);
  auto expectBoxes = [](unsigned boxes, const char* after) {
    return [boxes, after](HWND dialog) { EXPECT_EQ(boxes, CheckedSpeedBoxes(dialog)) << "after " << after; };
  };
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Do(expectBoxes(BOX_AUTO, "opening"))
                          .Click(IDC_DUPLEX_HALF)
                          .Do(expectBoxes(BOX_100 | BOX_HALF, "Half Duplex from AutoSense"))
                          .Click(IDC_SPEED_10)
                          .Do(expectBoxes(BOX_10 | BOX_HALF, "10BaseT"))
                          .Click(IDC_DUPLEX_FULL)
                          .Do(expectBoxes(BOX_10 | BOX_FULL, "Full Duplex"))
                          .Click(IDC_DUPLEX_FULL)
                          .Do(expectBoxes(BOX_10 | BOX_FULL, "Full Duplex again"))
                          .Click(IDC_SPEED_100)
                          .Do(expectBoxes(BOX_100 | BOX_FULL, "100BaseT"))
                          .Click(IDC_SPEED_AUTO)
                          .Do(expectBoxes(BOX_AUTO, "AutoSense"))
                          .Click(IDC_SPEED_10)
                          .Click(IDOK));
  EXPECT_EQ(IDOK, OpenDialog(IDD_SPEED_DUPLEX, SpeedDuplexDialogProc));
  EXPECT_EQ(2, Get_Link_Adapters_Value(link->LinkID)) << "10BaseT with Full Duplex written to all";
}

TEST_F(TrunkSettingsDialogs, SelectedMembersAloneAreListedAndSet)
{
  Link* link = LoadTrunk(3, {Member(4, 1), Member(5, 1), Member(6, 1)});
  int positions[] = {0, 2};
  Set_Dialog_Context(link->LinkID, 2, positions);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Do([](HWND dialog) {
                            std::vector<std::wstring> members = AdapterNames(1);
                            EXPECT_EQ((std::vector<std::wstring>{members[0], members[2]}),
                                      wintest::ListItems(dialog, IDC_SPEED_MEMBERS));
                            EXPECT_EQ(BOX_10 | BOX_HALF, CheckedSpeedBoxes(dialog));
                          })
                          .Click(IDC_SPEED_100)
                          .Click(IDOK));
  EXPECT_EQ(IDOK, OpenDialog(IDD_SPEED_DUPLEX, SpeedDuplexDialogProc));
  EXPECT_EQ(3, Get_Nth_Adapter(0, 1)->ConnectionType);
  EXPECT_EQ(1, Get_Nth_Adapter(1, 1)->ConnectionType) << "not selected, not changed";
  EXPECT_EQ(3, Get_Nth_Adapter(2, 1)->ConnectionType);
}

TEST_F(TrunkSettingsDialogs, FixedSpeedMembersHideTheSpeedChoicesExceptInFailover)
{
  for (int trunkType : {2, 1}) {
    Empty_Model();
    Link* link = LoadTrunk(trunkType, {Member(4, 4), Member(5, 4, 0, 0, "W100FX")});
    Set_Dialog_Context(link->LinkID, 1, nullptr);
    bool hidden = trunkType != 1;
    DialogDriver driver;
    driver.ExpectDialog(DialogScript()
                            .Do([hidden, trunkType](HWND dialog) {
                              for (int id : {IDC_SPEED_100, IDC_SPEED_10, IDC_SPEED_AUTO})
                                EXPECT_EQ(!hidden, wintest::IsControlVisible(dialog, id))
                                    << "speed box " << id << ", trunk type " << trunkType;
                              for (int id : {IDC_DUPLEX_FULL, IDC_DUPLEX_HALF})
                                EXPECT_TRUE(wintest::IsControlVisible(dialog, id)) << "duplex box " << id;
                              EXPECT_EQ(BOX_100 | BOX_FULL, CheckedSpeedBoxes(dialog))
                                  << "hidden boxes keep their check marks";
                            })
                            .Click(IDC_DUPLEX_HALF)
                            .Click(IDOK));
    EXPECT_EQ(IDOK, OpenDialog(IDD_SPEED_DUPLEX, SpeedDuplexDialogProc));
    EXPECT_EQ(3, Get_Link_Adapters_Value(link->LinkID)) << "hidden 100BaseT still counts, type " << trunkType;
  }
}

TEST_F(TrunkSettingsDialogs, FixedSpeedTestLooksUpToTheLastSelectedMember)
{
  // The W10FX stands after the last selected member: the speeds stay.
  Link* link = LoadTrunk(3, {Member(4, 2), Member(5, 2), Member(6, 2, 0, 0, "W10FX")});
  int positions[] = {1};
  Set_Dialog_Context(link->LinkID, 1, positions);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Do([](HWND dialog) { EXPECT_TRUE(wintest::IsControlVisible(dialog, IDC_SPEED_AUTO)); })
                          .Click(IDCANCEL));
  EXPECT_EQ(IDCANCEL, OpenDialog(IDD_SPEED_DUPLEX, SpeedDuplexDialogProc));
}

TEST(SpeedDuplexCodes, BoxesAndCodesMapBothWays)
{
  EXPECT_EQ(BOX_AUTO, SpeedDuplexBoxesOf(0));
  EXPECT_EQ(BOX_10 | BOX_HALF, SpeedDuplexBoxesOf(1));
  EXPECT_EQ(BOX_10 | BOX_FULL, SpeedDuplexBoxesOf(2));
  EXPECT_EQ(BOX_100 | BOX_HALF, SpeedDuplexBoxesOf(3));
  EXPECT_EQ(BOX_100 | BOX_FULL, SpeedDuplexBoxesOf(4));
  EXPECT_EQ(0u, SpeedDuplexBoxesOf(-1)) << "no member";
  EXPECT_EQ(0u, SpeedDuplexBoxesOf(99)) << "mixed";
  EXPECT_EQ(BOX_AUTO, SpeedDuplexBoxesOf(7)) << "unknown codes show as automatic";
  for (int32_t code = 0; code <= 4; ++code)
    EXPECT_EQ(code, SpeedDuplexCodeOf(SpeedDuplexBoxesOf(code))) << "round trip of " << code;
  EXPECT_EQ(0, SpeedDuplexCodeOf(BOX_AUTO | BOX_100 | BOX_FULL)) << "AutoSense wins";
  EXPECT_EQ(0, SpeedDuplexCodeOf(BOX_100)) << "100BaseT without duplex";
  EXPECT_EQ(0, SpeedDuplexCodeOf(BOX_10)) << "10BaseT without duplex";
  EXPECT_EQ(0, SpeedDuplexCodeOf(BOX_FULL)) << "duplex without speed";
}

}  // namespace

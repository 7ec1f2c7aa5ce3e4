// Moving adapters in and out of a trunk, and the speed and advanced buttons
// of the main trunk dialog.
#include <numeric>

#include <wintest/controls.h>
#include <wintest/dialog_driver.h>

#include "dialog_test_support.h"
#include "dialogs/main_trunk_dialog.h"

using wintest::DialogDriver;
using wintest::DialogScript;

namespace {

const wchar_t kError[] = L"Tamrix - Error";
const wchar_t kWarning[] = L"Tamrix Warning";

using MainTrunkMembers = DialogTest;

TEST_F(MainTrunkMembers, AddedAdaptersMoveFromAvailableToMembers)
{
  Load(TextList(AdapterEntries(5) + "," + TrunkSublist("T", 2, "", "")));
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .SelectListItems(IDC_AVAILABLE_LIST, {0, 2})
                          .Click(IDC_ADD_INTERFACE)
                          .Do([](HWND dialog) {
                            EXPECT_EQ(AdapterNames(1), wintest::ListItems(dialog, IDC_MEMBER_LIST));
                            EXPECT_EQ(AdapterNames(0), wintest::ListItems(dialog, IDC_AVAILABLE_LIST));
                            EXPECT_EQ(3u, wintest::ListItems(dialog, IDC_AVAILABLE_LIST).size());
                          })
                          .SelectListItems(IDC_MEMBER_LIST, {1})
                          .Click(IDC_REMOVE_INTERFACE)
                          .Do([](HWND dialog) {
                            EXPECT_EQ(AdapterNames(1), wintest::ListItems(dialog, IDC_MEMBER_LIST));
                            EXPECT_EQ(AdapterNames(0), wintest::ListItems(dialog, IDC_AVAILABLE_LIST));
                          })
                          .Click(IDOK));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  ASSERT_EQ(1, First_Link()->NumAdapters);
  EXPECT_EQ(1, Get_Nth_Adapter(0, 1)->adapter_id) << "adapters 1 and 3 went in, 3 came out";
}

TEST_F(MainTrunkMembers, AdaptersOnDifferentBusesAreNotGrouped)
{
  // Available: bus 0 slot 1, bus 1 slot 2, bus 1 slot 3; the trunk's member sits on bus 0.
  Load(TextList(AdapterEntries(1, 0, 1) + "," + AdapterEntries(2, 1, 2) + "," +
                TrunkSublist("T", 2, "", PortsEntry("K250", 0, 9))));
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .SelectListItems(IDC_AVAILABLE_LIST, {0, 1})
                        .Click(IDC_ADD_INTERFACE)
                        .SelectListItems(IDC_AVAILABLE_LIST, {1, 2})
                        .Click(IDC_ADD_INTERFACE)
                        .Do([](HWND dialog) {
                          EXPECT_EQ(3u, wintest::ListItems(dialog, IDC_AVAILABLE_LIST).size()) << "nothing moved";
                          EXPECT_EQ(1u, wintest::ListItems(dialog, IDC_MEMBER_LIST).size());
                        })
                        .Click(IDOK))
      .ExpectMessageBox(L"Error:  Under NT 4.0, cannot group ports with differing bus numbers", kError, IDOK)
      .ExpectMessageBox(L"Error:  Under NT 4.0, cannot add ports with differing bus numbers", kError, IDOK);
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  EXPECT_EQ(1, First_Link()->NumAdapters);
}

TEST_F(MainTrunkMembers, SeventySelectedEntriesMoveOnlySixtyFour)
{
  Load(TextList(AdapterEntries(70) + "," + TrunkSublist("Big", 2, "", "")));
  std::vector<int> all(70);
  std::iota(all.begin(), all.end(), 0);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .SelectListItems(IDC_AVAILABLE_LIST, all)
                          .Click(IDC_ADD_INTERFACE)
                          .Do([](HWND dialog) {
                            EXPECT_EQ(64u, wintest::ListItems(dialog, IDC_MEMBER_LIST).size());
                            EXPECT_EQ(AdapterNames(0), wintest::ListItems(dialog, IDC_AVAILABLE_LIST))
                                << "the last six stay available";
                          })
                          .Click(IDOK));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  EXPECT_EQ(64, First_Link()->NumAdapters);
  EXPECT_EQ(65, Get_Nth_Adapter(0, 0)->adapter_id);
}

TEST_F(MainTrunkMembers, MissingSelectionsAreReported)
{
  Load(TextList(AdapterEntries(2) + "," + TrunkSublist("T", 2, "", PortsEntry("K250", 0, 9))));
  DialogDriver driver;
  driver.ExpectDialog(DialogScript().Click(IDC_ADD_INTERFACE).Click(IDC_REMOVE_INTERFACE).Click(IDOK))
      .ExpectMessageBox(L"Make selection(s) in Available Interfaces", kError, IDOK)
      .ExpectMessageBox(L"Make selection(s) from the \"Interfaces for this group\" first", kError, IDOK);
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
}

TEST_F(MainTrunkMembers, RulesWarnWhenMembersChange)
{
  // Two members and a default rule: adding warns about the ports; removing
  // both members drops the rules with a warning.
  Load(TextList(AdapterEntries(1) + "," +
                TrunkSublist("T", 2, "2 0 0 0 0 0", PortsEntry("K250", 0, 8) + "," + PortsEntry("K250", 0, 9))));
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .SelectListItems(IDC_AVAILABLE_LIST, {0})
                        .Click(IDC_ADD_INTERFACE)
                        .SelectListItems(IDC_MEMBER_LIST, {0})
                        .Click(IDC_REMOVE_INTERFACE)
                        .SelectListItems(IDC_MEMBER_LIST, {0, 1})
                        .Click(IDC_REMOVE_INTERFACE)
                        .Click(IDOK))
      .ExpectMessageBox(L"You may need to adjust your Priority ports settings!", kWarning, IDOK)
      .ExpectMessageBox(L"Priority trunking information deleted also!", kWarning, IDOK);
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
  EXPECT_EQ(0, First_Link()->NumAdapters);
  EXPECT_EQ(nullptr, First_Link()->Priorities);
}

TEST_F(MainTrunkMembers, SpeedButtonAsksBeforeChangingPartOfATrunk)
{
  // A symmetric trunk of two members with one selected; then an asymmetric
  // trunk with mixed speeds selected; then one with one of two selected.
  Load(TextList(TrunkSublist("Sym", 2, "", PortsEntry("K250", 0, 4, 4) + "," + PortsEntry("K250", 0, 5, 4)) + "," +
                TrunkSublist("Asym", 3, "", PortsEntry("K250", 0, 6, 4) + "," + PortsEntry("K250", 0, 7, 2))));
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .SelectListItems(IDC_MEMBER_LIST, {1})
                        .Click(IDC_SPEED_DUPLEX)
                        .SelectComboItem(IDC_TRUNK_BOX, 1)
                        .Click(IDC_SPEED_DUPLEX)
                        .SelectListItems(IDC_MEMBER_LIST, {0, 1})
                        .Click(IDC_SPEED_DUPLEX)
                        .SelectListItems(IDC_MEMBER_LIST, {1})
                        .Click(IDC_SPEED_DUPLEX)
                        .Click(IDOK))
      .ExpectMessageBox(L"Symmetric link types force speed settings to all link adapters!  Continue?", kWarning,
                        IDOK)
      .ExpectDialog(L"Speed and Duplex Settings",
                    DialogScript()
                        .Do([](HWND dialog) {
                          EXPECT_EQ(2u, wintest::ListItems(dialog, IDC_SPEED_MEMBERS).size())
                              << "a symmetric trunk sets all its members";
                        })
                        .Click(IDCANCEL))
      .ExpectMessageBox(L"Please select interface(s) on which to check/modify the Speed/Duplex Setting", kError, IDOK)
      .ExpectMessageBox(L"Not all selected adapters in non-symmetric link of same speed!  Continue?", kWarning,
                        IDCANCEL)
      .ExpectMessageBox(L"Changing a subset of adapters in non-symmetric link!  Continue?", kWarning, IDOK)
      .ExpectDialog(L"Speed and Duplex Settings", DialogScript()
                                                      .Do([](HWND dialog) {
                                                        EXPECT_EQ(std::vector<std::wstring>{AdapterNames(2).at(1)},
                                                                  wintest::ListItems(dialog, IDC_SPEED_MEMBERS));
                                                      })
                                                      .Click(IDCANCEL));
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
}

TEST_F(MainTrunkMembers, SettingsNeedMembers)
{
  Load(TextList(AdapterEntries(1) + "," + TrunkSublist("Empty", 3, "", "")));
  DialogDriver driver;
  driver.ExpectDialog(DialogScript().Click(IDC_SPEED_DUPLEX).Click(IDC_ADVANCED).Click(IDOK))
      .ExpectMessageBox(L"Please Add Interfaces to a Trunk before setting Speed/Duplex Features", kError, IDOK)
      .ExpectMessageBox(L"Please Add Interfaces to a Trunk before setting Advanced Features", kError, IDOK);
  EXPECT_EQ(IDOK, RunMainTrunkDialog(nullptr));
}

}  // namespace

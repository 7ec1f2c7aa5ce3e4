// The dialog templates that TmrxInt.dll carries, read back from the DLL and
// compared with the layouts the dialogs are designed with: ids, control
// kinds and styles, texts, positions and sizes, fonts and frames.
#include <gtest/gtest.h>

#include <iterator>
#include <string>
#include <cwchar>

#include "resource.h"
#include "template_reader.h"

namespace {

enum Kind {
  Push, DefPush, AutoRadio, AutoCheck, Group, Label, CentredLabel, Picture,
  Edit, DropList, DropCombo, MultiList, SingleList, NoSelList,
};

struct Expected {
  int id;
  Kind kind;
  const wchar_t* text;
  short x, y, cx, cy;
  DWORD required = 0;   // further style bits the control must have
  DWORD forbidden = 0;  // style bits it must not have
};

const DWORD kSortedList = LBS_SORT;
const DWORD kSortedCombo = CBS_SORT;

const Expected kMainTrunk[] = {
    {IDC_TRUNK_BOX, DropList, L"", 14, 61, 146, 48, kSortedCombo},
    {IDC_CREATE_TRUNK, DefPush, L"Create Trunk", 179, 59, 54, 17},
    {IDC_RENAME_TRUNK, Push, L"Rename Trunk", 247, 59, 55, 17},
    {IDC_DELETE_TRUNK, Push, L"Delete Trunk", 316, 59, 54, 17},
    {IDC_SPEED_DUPLEX, Push, L"Speed/Duplex", 7, 96, 54, 17},
    {IDC_TYPE_SYMMETRIC, AutoRadio, L"Symetric Trunking", 87, 97, 69, 14, WS_GROUP},
    {IDC_TYPE_ASYMMETRIC, AutoRadio, L"Asymetric Trunking", 165, 97, 69, 14, 0, WS_GROUP},
    {IDC_TYPE_FAILOVER, AutoRadio, L"Failover Only", 246, 97, 54, 14, 0, WS_GROUP},
    {IDC_ADVANCED, Push, L"Advanced", 326, 96, 54, 17},
    {IDC_MEMBER_LIST, MultiList, L"", 10, 138, 149, 76, kSortedList},
    {IDC_ADD_INTERFACE, Push, L"< Add Interface ", 169, 155, 54, 17},
    {IDC_REMOVE_INTERFACE, Push, L" Remove >", 169, 178, 54, 17},
    {IDC_AVAILABLE_LIST, MultiList, L"", 233, 138, 149, 76, kSortedList},
    {IDOK, Push, L"OK", 69, 228, 54, 17},
    {IDCANCEL, Push, L"Cancel", 133, 228, 54, 17},
    {IDC_PRIORITY_TRUNKING, Push, L"Priority Trunking", 231, 228, 91, 17},
    {IDC_BANNER, Picture, L"#106", 82, 4, 223, 41, SS_SUNKEN | WS_BORDER},
    {IDC_STATIC, Group, L"Logical Trunks", 9, 51, 155, 32},
    {IDC_STATIC, Group, L"Tamrix Link Trunk Type", 82, 89, 223, 30},
    {IDC_STATIC, Group, L"Interfaces for this Trunk", 7, 129, 153, 89},
    {IDC_STATIC, Group, L"All Available Interfaces", 229, 129, 155, 88},
};

const Expected kTrunkName[] = {
    {IDC_NAME_LABEL, CentredLabel, L"Edit Trunk Name", 30, 20, 142, 8},
    {IDC_NAME_FIELD, Edit, L"", 31, 40, 138, 14, ES_AUTOHSCROLL | WS_BORDER},
    {IDOK, DefPush, L"OK", 31, 70, 50, 14},
    {IDCANCEL, Push, L"Cancel", 119, 70, 50, 14},
};

const Expected kAdvancedGroup[] = {
    {IDC_STATIC, Group, L"Group Name", 18, 5, 119, 36},
    {IDC_GROUP_NAME, Edit, L"", 25, 19, 102, 15, ES_READONLY},
    {IDC_STATIC, Group, L"Advanced Settings", 19, 54, 183, 57},
    {IDC_STATIC, Label, L"RdCount", 43, 70, 42, 10},
    {IDC_RD_COUNT, Edit, L"", 43, 82, 33, 14, ES_NUMBER},
    {IDC_STATIC, Label, L"TdCount", 103, 70, 44, 12},
    {IDC_TD_COUNT, Edit, L"", 103, 82, 33, 14, ES_NUMBER},
    {IDC_STATIC, Group, L"Load Balancing Type", 19, 122, 186, 35},
    {IDC_BALANCE_ADAPTIVE, AutoRadio, L"Adaptive", 25, 138, 44, 10, WS_GROUP},
    {IDC_BALANCE_ROUND_ROBIN, AutoRadio, L"Round Robin", 81, 138, 62, 10},
    {IDC_BALANCE_FIXED, AutoRadio, L"Fixed", 155, 138, 44, 10},
    {IDOK, DefPush, L"OK", 216, 43, 50, 14},
    {IDCANCEL, Push, L"Cancel", 216, 64, 50, 14},
};

const Expected kSpeedDuplex[] = {
    {IDC_STATIC, Group, L"Selected Group", 13, 9, 135, 32},
    {IDC_SPEED_GROUP_NAME, Edit, L"", 17, 22, 127, 16, ES_READONLY},
    {IDC_STATIC, Group, L"Selected Interfaces", 13, 54, 165, 94},
    {IDC_SPEED_MEMBERS, NoSelList, L"", 16, 65, 159, 78},
    {IDC_STATIC, Group, L"Speed and Duplex Settings", 190, 26, 164, 96},
    {IDC_SPEED_100, AutoCheck, L"100BaseT", 200, 42, 54, 15},
    {IDC_SPEED_10, AutoCheck, L"10BaseT", 260, 42, 72, 15},
    {IDC_SPEED_AUTO, AutoCheck, L"AutoSense", 296, 63, 57, 15},
    {IDC_DUPLEX_FULL, AutoCheck, L"Full Duplex", 200, 87, 54, 15},
    {IDC_DUPLEX_HALF, AutoCheck, L"Half Duplex", 260, 87, 72, 15},
    {IDOK, DefPush, L"OK", 128, 153, 50, 14},
    {IDCANCEL, Push, L"Cancel", 195, 153, 50, 14},
};

const Expected kPrioritySetup[] = {
    {IDC_STATIC, Group, L"Trunk on which to set Priority", 14, 14, 139, 39},
    {IDC_SETUP_TRUNK_BOX, DropCombo, L"", 19, 31, 129, 44, kSortedCombo},
    {IDC_ADD_PRIORITY, Push, L"Add Priority", 191, 26, 48, 18},
    {IDC_STATIC, Group, L"Ordered Priority Settings:", 13, 59, 296, 67},
    {IDC_RULE_LIST, SingleList, L"", 18, 71, 287, 48},
    {IDC_MOVE_UP, Push, L"Move Up", 31, 136, 48, 18},
    {IDC_MOVE_DOWN, Push, L"Move Down", 103, 136, 48, 18},
    {IDC_MODIFY_RULE, Push, L"Modify", 175, 136, 48, 18},
    {IDC_DELETE_RULE, Push, L"Delete", 247, 136, 48, 18},
    {IDOK, DefPush, L"OK", 107, 169, 50, 14},
    {IDCANCEL, Push, L"Cancel", 169, 170, 50, 14},
};

const Expected kPriorityEntry[] = {
    {IDC_STATIC, Label, L"Trunk to set Priority:", 25, 14, 66, 14},
    {IDC_ENTRY_TRUNK, Edit, L"", 95, 15, 115, 14, ES_READONLY, WS_BORDER},
    {IDC_STATIC, Label, L"Ethernet Protocol:", 25, 44, 62, 11},
    {IDC_NET_PROTOCOL, DropCombo, L"", 87, 44, 115, 56, kSortedCombo},
    {IDC_STATIC, Label, L"(Hex Number)Protocol Name", 207, 44, 97, 11},
    {IDC_STATIC, Group, L"IP Protocol Particulars:", 13, 72, 301, 104},
    {IDC_STATIC, Label, L"Enable", 26, 86, 25, 12},
    {IDC_IP_ENABLE, AutoCheck, L"", 31, 102, 9, 10},
    {IDC_STATIC, Label, L"Internet Protocol", 47, 102, 56, 9},
    {IDC_IP_PROTOCOL, DropCombo, L"", 103, 102, 110, 52, kSortedCombo},
    {IDC_STATIC, Label, L"(Hex Number)Protocol Name", 215, 103, 93, 11},
    {IDC_DEST_ENABLE, AutoCheck, L"", 31, 127, 9, 10},
    {IDC_STATIC, Label, L"Destination Address", 47, 127, 67, 12},
    {IDC_DEST_ADDRESS, Edit, L"", 117, 126, 60, 13, WS_BORDER},
    {IDC_STATIC, Label, L"NetMask", 185, 127, 31, 11},
    {IDC_NETMASK, Edit, L"", 220, 126, 64, 12, ES_AUTOHSCROLL | WS_BORDER},
    {IDC_SOCKET_ENABLE, AutoCheck, L"", 30, 152, 9, 10},
    {IDC_STATIC, Label, L"Socket Number:", 47, 153, 57, 13},
    {IDC_SOCKET, DropCombo, L"", 107, 154, 89, 46, kSortedCombo},
    {IDC_STATIC, Label, L"Number of Ports:", 54, 185, 56, 14},
    {IDC_PORTS, Edit, L"", 113, 185, 29, 14, ES_NUMBER | ES_RIGHT},
    {IDC_STATIC, Label, L"Number Available:", 159, 185, 62, 14},
    {IDC_MEMBER_COUNT, Edit, L"", 222, 185, 21, 14, ES_NUMBER | ES_READONLY | ES_RIGHT},
    {IDOK, DefPush, L"OK", 102, 217, 50, 14},
    {IDCANCEL, Push, L"Cancel", 174, 217, 50, 14},
};

struct KindRule {
  const wchar_t* className;
  DWORD typeMask;
  DWORD type;
};

KindRule RuleOf(Kind kind)
{
  switch (kind) {
    case Push: return {L"Button", BS_TYPEMASK, BS_PUSHBUTTON};
    case DefPush: return {L"Button", BS_TYPEMASK, BS_DEFPUSHBUTTON};
    case AutoRadio: return {L"Button", BS_TYPEMASK, BS_AUTORADIOBUTTON};
    case AutoCheck: return {L"Button", BS_TYPEMASK, BS_AUTOCHECKBOX};
    case Group: return {L"Button", BS_TYPEMASK, BS_GROUPBOX};
    case Label: return {L"Static", SS_TYPEMASK, SS_LEFT};
    case CentredLabel: return {L"Static", SS_TYPEMASK, SS_CENTER};
    case Picture: return {L"Static", SS_TYPEMASK, SS_BITMAP};
    case Edit: return {L"Edit", ES_MULTILINE, 0};
    case DropList: return {L"ComboBox", 3, CBS_DROPDOWNLIST};
    case DropCombo: return {L"ComboBox", 3, CBS_DROPDOWN};
    case MultiList: return {L"ListBox", LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_NOSEL | LBS_NOTIFY,
                            LBS_MULTIPLESEL | LBS_NOTIFY};
    case SingleList: return {L"ListBox", LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_NOSEL | LBS_NOTIFY, LBS_NOTIFY};
    case NoSelList: return {L"ListBox", LBS_MULTIPLESEL | LBS_EXTENDEDSEL | LBS_NOSEL, LBS_NOSEL};
  }
  return {};
}

struct Frame {
  int templateId;
  const wchar_t* caption;
  short x, y, cx, cy;
  const wchar_t* font;
  DWORD required;
  DWORD exRequired;
};

void ExpectTemplate(HMODULE module, const Frame& frame, const Expected* expected, size_t count)
{
  DialogTemplate found;
  if (!ReadDialogTemplate(module, frame.templateId, &found)) return;
  std::string where = "template " + std::to_string(frame.templateId);
  EXPECT_EQ(frame.caption, found.caption) << where;
  EXPECT_EQ(frame.x, found.x) << where;
  EXPECT_EQ(frame.y, found.y) << where;
  EXPECT_EQ(frame.cx, found.cx) << where;
  EXPECT_EQ(frame.cy, found.cy) << where;
  EXPECT_EQ(frame.font, found.font) << where;
  EXPECT_EQ(8, found.pointSize) << where;
  DWORD frameStyle = DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU | frame.required;
  EXPECT_EQ(frameStyle, found.style & frameStyle) << where << " frame style";
  EXPECT_EQ(frame.exRequired, found.exStyle & frame.exRequired) << where << " extended style";
  ASSERT_EQ(count, found.controls.size()) << where << " control count";
  for (size_t i = 0; i < count; ++i) {
    const Expected& want = expected[i];
    const TemplateControl& got = found.controls[i];
    std::string control = where + ", control " + std::to_string(i) + " (id " + std::to_string(want.id) + ")";
    KindRule rule = RuleOf(want.kind);
    int id = got.id == 0xFFFF ? -1 : got.id;
    EXPECT_EQ(want.id, id) << control;
    // Class names compare without regard to case (windres writes them upper-case).
    EXPECT_EQ(0, _wcsicmp(rule.className, got.className.c_str()))
        << control << " is a " << std::string(got.className.begin(), got.className.end());
    EXPECT_EQ(rule.type, got.style & rule.typeMask) << control << " kind";
    EXPECT_EQ(want.required, got.style & want.required) << control << " styles";
    EXPECT_EQ(0u, got.style & want.forbidden) << control << " styles it must not have";
    EXPECT_EQ(want.text, got.text) << control;
    EXPECT_EQ(want.x, got.x) << control;
    EXPECT_EQ(want.y, got.y) << control;
    EXPECT_EQ(want.cx, got.cx) << control;
    EXPECT_EQ(want.cy, got.cy) << control;
    EXPECT_TRUE(got.style & WS_VISIBLE) << control;
  }
}

class DialogTemplates : public ::testing::Test {
 protected:
  void SetUp() override
  {
    dll_ = LoadLibraryExW(L"TmrxInt.dll", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(nullptr, dll_) << "TmrxInt.dll next to the test, error " << GetLastError();
  }
  void TearDown() override
  {
    if (dll_) FreeLibrary(dll_);
  }
  HMODULE dll_ = nullptr;
};

TEST_F(DialogTemplates, MainTrunkDialog)
{
  ExpectTemplate(dll_, {IDD_MAIN_TRUNK, L"Tamrix Port Aggregation Software", 0, 0, 392, 253, L"MS Serif", DS_CENTER,
                        WS_EX_CONTEXTHELP},
                 kMainTrunk, std::size(kMainTrunk));
}

TEST_F(DialogTemplates, TrunkSettingsDialogs)
{
  ExpectTemplate(dll_, {IDD_TRUNK_NAME, L"Set Trunk Name", 0, 0, 210, 108, L"MS Shell Dlg", 0, 0}, kTrunkName,
                 std::size(kTrunkName));
  ExpectTemplate(dll_, {IDD_ADVANCED_GROUP, L"Advanced Group Features", 0, 0, 285, 183, L"MS Shell Dlg", 0, 0},
                 kAdvancedGroup, std::size(kAdvancedGroup));
  ExpectTemplate(dll_, {IDD_SPEED_DUPLEX, L"Speed and Duplex Settings", 0, 0, 374, 189, L"MS Shell Dlg", 0, 0},
                 kSpeedDuplex, std::size(kSpeedDuplex));
}

TEST_F(DialogTemplates, PriorityDialogs)
{
  ExpectTemplate(dll_, {IDD_PRIORITY_SETUP, L"Priority Trunking Setup Dialog", 40, 40, 327, 199, L"MS Shell Dlg", 0, 0},
                 kPrioritySetup, std::size(kPrioritySetup));
  ExpectTemplate(dll_, {IDD_PRIORITY_ENTRY, L"Priority Trunk Entry Particulars", 0, 0, 328, 238, L"MS Shell Dlg", 0, 0},
                 kPriorityEntry, std::size(kPriorityEntry));
}

}  // namespace

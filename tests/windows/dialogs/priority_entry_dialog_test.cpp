// "Priority Trunk Entry Particulars", opened on one rule of a four-member
// trunk the way the setup dialog opens it.
#include <wintest/controls.h>
#include <wintest/dialog_driver.h>

#include "dialog_test_support.h"
#include "dialogs/protocol_choice.h"

using wintest::DialogDriver;
using wintest::DialogScript;

namespace {

const wchar_t kError[] = L"Tamrix - Error";
const wchar_t kWarning[] = L"Tamrix Warning";

class PriorityEntryDialog : public DialogTest {
 protected:
  void SetUp() override
  {
    DialogTest::SetUp();
    std::string ports;
    for (int i = 0; i < 4; ++i) ports += (i ? "," : "") + PortsEntry("K250", 0, 4 + i);
    Load(TextList(TrunkSublist("Quad", 2, "", ports) + "," +
                  TrunkSublist("Single", 2, "", PortsEntry("K250", 1, 4))));
    rule_ = New_Priority(4);
  }
  void TearDown() override
  {
    Free_Priority(rule_);
    DialogTest::TearDown();
  }
  // Opens the dialog on `rule_` as a new rule (-1) or as the existing rule
  // of its netproto.
  INT_PTR Open(bool existing = false, int32_t linkId = 1)
  {
    Set_Dialog_Context(linkId, existing ? static_cast<int32_t>(rule_->netproto) : -1, rule_);
    return OpenDialog(IDD_PRIORITY_ENTRY, PriorityEntryDialogProc);
  }

  PriorityTrunk* rule_ = nullptr;
};

// What the user selects before typing over a choice box's text (the box
// selects it by itself only the first time it gets the focus).
void SelectTypedText(HWND dialog)
{
  SendDlgItemMessageW(dialog, IDC_NET_PROTOCOL, CB_SETEDITSEL, 0, MAKELPARAM(0, -1));
}

bool IpParticularsEnabled(HWND dialog)
{
  return wintest::IsControlEnabled(dialog, IDC_IP_ENABLE) && wintest::IsControlEnabled(dialog, IDC_DEST_ENABLE) &&
         wintest::IsControlEnabled(dialog, IDC_SOCKET_ENABLE);
}

TEST_F(PriorityEntryDialog, NewRuleStartsWithTheTablesAndNothingChosen)
{
  DialogDriver driver;
  driver.ExpectDialog(L"Priority Trunk Entry Particulars",
                      DialogScript()
                          .Do([](HWND dialog) {
                            EXPECT_EQ((std::vector<std::wstring>{L"(0x0800)IP", L"(0x8137)IPX",
                                                                 L"(0x809B)AppleTalk", L"(0)Other"}),
                                      wintest::ComboItems(dialog, IDC_NET_PROTOCOL))
                                << "table order, not sorted";
                            EXPECT_EQ((std::vector<std::wstring>{L"(0x0006)TCP", L"(0x0017)UDP", L"(0x0001)ICMP",
                                                                 L"(0)Other"}),
                                      wintest::ComboItems(dialog, IDC_IP_PROTOCOL));
                            EXPECT_EQ((std::vector<std::wstring>{L"(20)ftp", L"(25)smtp", L"(80)http", L"(0)Other"}),
                                      wintest::ComboItems(dialog, IDC_SOCKET));
                            EXPECT_EQ(-1, wintest::ComboSelection(dialog, IDC_NET_PROTOCOL));
                            EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_IP_ENABLE));
                            EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_DEST_ADDRESS));
                            EXPECT_EQ(L"Quad", wintest::ControlText(dialog, IDC_ENTRY_TRUNK));
                            EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_ENTRY_TRUNK));
                            EXPECT_EQ(L"4", wintest::ControlText(dialog, IDC_MEMBER_COUNT));
                            EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_MEMBER_COUNT));
                            EXPECT_EQ(L"4", wintest::ControlText(dialog, IDC_PORTS));
                            EXPECT_EQ(IDC_NET_PROTOCOL, wintest::FocusedControlId(dialog));
                          })
                          .Press(VK_ESCAPE));
  EXPECT_EQ(IDCANCEL, Open());
}

TEST_F(PriorityEntryDialog, LeavingTheEthernetBoxWithNothingChosenIsReported)
{
  DialogDriver driver;
  driver.ExpectDialog(DialogScript().Press(VK_TAB).Press(VK_ESCAPE))
      .ExpectMessageBox(L"Could not get selected item!", kError, IDOK);
  EXPECT_EQ(IDCANCEL, Open());
  EXPECT_EQ(0u, rule_->netproto);
}

TEST_F(PriorityEntryDialog, TypedProtocolTextIsParsedStoredAndAppended)
{
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Do(TypeIntoFocus(L"(86dd)IPv6"))  // the box has the first focus
                        .Focus(IDC_PORTS)
                        .Do([this](HWND dialog) {
                          EXPECT_EQ(0x86DDu, rule_->netproto);
                          EXPECT_STREQ("IPv6", rule_->netmsg);
                          std::vector<std::wstring> items = wintest::ComboItems(dialog, IDC_NET_PROTOCOL);
                          ASSERT_EQ(5u, items.size());
                          EXPECT_EQ(L"(86dd)IPv6", items[4]);
                          EXPECT_EQ(4, wintest::ComboSelection(dialog, IDC_NET_PROTOCOL));
                          EXPECT_FALSE(IpParticularsEnabled(dialog)) << "only IP has particulars";
                        })
                        .Do(SelectTypedText)
                        .Type(IDC_NET_PROTOCOL, L"(0x86DD)")
                        .Focus(IDC_PORTS)
                        .Do([this](HWND) {
                          EXPECT_EQ(0x86DDu, rule_->netproto);
                          EXPECT_STREQ("", rule_->netmsg) << "the code alone gives an empty name";
                        })
                        .Do(SelectTypedText)
                        .Type(IDC_NET_PROTOCOL, L"IPv6")
                        .Focus(IDC_PORTS)
                        .Do([](HWND dialog) {
                          EXPECT_EQ(IDC_NET_PROTOCOL, wintest::FocusedControlId(dialog)) << "focus given back";
                        })
                        .Press(VK_ESCAPE))
      .ExpectMessageBox(L"Could not parse Protocol input", kError, IDOK);
  EXPECT_EQ(IDCANCEL, Open());
  EXPECT_EQ(0x86DDu, rule_->netproto) << "the refused text stored nothing";
}

TEST_F(PriorityEntryDialog, ChoosingIpAppendsACopyAndEnablesTheParticulars)
{
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .SelectComboItem(IDC_NET_PROTOCOL, 0)  // the box has the first focus
                          .Do([](HWND dialog) { EXPECT_TRUE(IpParticularsEnabled(dialog)); })
                          .Focus(IDC_PORTS)
                          .Do([](HWND dialog) {
                            std::vector<std::wstring> items = wintest::ComboItems(dialog, IDC_NET_PROTOCOL);
                            EXPECT_EQ(L"(0x0800)IP", items.back()) << "the chosen text joins the box";
                            EXPECT_EQ(4, wintest::ComboSelection(dialog, IDC_NET_PROTOCOL));
                          })
                          .Click(IDC_IP_ENABLE)
                          .Focus(IDC_IP_PROTOCOL)
                          .SelectComboItem(IDC_IP_PROTOCOL, 1)
                          .Click(IDC_SOCKET_ENABLE)
                          .Focus(IDC_SOCKET)
                          .SelectComboItem(IDC_SOCKET, 2)
                          .Click(IDOK));
  EXPECT_EQ(IDOK, Open());
  EXPECT_EQ(NETPROTO_IP, rule_->netproto);
  EXPECT_TRUE(rule_->typeenable);
  EXPECT_EQ(PROTOTYPE_UDP, rule_->prototype);
  EXPECT_STREQ("UDP", rule_->protomsg);
  EXPECT_TRUE(rule_->sockenable);
  EXPECT_EQ(80u, rule_->socket);
  EXPECT_STREQ("**IP *UDP *http ports: 4", rule_->priorityinfo) << "OK renders the rule";
}

TEST_F(PriorityEntryDialog, ExistingRulesOpenWithTheirProtocolChosen)
{
  struct Case {
    uint32_t netproto;
    const char* netmsg;
    int selected;
    std::wstring shown;
  } cases[] = {
      {NETPROTO_APPLETALK, "", 2, L"(0x809B)AppleTalk"},
      {NETPROTO_IPX_ALT, "", 1, L"(0x8137)IPX"},
      {0x806, "ARP", 4, L"(806)ARP"},
  };
  for (const Case& c : cases) {
    rule_->netproto = c.netproto;
    Copy_Text_Field(rule_->netmsg, c.netmsg);
    DialogDriver driver;
    driver.ExpectDialog(DialogScript()
                            .Do([&c](HWND dialog) {
                              EXPECT_EQ(c.selected, wintest::ComboSelection(dialog, IDC_NET_PROTOCOL))
                                  << "netproto " << c.netproto;
                              EXPECT_EQ(c.shown, wintest::ControlText(dialog, IDC_NET_PROTOCOL));
                              EXPECT_FALSE(IpParticularsEnabled(dialog));
                            })
                            .Click(IDCANCEL));
    EXPECT_EQ(IDCANCEL, Open(true));
  }
}

TEST_F(PriorityEntryDialog, ExistingIpRuleShowsItsParticulars)
{
  rule_->netproto = NETPROTO_IP;
  rule_->typeenable = 1;
  rule_->prototype = 0x2F;
  Copy_Text_Field(rule_->protomsg, "GRE");
  rule_->destenable = 1;
  rule_->destaddr = 0x0A000001;
  rule_->netmask = 0xFFFFFF00;
  rule_->sockenable = 0;
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Do([](HWND dialog) {
                            EXPECT_EQ(0, wintest::ComboSelection(dialog, IDC_NET_PROTOCOL));
                            EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_IP_ENABLE));
                            EXPECT_EQ(L"(2f)GRE", wintest::ControlText(dialog, IDC_IP_PROTOCOL));
                            EXPECT_TRUE(wintest::IsButtonChecked(dialog, IDC_DEST_ENABLE));
                            EXPECT_EQ(L"10 .0  .0  .1  ", wintest::ControlText(dialog, IDC_DEST_ADDRESS));
                            EXPECT_EQ(L"255.255.255.0  ", wintest::ControlText(dialog, IDC_NETMASK));
                            EXPECT_FALSE(wintest::IsButtonChecked(dialog, IDC_SOCKET_ENABLE));
                            EXPECT_TRUE(wintest::IsControlEnabled(dialog, IDC_SOCKET_ENABLE));
                            EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_SOCKET));
                          })
                          .Click(IDC_DEST_ENABLE)
                          .Do([](HWND dialog) {
                            EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_DEST_ADDRESS));
                            EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_NETMASK));
                          })
                          .Click(IDC_DEST_ENABLE)
                          .Do([](HWND dialog) {
                            EXPECT_TRUE(wintest::IsControlEnabled(dialog, IDC_DEST_ADDRESS));
                            EXPECT_EQ(L"10 .0  .0  .1  ", wintest::ControlText(dialog, IDC_DEST_ADDRESS));
                          })
                          .Click(IDOK));
  EXPECT_EQ(IDOK, Open(true));
  EXPECT_TRUE(rule_->destenable);
  EXPECT_STREQ("**IP GRE *Dest: 10.0.0.1, netmask: 0xffffff00 ports: 4", rule_->priorityinfo);
}

TEST_F(PriorityEntryDialog, PortsOutsideOneToTheMemberCountAreRefused)
{
  rule_->netproto = NETPROTO_IPX;
  DialogDriver driver;
  driver
      .ExpectDialog(DialogScript()
                        .Type(IDC_PORTS, L"0")
                        .Press(VK_TAB)
                        .Do([](HWND dialog) {
                          EXPECT_EQ(L"4", wintest::ControlText(dialog, IDC_PORTS)) << "member count restored";
                          EXPECT_EQ(IDC_PORTS, wintest::FocusedControlId(dialog));
                        })
                        .Type(IDC_PORTS, L"5")
                        .Press(VK_TAB)
                        .Do([](HWND dialog) { EXPECT_EQ(L"4", wintest::ControlText(dialog, IDC_PORTS)); })
                        .Type(IDC_PORTS, L"2")
                        .Press(VK_TAB)
                        .Press(VK_ESCAPE))
      .ExpectMessageBox(L"You must have at least one port per priority", kError, IDOK)
      .ExpectMessageBox(L"Number of ports, 5, cannot be larger than number in group, 4", kError, IDOK);
  EXPECT_EQ(IDCANCEL, Open(true));
  EXPECT_EQ(2, rule_->ports);
}

TEST_F(PriorityEntryDialog, EnterInsideAFieldDoesNotClose)
{
  rule_->netproto = NETPROTO_IPX;
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Type(IDC_PORTS, L"3")
                          .Press(VK_RETURN)
                          .Do([](HWND dialog) { EXPECT_TRUE(IsWindowVisible(dialog)) << "still open after Enter"; })
                          .Click(IDOK));
  EXPECT_EQ(IDOK, Open(true));
  EXPECT_EQ(3, rule_->ports);
  EXPECT_STREQ("**IPX ports: 3", rule_->priorityinfo);
}

TEST_F(PriorityEntryDialog, DefaultRuleEditsOnlyItsPorts)
{
  Make_Default_Priority(rule_);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Do([](HWND dialog) {
                            EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_NET_PROTOCOL));
                            EXPECT_FALSE(wintest::IsControlEnabled(dialog, IDC_IP_ENABLE));
                            EXPECT_TRUE(wintest::ComboItems(dialog, IDC_NET_PROTOCOL).empty());
                          })
                          .Type(IDC_PORTS, L"3")
                          .Press(VK_TAB)
                          .Press(VK_ESCAPE));
  EXPECT_EQ(IDCANCEL, Open(true));
  EXPECT_EQ(3, rule_->ports);
  EXPECT_STREQ("Default priority: ports: 3", rule_->priorityinfo) << "rewritten at once for the default rule";
}

TEST_F(PriorityEntryDialog, StartIsRefusedForSmallTrunksMissingTrunksAndMissingRules)
{
  DialogDriver driver;
  driver.ExpectMessageBox(L"Must have at least 2 interfaces before being able to prioritize!", kError, IDOK)
      .ExpectMessageBox(L"Must have at least 2 interfaces before being able to prioritize!", kError, IDOK)
      .ExpectMessageBox(L"Error in setting trunk!", kError, IDOK)
      .ExpectMessageBox(L"Error in priority selection!", kError, IDOK);
  EXPECT_EQ(IDCANCEL, Open(false, 2));
  Make_Default_Priority(rule_);
  EXPECT_EQ(IDCANCEL, Open(true, 2)) << "the default rule too";
  EXPECT_EQ(IDCANCEL, Open(false, 9));
  Set_Dialog_Context(1, -1, nullptr);
  EXPECT_EQ(IDCANCEL, OpenDialog(IDD_PRIORITY_ENTRY, PriorityEntryDialogProc));
}

TEST_F(PriorityEntryDialog, ZeroPortsAreResetToOneWithAWarning)
{
  rule_->ports = 0;
  DialogDriver driver;
  driver.ExpectMessageBox(L"Do not currently support priority with ports=0, resetting to 1", kWarning, IDOK)
      .ExpectDialog(DialogScript()
                        .Do([](HWND dialog) { EXPECT_EQ(L"1", wintest::ControlText(dialog, IDC_PORTS)); })
                        .Press(VK_ESCAPE));
  EXPECT_EQ(IDCANCEL, Open());
  EXPECT_EQ(1, rule_->ports);
}

TEST(ProtocolText, ParsesCodeAndFirstWord)
{
  uint32_t code = 7;
  char name[32] = "kept";
  EXPECT_TRUE(ParseProtocolText("(86dd)IPv6", &code, name));
  EXPECT_EQ(0x86DDu, code);
  EXPECT_STREQ("IPv6", name);
  EXPECT_TRUE(ParseProtocolText("(0x0017)UDP datagrams", &code, name)) << "0x prefix, first word only";
  EXPECT_EQ(0x17u, code);
  EXPECT_STREQ("UDP", name);
  EXPECT_TRUE(ParseProtocolText("(20)", &code, name));
  EXPECT_EQ(0x20u, code) << "the number is always hexadecimal";
  EXPECT_STREQ("", name);
  EXPECT_TRUE(ParseProtocolText(("(1)" + std::string(40, 'x')).c_str(), &code, name));
  EXPECT_EQ(std::string(31, 'x'), name) << "cut to the 31 characters of the name fields";
  code = 7;
  for (const char* bad : {"IPv6", "", "(86dd", "()x", "(zz)x", " (1)x"})
    EXPECT_FALSE(ParseProtocolText(bad, &code, name)) << "\"" << bad << "\"";
  EXPECT_EQ(7u, code) << "a refused text leaves the code alone";
}

}  // namespace

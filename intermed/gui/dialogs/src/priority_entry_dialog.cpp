// "Priority Trunk Entry Particulars": one priority rule of one trunk. Every
// input stores its value into the rule when it loses the focus; OK rebuilds
// the rule's display text.
#include <cwchar>

#include "control_text.h"
#include "dialog_messages.h"
#include "dialogs/dialog_context.h"
#include "dialogs/dotted_quad.h"
#include "dialogs/library_dialogs.h"
#include "dialogs/protocol_choice.h"
#include "model/links.h"
#include "model/priority.h"
#include "model/protocol_tables.h"
#include "ok_button_focus.h"
#include "priority_entry_state.h"
#include "resource.h"
#include "trunk_entry_text.h"

namespace {

constexpr int kPortsDigits = 4;
constexpr int32_t kNewRule = -1;

// Set once OK or Cancel ends the dialog: the focus then leaves the last
// field, and nothing is to be checked or stored any more.
bool ending = false;

void End(HWND dialog, INT_PTR result)
{
  ending = true;
  EndDialog(dialog, result);
}

void Enable(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on); }

// Refuses the start with `message` and ends the dialog with Cancel.
void RefuseStart(HWND dialog, const wchar_t* message)
{
  ShowError(dialog, message);
  End(dialog, IDCANCEL);
}

// The Ethernet protocol box as the rule's code has it, and the IP
// particulars that go with it.
void ShowNetProtocol(HWND dialog, const PriorityTrunk* rule, int32_t shownCode)
{
  if (shownCode == kNewRule) {
    EnableIpParticulars(dialog, false);
    return;
  }
  uint32_t code = static_cast<uint32_t>(shownCode);
  if (code == NETPROTO_IP) {
    SendDlgItemMessageW(dialog, IDC_NET_PROTOCOL, CB_SETCURSEL, 0, 0);
    EnableIpParticulars(dialog, true);
    ShowIpParticulars(dialog, rule);
    return;
  }
  if (code == NETPROTO_IPX || code == NETPROTO_IPX_ALT) {
    SendDlgItemMessageW(dialog, IDC_NET_PROTOCOL, CB_SETCURSEL, 1, 0);
  } else if (code == NETPROTO_APPLETALK) {
    SendDlgItemMessageW(dialog, IDC_NET_PROTOCOL, CB_SETCURSEL, 2, 0);
  } else {
    // Unlike the other boxes, even 0 is shown as a code of its own here.
    AddCodeChoice(dialog, IDC_NET_PROTOCOL, code, rule->netmsg);
  }
  EnableIpParticulars(dialog, false);
}

void Init(HWND dialog)
{
  ending = false;
  Link* link = EditedRuleTrunk();
  if (!link) return RefuseStart(dialog, L"Error in setting trunk!");
  if (link->NumAdapters < 2)
    return RefuseStart(dialog, L"Must have at least 2 interfaces before being able to prioritize!");
  PriorityTrunk* rule = EditedRule();
  if (!rule) return RefuseStart(dialog, L"Error in priority selection!");
  if (rule->ports == 0) {
    ShowWarning(dialog, L"Do not currently support priority with ports=0, resetting to 1");
    rule->ports = 1;
  }
  SetControlText(dialog, IDC_ENTRY_TRUNK, TrunkEntryText(link));
  SetDlgItemInt(dialog, IDC_MEMBER_COUNT, static_cast<UINT>(link->NumAdapters), FALSE);
  Enable(dialog, IDC_ENTRY_TRUNK, false);
  Enable(dialog, IDC_MEMBER_COUNT, false);
  // Nothing typed yet: no flag may survive from an earlier rule.
  for (bool& edited : protocolEdited) edited = false;
  for (bool& changed : addressChanged) changed = false;
  SetDlgItemInt(dialog, IDC_PORTS, static_cast<UINT>(rule->ports), FALSE);
  // The default rule covers all other traffic: only its ports can change.
  if (rule->defFlag) {
    Enable(dialog, IDC_NET_PROTOCOL, false);
    EnableIpParticulars(dialog, false);
    return;
  }
  SendDlgItemMessageW(dialog, IDC_DEST_ADDRESS, EM_LIMITTEXT, DOTTED_QUAD_LIMIT, 0);
  SendDlgItemMessageW(dialog, IDC_NETMASK, EM_LIMITTEXT, DOTTED_QUAD_LIMIT, 0);
  SendDlgItemMessageW(dialog, IDC_PORTS, EM_LIMITTEXT, kPortsDigits, 0);
  FillChoiceBox(dialog, IDC_NET_PROTOCOL, Net_Protocol_Table);
  FillChoiceBox(dialog, IDC_IP_PROTOCOL, Transport_Protocol_Table);
  FillChoiceBox(dialog, IDC_SOCKET, Socket_Table);
  ShowNetProtocol(dialog, rule, DialogContext.selCount);
}

// Puts the member count back into the ports field after a refused value.
void RestorePorts(HWND dialog, const Link* link, bool refocus)
{
  SetDlgItemInt(dialog, IDC_PORTS, static_cast<UINT>(link->NumAdapters), FALSE);
  SendDlgItemMessageW(dialog, IDC_PORTS, EM_SETMODIFY, FALSE, 0);
  if (refocus) SetFocus(GetDlgItem(dialog, IDC_PORTS));
}

void OnPortsLeft(HWND dialog, PriorityTrunk* rule)
{
  if (!SendDlgItemMessageW(dialog, IDC_PORTS, EM_GETMODIFY, 0, 0)) return;
  Link* link = EditedRuleTrunk();
  if (!link) return;
  BOOL read = FALSE;
  UINT ports = GetDlgItemInt(dialog, IDC_PORTS, &read, FALSE);
  if (!read) {
    RestorePorts(dialog, link, false);
    ShowError(dialog, L"Error in retrieving data!");
  } else if (ports == 0) {
    RestorePorts(dialog, link, true);
    ShowError(dialog, L"You must have at least one port per priority");
  } else if (ports > static_cast<UINT>(link->NumAdapters)) {
    RestorePorts(dialog, link, true);
    wchar_t message[128];
    swprintf(message, sizeof message / sizeof message[0],
             L"Number of ports, %d, cannot be larger than number in group, %d", static_cast<int>(ports),
             static_cast<int>(link->NumAdapters));
    ShowError(dialog, message);
  } else {
    SendDlgItemMessageW(dialog, IDC_PORTS, EM_SETMODIFY, FALSE, 0);
    if (static_cast<int32_t>(ports) != rule->ports) {
      rule->ports = static_cast<int32_t>(ports);
      // Rewrites "Default priority: ports: %d".
      if (rule->defFlag) Make_Default_Priority(rule);
    }
  }
}

void OnNetProtocolChanged(HWND dialog)
{
  LRESULT selected = SendDlgItemMessageW(dialog, IDC_NET_PROTOCOL, CB_GETCURSEL, 0, 0);
  EnableIpParticulars(dialog, selected == 0);
  protocolEdited[CHOICE_NET] = true;
}

void OnOk(HWND dialog, PriorityTrunk* rule)
{
  // Acted on only once every field has lost the focus and stored its value:
  // the OK that Enter sends from inside a field is not.
  if (!OkButtonHasFocus(dialog)) return;
  Render_Priority(rule);
  End(dialog, IDOK);
}

void OnChoiceBox(HWND dialog, PriorityTrunk* rule, int id, int code)
{
  ChoiceBoxIndex index = id == IDC_NET_PROTOCOL ? CHOICE_NET : id == IDC_IP_PROTOCOL ? CHOICE_IP : CHOICE_SOCKET;
  if (code == CBN_EDITCHANGE) {
    protocolEdited[index] = true;
  } else if (code == CBN_SELCHANGE && index == CHOICE_NET) {
    OnNetProtocolChanged(dialog);
  } else if (code == CBN_KILLFOCUS) {
    switch (index) {
      case CHOICE_NET:
        ReadProtocolBox(dialog, id, Net_Protocol_Table, &protocolEdited[index], &rule->netproto, rule->netmsg);
        break;
      case CHOICE_IP:
        ReadProtocolBox(dialog, id, Transport_Protocol_Table, &protocolEdited[index], &rule->prototype,
                        rule->protomsg);
        break;
      default:
        ReadProtocolBox(dialog, id, Socket_Table, &protocolEdited[index], &rule->socket, rule->sockmsg);
        break;
    }
  }
}

void OnAddressField(HWND dialog, int id, int code, PriorityTrunk* rule)
{
  bool* changed = &addressChanged[id == IDC_DEST_ADDRESS ? ADDRESS_DEST : ADDRESS_MASK];
  switch (code) {
    case EN_SETFOCUS: DottedQuadFocusGained(dialog, id); break;
    case EN_UPDATE: DottedQuadTextUpdated(dialog, id, changed); break;
    case EN_KILLFOCUS:
      DottedQuadFocusLost(dialog, id, changed, id == IDC_DEST_ADDRESS ? &rule->destaddr : &rule->netmask);
      break;
  }
}

bool OnCommand(HWND dialog, int id, int code)
{
  if (ending) return true;
  if (id == IDCANCEL) {
    // Values already stored stay in the rule; its text waits for an OK.
    End(dialog, IDCANCEL);
    return true;
  }
  PriorityTrunk* rule = EditedRule();
  if (!rule) return false;
  switch (id) {
    case IDOK: OnOk(dialog, rule); return true;
    case IDC_NET_PROTOCOL:
    case IDC_IP_PROTOCOL:
    case IDC_SOCKET: OnChoiceBox(dialog, rule, id, code); return true;
    case IDC_DEST_ADDRESS:
    case IDC_NETMASK: OnAddressField(dialog, id, code, rule); return true;
    case IDC_PORTS:
      if (code == EN_KILLFOCUS) OnPortsLeft(dialog, rule);
      return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_IP_ENABLE: OnIpEnableClicked(dialog, rule); return true;
    case IDC_DEST_ENABLE: OnDestinationEnableClicked(dialog, rule); return true;
    case IDC_SOCKET_ENABLE: OnSocketEnableClicked(dialog, rule); return true;
  }
  return false;
}

}  // namespace

INT_PTR CALLBACK PriorityEntryDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  switch (message) {
    case WM_INITDIALOG:
      Init(dialog);
      return TRUE;
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
  }
  return FALSE;
}

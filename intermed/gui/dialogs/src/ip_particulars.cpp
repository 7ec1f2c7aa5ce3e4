// The IP particulars of a priority rule: transport protocol, destination
// network and socket, each with its enable box. Only IP rules have them.
#include <initializer_list>

#include "control_text.h"
#include "dialogs/dialog_context.h"
#include "dialogs/dotted_quad.h"
#include "dialogs/protocol_choice.h"
#include "model/links.h"
#include "model/priority.h"
#include "priority_entry_state.h"
#include "resource.h"

bool protocolEdited[CHOICE_BOXES];
bool addressChanged[ADDRESS_FIELDS];

PriorityTrunk* EditedRule() { return static_cast<PriorityTrunk*>(DialogContext.target); }

Link* EditedRuleTrunk() { return Get_Link_from_Id(DialogContext.trunkRef); }

namespace {

void Enable(HWND dialog, int id, bool on) { EnableWindow(GetDlgItem(dialog, id), on); }

bool IsChecked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

// An address field as it is enabled: unmodified, showing the stored address
// (the empty mask for none), not yet changed.
void ShowAddress(HWND dialog, int field, uint32_t address)
{
  SendDlgItemMessageW(dialog, field, EM_SETMODIFY, FALSE, 0);
  SetControlText(dialog, field, address ? FormatDottedQuad(address).text : DOTTED_QUAD_MASK);
}

}  // namespace

void EnableIpParticulars(HWND dialog, bool on)
{
  if (!on) {
    for (int id : {IDC_IP_ENABLE, IDC_IP_PROTOCOL, IDC_DEST_ENABLE, IDC_DEST_ADDRESS, IDC_NETMASK,
                   IDC_SOCKET_ENABLE, IDC_SOCKET})
      Enable(dialog, id, false);
    return;
  }
  for (int id : {IDC_IP_ENABLE, IDC_DEST_ENABLE, IDC_SOCKET_ENABLE}) Enable(dialog, id, true);
  if (IsChecked(dialog, IDC_IP_ENABLE)) {
    Enable(dialog, IDC_IP_PROTOCOL, true);
    protocolEdited[CHOICE_IP] = false;
  }
  if (IsChecked(dialog, IDC_DEST_ENABLE)) {
    Enable(dialog, IDC_DEST_ADDRESS, true);
    Enable(dialog, IDC_NETMASK, true);
    addressChanged[ADDRESS_DEST] = false;
    addressChanged[ADDRESS_MASK] = false;
  }
  if (IsChecked(dialog, IDC_SOCKET_ENABLE)) {
    Enable(dialog, IDC_SOCKET, true);
    protocolEdited[CHOICE_SOCKET] = false;
  }
}

void ShowIpParticulars(HWND dialog, const PriorityTrunk* rule)
{
  if (rule->typeenable) {
    CheckDlgButton(dialog, IDC_IP_ENABLE, BST_CHECKED);
    ShowProtocolCode(dialog, IDC_IP_PROTOCOL, Transport_Protocol_Table, rule->prototype, rule->protomsg);
  } else {
    Enable(dialog, IDC_IP_PROTOCOL, false);
  }
  if (rule->destenable) {
    CheckDlgButton(dialog, IDC_DEST_ENABLE, BST_CHECKED);
    SetControlText(dialog, IDC_DEST_ADDRESS, FormatDottedQuad(rule->destaddr).text);
    SetControlText(dialog, IDC_NETMASK, FormatDottedQuad(rule->netmask).text);
  } else {
    Enable(dialog, IDC_DEST_ADDRESS, false);
    Enable(dialog, IDC_NETMASK, false);
  }
  if (rule->sockenable) {
    CheckDlgButton(dialog, IDC_SOCKET_ENABLE, BST_CHECKED);
    ShowProtocolCode(dialog, IDC_SOCKET, Socket_Table, rule->socket, rule->sockmsg);
  } else {
    Enable(dialog, IDC_SOCKET, false);
  }
}

void OnIpEnableClicked(HWND dialog, PriorityTrunk* rule)
{
  bool on = IsChecked(dialog, IDC_IP_ENABLE);
  rule->typeenable = on;
  Enable(dialog, IDC_IP_PROTOCOL, on);
  if (on) protocolEdited[CHOICE_IP] = false;
}

void OnDestinationEnableClicked(HWND dialog, PriorityTrunk* rule)
{
  bool on = IsChecked(dialog, IDC_DEST_ENABLE);
  rule->destenable = on;
  Enable(dialog, IDC_DEST_ADDRESS, on);
  Enable(dialog, IDC_NETMASK, on);
  if (!on) return;
  ShowAddress(dialog, IDC_DEST_ADDRESS, rule->destaddr);
  addressChanged[ADDRESS_DEST] = false;
  ShowAddress(dialog, IDC_NETMASK, rule->netmask);
  addressChanged[ADDRESS_MASK] = false;
}

void OnSocketEnableClicked(HWND dialog, PriorityTrunk* rule)
{
  bool on = IsChecked(dialog, IDC_SOCKET_ENABLE);
  rule->sockenable = on;
  Enable(dialog, IDC_SOCKET, on);
  if (on) protocolEdited[CHOICE_SOCKET] = false;
}

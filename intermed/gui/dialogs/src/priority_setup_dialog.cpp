// "Priority Trunking Setup Dialog": the ordered priority rules of the
// trunks. Works on the model directly; its Cancel takes back only the rules
// still marked provisional.
#include "control_text.h"
#include "dialog_messages.h"
#include "dialogs/dialog_context.h"
#include "dialogs/library_dialogs.h"
#include "model/links.h"
#include "model/priority.h"
#include "resource.h"
#include "sub_dialog.h"
#include "trunk_entry_text.h"

namespace {

void EnableControl(HWND dialog, int id, bool enable) { EnableWindow(GetDlgItem(dialog, id), enable); }

// Shows the trunk's rules in list order and enables what can be done with
// them: the default rule, always last, can neither move nor go.
void ListPriorities(HWND dialog, int32_t linkId)
{
  LRESULT shown = SendDlgItemMessageW(dialog, IDC_RULE_LIST, LB_GETCOUNT, 0, 0);
  if (shown == LB_ERR) {
    ShowError(dialog, L"Error Listing Priorities!!");
    return;
  }
  Link* link = Get_Link_from_Id(linkId);
  if (!link) {
    ShowError(dialog, L"Could not get proper Trunk!");
    return;
  }
  for (LRESULT i = shown - 1; i >= 0; --i) SendDlgItemMessageW(dialog, IDC_RULE_LIST, LB_DELETESTRING, i, 0);
  int count = 0;
  for (PriorityTrunk* rule = link->Priorities; rule; rule = rule->next, ++count) {
    // Rules handed in by the installer come without a display text.
    if (!rule->priorityinfo[0]) Render_Priority(rule);
    AppendListText(dialog, IDC_RULE_LIST, rule->priorityinfo);
  }
  EnableControl(dialog, IDC_DELETE_RULE, count >= 2);
  EnableControl(dialog, IDC_MOVE_UP, count >= 3);
  EnableControl(dialog, IDC_MOVE_DOWN, count >= 3);
}

// Every trunk with rules has a default rule for all other traffic.
bool GiveDefaultRule(HWND dialog, Link* link)
{
  PriorityTrunk* rule = New_Priority(link->NumAdapters);
  if (!rule) {
    ShowModelError(dialog);
    return false;
  }
  Make_Default_Priority(rule);
  if (!Add_Priority(&link->Priorities, rule)) {
    Free_Priority(rule);
    ShowModelError(dialog);
    return false;
  }
  return true;
}

void Init(HWND dialog)
{
  Link* link = Get_Nth_Link(DialogContext.trunkRef);
  if (!link) {
    ShowError(dialog, L"Could not get proper Trunk!");
    EndDialog(dialog, IDCANCEL);
    return;
  }
  for (Link* each = First_Link(); each; each = each->next)
    InsertComboText(dialog, IDC_SETUP_TRUNK_BOX, -1, TrunkEntryText(each));
  if (!link->Priorities && !GiveDefaultRule(dialog, link)) return;
  SendDlgItemMessageW(dialog, IDC_SETUP_TRUNK_BOX, CB_SETCURSEL, DialogContext.trunkRef, 0);
  ListPriorities(dialog, link->LinkID);
}

// The trunk selected in the trunk box, or null after `noSelection` (under
// "TamrixLink") or "Could not get proper Trunk!".
Link* SelectedTrunk(HWND dialog, const wchar_t* noSelection)
{
  LRESULT selected = SendDlgItemMessageW(dialog, IDC_SETUP_TRUNK_BOX, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR) {
    ShowLinkNotice(dialog, noSelection);
    return nullptr;
  }
  Link* link = Get_Nth_Link(static_cast<int>(selected));
  if (!link) ShowError(dialog, L"Could not get proper Trunk!");
  return link;
}

int SelectedRule(HWND dialog)
{
  LRESULT selected = SendDlgItemMessageW(dialog, IDC_RULE_LIST, LB_GETCURSEL, 0, 0);
  return selected == LB_ERR ? -1 : static_cast<int>(selected);
}

void OnTrunkSelected(HWND dialog)
{
  LRESULT selected = SendDlgItemMessageW(dialog, IDC_SETUP_TRUNK_BOX, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR) {
    ShowError(dialog, L"Error getting Group Selection");
    return;
  }
  Link* link = Get_Nth_Link(static_cast<int>(selected));
  if (!link) {
    ShowError(dialog, L"Could not get proper Trunk!");
    return;
  }
  if (link->NumAdapters > 0 && !link->Priorities) GiveDefaultRule(dialog, link);
  ListPriorities(dialog, link->LinkID);
}

void OnAddPriority(HWND dialog)
{
  Link* link = SelectedTrunk(dialog, L"Please choose a group to set Priority");
  if (!link) return;
  PriorityTrunk* rule = New_Priority(link->NumAdapters);
  if (!rule) {
    ShowModelError(dialog);
    return;
  }
  Set_Dialog_Context(link->LinkID, -1, rule);
  INT_PTR result = OpenSubDialog(dialog, IDD_PRIORITY_ENTRY, PriorityEntryDialogProc);
  // A rule without an Ethernet protocol matches nothing: it is not kept.
  if (result != IDOK || rule->netproto == 0) {
    Free_Priority(rule);
    return;
  }
  if (!Add_Priority(&link->Priorities, rule)) {
    Free_Priority(rule);
    ShowModelError(dialog);
    return;
  }
  ListPriorities(dialog, link->LinkID);
}

void ModifyRule(HWND dialog, Link* link, int position)
{
  PriorityTrunk* rule = Get_Nth_Priority(link->Priorities, position);
  if (!rule) {
    ShowModelError(dialog);
    return;
  }
  Set_Dialog_Context(link->LinkID, static_cast<int32_t>(rule->netproto), rule);
  if (OpenSubDialog(dialog, IDD_PRIORITY_ENTRY, PriorityEntryDialogProc) == IDOK)
    ListPriorities(dialog, link->LinkID);
}

void OnModify(HWND dialog)
{
  Link* link = SelectedTrunk(dialog, L"Please choose a group to set Priority");
  if (!link) return;
  int position = SelectedRule(dialog);
  if (position < 0) {
    ShowLinkNotice(dialog, L"Please choose a Priority to modify!");
    return;
  }
  ModifyRule(dialog, link, position);
}

void OnRuleDoubleClicked(HWND dialog)
{
  LRESULT trunk = SendDlgItemMessageW(dialog, IDC_SETUP_TRUNK_BOX, CB_GETCURSEL, 0, 0);
  int position = SelectedRule(dialog);
  if (trunk == CB_ERR || position < 0) {
    ShowError(dialog, L"Error getting Group Selection");
    return;
  }
  Link* link = Get_Nth_Link(static_cast<int>(trunk));
  if (!link) {
    ShowError(dialog, L"Could not get proper Trunk!");
    return;
  }
  ModifyRule(dialog, link, position);
}

void OnDelete(HWND dialog)
{
  Link* link = SelectedTrunk(dialog, L"Please choose a group to delete a Priority");
  if (!link) return;
  int position = SelectedRule(dialog);
  if (position < 0) {
    ShowError(dialog, L"Please choose a Priority setting to delete");
    return;
  }
  if (!Remove_Nth_Priority(&link->Priorities, position)) {
    ShowModelError(dialog);
    return;
  }
  ListPriorities(dialog, link->LinkID);
  // Delete is disabled now that only the default rule is left.
  if (link->Priorities && !link->Priorities->next) SetFocus(GetDlgItem(dialog, IDC_ADD_PRIORITY));
}

void OnMove(HWND dialog, bool up)
{
  Link* link = SelectedTrunk(dialog, L"Please choose a group to set Priority");
  if (!link) return;
  int position = SelectedRule(dialog);
  if (position < 0) {
    ShowError(dialog, L"Please select a Priority setting to move!");
    return;
  }
  if (up && position == 0) return;
  int moved = up ? Move_Up_Nth_Priority(&link->Priorities, position)
                 : Move_Down_Nth_Priority(&link->Priorities, position);
  if (!moved) {
    ShowModelError(dialog);
    return;
  }
  ListPriorities(dialog, link->LinkID);
}

bool OnCommand(HWND dialog, int id, int code)
{
  switch (id) {
    case IDC_SETUP_TRUNK_BOX:
      if (code == CBN_SELCHANGE) OnTrunkSelected(dialog);
      return true;
    case IDC_RULE_LIST:
      if (code == LBN_DBLCLK) OnRuleDoubleClicked(dialog);
      return true;
    case IDOK:
      Finish_Priority_Edit(1);
      EndDialog(dialog, IDOK);
      return true;
    case IDCANCEL:
      Finish_Priority_Edit(0);
      EndDialog(dialog, IDCANCEL);
      return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_ADD_PRIORITY: OnAddPriority(dialog); return true;
    case IDC_MODIFY_RULE: OnModify(dialog); return true;
    case IDC_DELETE_RULE: OnDelete(dialog); return true;
    case IDC_MOVE_UP: OnMove(dialog, true); return true;
    case IDC_MOVE_DOWN: OnMove(dialog, false); return true;
  }
  return false;
}

}  // namespace

INT_PTR CALLBACK PrioritySetupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
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

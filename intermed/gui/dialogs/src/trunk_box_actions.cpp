// The trunk box of the main trunk dialog and the actions that change the
// link list: selecting, creating, renaming and deleting trunks. Entry i of
// the box is always the trunk Get_Nth_Link(i) returns.
#include "adapter_lists.h"
#include "control_text.h"
#include "dialog_messages.h"
#include "dialogs/dialog_context.h"
#include "dialogs/library_dialogs.h"
#include "main_trunk_actions.h"
#include "model/links.h"
#include "resource.h"
#include "sub_dialog.h"
#include "trunk_entry_text.h"
#include "trunk_type.h"

Link* SelectedTrunk(HWND dialog, const wchar_t* noSelection, int* position)
{
  LRESULT selected = SendDlgItemMessageW(dialog, IDC_TRUNK_BOX, CB_GETCURSEL, 0, 0);
  if (selected == CB_ERR) {
    ShowError(dialog, noSelection);
    return nullptr;
  }
  Link* link = Get_Nth_Link(static_cast<int>(selected));
  if (!link) {
    ShowError(dialog, L"Could not get proper Trunk!");
    return nullptr;
  }
  if (position) *position = static_cast<int>(selected);
  return link;
}

bool HasTrunks() { return First_Link() != nullptr; }

void ShowStoredTrunkType(HWND dialog, Link* link)
{
  if (link->TrunkType == TRUNK_TYPE_UNSET) link->TrunkType = TRUNK_TYPE_SYMMETRIC;
  ShowTrunkType(dialog, link->TrunkType);
}

void OnTrunkSelected(HWND dialog)
{
  Link* link = SelectedTrunk(dialog, L"Please Select a Trunk to process");
  if (!link) return;
  FillAdapterList(dialog, IDC_MEMBER_LIST, link->LinkID, FILL_REFILL);
  // A trunk whose type was never chosen takes the button that is checked.
  if (link->TrunkType == TRUNK_TYPE_UNSET) {
    int32_t shown = ReadTrunkType(dialog);
    link->TrunkType = shown == TRUNK_TYPE_UNSET ? TRUNK_TYPE_SYMMETRIC : shown;
  }
  ShowTrunkType(dialog, link->TrunkType);
}

void OnCreateTrunk(HWND dialog)
{
  Link* link = Add_Link();
  if (!link) {
    ShowModelError(dialog);
    return;
  }
  Set_Dialog_Context(link->LinkID, 0, link);
  if (OpenSubDialog(dialog, IDD_TRUNK_NAME, TrunkNameDialogProc) != IDOK) {
    // Not named, not created: the trunk leaves the model again, so that the
    // box keeps matching the link list.
    Delete_Link(link);
    return;
  }
  ShowStoredTrunkType(dialog, link);
  InsertComboText(dialog, IDC_TRUNK_BOX, -1, TrunkEntryText(link));
  SendDlgItemMessageW(dialog, IDC_TRUNK_BOX, CB_SETCURSEL, Link_Count() - 1, 0);
  FillAdapterList(dialog, IDC_MEMBER_LIST, 0, FILL_EMPTY);
}

void OnRenameTrunk(HWND dialog)
{
  if (!HasTrunks()) {
    ShowWarning(dialog, L"Nothing to Rename");
    return;
  }
  int position;
  Link* link = SelectedTrunk(dialog, L"Please select a TamrixLink from the list of logical groups", &position);
  if (!link) return;
  Set_Dialog_Context(link->LinkID, 0, link);
  if (OpenSubDialog(dialog, IDD_TRUNK_NAME, TrunkNameDialogProc) != IDOK) return;
  SendDlgItemMessageW(dialog, IDC_TRUNK_BOX, CB_DELETESTRING, position, 0);
  InsertComboText(dialog, IDC_TRUNK_BOX, position, TrunkEntryText(link));
  SendDlgItemMessageW(dialog, IDC_TRUNK_BOX, CB_SETCURSEL, position, 0);
}

void OnDeleteTrunk(HWND dialog)
{
  if (!HasTrunks()) {
    ShowWarning(dialog, L"Nothing to Delete");
    return;
  }
  int position;
  Link* link = SelectedTrunk(dialog, L"Please select a TamrixLink from the list of logical groups", &position);
  if (!link) return;
  if (!Delete_Link(link)) {
    ShowModelError(dialog);
    return;
  }
  SendDlgItemMessageW(dialog, IDC_TRUNK_BOX, CB_DELETESTRING, position, 0);
  FillAdapterList(dialog, IDC_MEMBER_LIST, 0, FILL_EMPTY);
  FillAdapterList(dialog, IDC_AVAILABLE_LIST, 0, FILL_REFILL);
  if (!HasTrunks()) {
    SendDlgItemMessageW(dialog, IDC_TRUNK_BOX, CB_RESETCONTENT, 0, 0);
    return;
  }
  if (position >= Link_Count()) position = Link_Count() - 1;
  Link* next = Get_Nth_Link(position);
  if (!next) {
    ShowError(dialog, L"Could not get proper Trunk!");
    return;
  }
  SendDlgItemMessageW(dialog, IDC_TRUNK_BOX, CB_SETCURSEL, position, 0);
  FillAdapterList(dialog, IDC_MEMBER_LIST, next->LinkID, FILL_APPEND);
  ShowStoredTrunkType(dialog, next);
}

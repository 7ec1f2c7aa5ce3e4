#include "dialogs/main_trunk_dialog.h"

#include "adapter_lists.h"
#include "control_text.h"
#include "dialogs/library_dialogs.h"
#include "main_trunk_actions.h"
#include "model/adapters.h"
#include "model/links.h"
#include "resource.h"
#include "trunk_entry_text.h"

namespace {

void InitMainTrunkDialog(HWND dialog)
{
  if (First_Adapter()) FillAdapterList(dialog, IDC_AVAILABLE_LIST, 0, FILL_APPEND);
  Link* first = First_Link();
  if (!first) return;
  for (Link* link = first; link; link = link->next) InsertComboText(dialog, IDC_TRUNK_BOX, -1, TrunkEntryText(link));
  SendDlgItemMessageW(dialog, IDC_TRUNK_BOX, CB_SETCURSEL, 0, 0);
  FillAdapterList(dialog, IDC_MEMBER_LIST, first->LinkID, FILL_APPEND);
  ShowStoredTrunkType(dialog, first);
}

bool OnCommand(HWND dialog, int id, int code)
{
  if (id == IDC_TRUNK_BOX) {
    if (code == CBN_SELCHANGE) OnTrunkSelected(dialog);
    return true;
  }
  if (code != BN_CLICKED) return false;
  switch (id) {
    case IDC_CREATE_TRUNK: OnCreateTrunk(dialog); return true;
    case IDC_RENAME_TRUNK: OnRenameTrunk(dialog); return true;
    case IDC_DELETE_TRUNK: OnDeleteTrunk(dialog); return true;
    case IDC_TYPE_SYMMETRIC:
    case IDC_TYPE_ASYMMETRIC:
    case IDC_TYPE_FAILOVER: OnTrunkTypeClicked(dialog, id); return true;
    case IDC_ADD_INTERFACE: OnAddInterface(dialog); return true;
    case IDC_REMOVE_INTERFACE: OnRemoveInterface(dialog); return true;
    case IDC_SPEED_DUPLEX: OnSpeedDuplex(dialog); return true;
    case IDC_ADVANCED: OnAdvanced(dialog); return true;
    case IDC_PRIORITY_TRUNKING: OnPriorityTrunking(dialog); return true;
    // Neither confirms nor undoes anything: the model already holds every edit.
    case IDOK: EndDialog(dialog, IDOK); return true;
    case IDCANCEL: EndDialog(dialog, IDCANCEL); return true;
  }
  return false;
}

}  // namespace

INT_PTR CALLBACK MainTrunkDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  switch (message) {
    case WM_INITDIALOG:
      InitMainTrunkDialog(dialog);
      return TRUE;  // the dialog manager sets the default focus
    case WM_COMMAND:
      return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
  }
  return FALSE;
}

INT_PTR RunMainTrunkDialog(HWND owner) { return OpenLibraryDialog(owner, IDD_MAIN_TRUNK, MainTrunkDialogProc); }

// "Speed and Duplex Settings": the ConnectionType of all members of a trunk
// (DialogContext.target null) or of the selected ones (target: positions
// among the members, selCount of them, ascending).
#include "control_text.h"
#include "dialog_messages.h"
#include "dialogs/dialog_context.h"
#include "dialogs/library_dialogs.h"
#include "dialogs/speed_duplex.h"
#include "model/adapters.h"
#include "model/links.h"
#include "model/membership.h"
#include "resource.h"
#include "trunk_entry_text.h"
#include "trunk_type.h"

namespace {

const int* SelectedPositions() { return static_cast<const int*>(DialogContext.target); }

// Lists the members the setting applies to and shows their common code.
// Returns whether a fixed-speed model is among the members that the test
// looks at: every member, or with a selection every member up to the last
// selected one.
bool ListMembers(HWND dialog, const Link* link)
{
  const int* positions = SelectedPositions();
  int selected = DialogContext.selCount > 0 ? DialogContext.selCount : 0;
  bool fixedSpeed = false;
  int position = 0;
  int listed = 0;
  for (const Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next) {
    if (adapter->link_id != link->LinkID) continue;
    if (!positions) {
      AppendListText(dialog, IDC_SPEED_MEMBERS, adapter->msg);
      fixedSpeed = fixedSpeed || IsFixedSpeedModel(adapter->Model);
    } else {
      if (listed >= selected) break;
      fixedSpeed = fixedSpeed || IsFixedSpeedModel(adapter->Model);
      if (position == positions[listed]) {
        AppendListText(dialog, IDC_SPEED_MEMBERS, adapter->msg);
        ++listed;
      }
    }
    ++position;
  }
  int32_t common = positions ? Get_Link_Sel_Adapters_Value(link->LinkID, positions, selected)
                             : Get_Link_Adapters_Value(link->LinkID);
  ShowSpeedDuplex(dialog, common);
  return fixedSpeed;
}

void Init(HWND dialog)
{
  Link* link = Get_Link_from_Id(DialogContext.trunkRef);
  if (!link) {
    ShowError(dialog, L"Could not get proper Trunk!");
    EndDialog(dialog, IDCANCEL);
    return;
  }
  SetControlText(dialog, IDC_SPEED_GROUP_NAME, TrunkEntryText(link));
  bool fixedSpeed = ListMembers(dialog, link);
  // Fixed-speed adapters choose only their duplex, except in a failover
  // trunk, whose standby ports need not match the active one.
  if (fixedSpeed && link->TrunkType != TRUNK_TYPE_FAILOVER) HideSpeedChoices(dialog);
}

void OnBoxClicked(HWND dialog, unsigned box)
{
  // The click has already toggled the box itself; the rules look only at
  // the others.
  ShowSpeedDuplex(dialog, SpeedDuplexCodeAfterClick(box, CheckedSpeedBoxes(dialog)));
}

void OnOk(HWND dialog)
{
  Link* link = Get_Link_from_Id(DialogContext.trunkRef);
  if (!link) {
    ShowError(dialog, L"Could not get proper Trunk!");
    EndDialog(dialog, IDCANCEL);
    return;
  }
  int32_t code = ReadSpeedDuplex(dialog);
  if (const int* positions = SelectedPositions())
    Set_Link_Sel_Adapters_Value(link, positions, DialogContext.selCount, VALUE_CONNECTION_TYPE, code);
  else
    Set_Link_All_Adapters_Value(link, VALUE_CONNECTION_TYPE, code);
  EndDialog(dialog, IDOK);
}

}  // namespace

INT_PTR CALLBACK SpeedDuplexDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  switch (message) {
    case WM_INITDIALOG:
      Init(dialog);
      return TRUE;
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      if (id == IDOK) {
        OnOk(dialog);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      unsigned box = SpeedBoxOfControl(id);
      if (box && HIWORD(wParam) == BN_CLICKED) OnBoxClicked(dialog, box);
      return box != 0;
    }
  }
  return FALSE;
}

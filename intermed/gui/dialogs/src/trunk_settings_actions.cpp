// The buttons that open the settings dialogs of the selected trunk.
#include "adapter_lists.h"
#include "dialog_messages.h"
#include "dialogs/dialog_context.h"
#include "dialogs/library_dialogs.h"
#include "main_trunk_actions.h"
#include "model/links.h"
#include "model/membership.h"
#include "resource.h"
#include "sub_dialog.h"
#include "trunk_type.h"

namespace {

// Whether the user goes on with setting the speed of `count` selected
// members (all of them when the trunk is symmetric).
bool ConfirmSpeedChange(HWND dialog, const Link* link, const int* positions, int count)
{
  if (link->TrunkType == TRUNK_TYPE_SYMMETRIC) {
    return count >= link->NumAdapters ||
           AskToContinue(dialog, L"Symmetric link types force speed settings to all link adapters!  Continue?");
  }
  int32_t common = Get_Link_Sel_Adapters_Value(link->LinkID, positions, count);
  if (common == NO_MEMBER_VALUE || common == MIXED_MEMBER_VALUE)
    return AskToContinue(dialog, L"Not all selected adapters in non-symmetric link of same speed!  Continue?");
  return count >= link->NumAdapters ||
         AskToContinue(dialog, L"Changing a subset of adapters in non-symmetric link!  Continue?");
}

}  // namespace

void OnSpeedDuplex(HWND dialog)
{
  Link* link = SelectedTrunk(dialog, L"Please Select a Trunk to set the Speed/Duplex");
  if (!link) return;
  if (link->NumAdapters <= 0) {
    ShowError(dialog, L"Please Add Interfaces to a Trunk before setting Speed/Duplex Features");
    return;
  }
  // The positions must outlive the speed dialog, which reads them.
  int positions[MAX_SELECTED_ENTRIES];
  int count = ReadListSelection(dialog, IDC_MEMBER_LIST, positions);
  if (count < 0) count = 0;
  bool symmetric = link->TrunkType == TRUNK_TYPE_SYMMETRIC;
  if (count == 0 && !symmetric) {
    ShowError(dialog, L"Please select interface(s) on which to check/modify the Speed/Duplex Setting");
    return;
  }
  Set_Dialog_Context(link->LinkID, count, symmetric ? nullptr : positions);
  if (!ConfirmSpeedChange(dialog, link, positions, count)) return;
  OpenSubDialog(dialog, IDD_SPEED_DUPLEX, SpeedDuplexDialogProc);
}

void OnAdvanced(HWND dialog)
{
  Link* link = SelectedTrunk(dialog, L"Please Select a Trunk to set Advanced Features");
  if (!link) return;
  if (link->NumAdapters <= 0) {
    ShowError(dialog, L"Please Add Interfaces to a Trunk before setting Advanced Features");
    return;
  }
  Set_Dialog_Context(link->LinkID, 0, nullptr);
  OpenSubDialog(dialog, IDD_ADVANCED_GROUP, AdvancedGroupDialogProc);
}

void OnPriorityTrunking(HWND dialog)
{
  if (!HasTrunks()) {
    ShowError(dialog, L"You need to create a link before setting its Priority Trunking");
    return;
  }
  int position;
  if (!SelectedTrunk(dialog, L"Error getting Group Selection", &position)) return;
  Set_Dialog_Context(position, 0, nullptr);
  OpenSubDialog(dialog, IDD_PRIORITY_SETUP, PrioritySetupDialogProc);
}

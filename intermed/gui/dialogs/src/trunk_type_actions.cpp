// The trunk type buttons. They are automatic radio buttons: the click has
// already moved the check mark when the handler runs.
#include "dialog_messages.h"
#include "dialogs/dialog_context.h"
#include "dialogs/library_dialogs.h"
#include "main_trunk_actions.h"
#include "model/adapters.h"
#include "model/links.h"
#include "model/membership.h"
#include "resource.h"
#include "sub_dialog.h"
#include "trunk_type.h"

namespace {

// A symmetric trunk runs every member at one speed: when they differ (or
// there are none), the user may reset them all to automatic and pick one.
void MakeSymmetric(HWND dialog, Link* link)
{
  if (link->TrunkType == TRUNK_TYPE_SYMMETRIC) return;
  int32_t common = Get_Link_Adapters_Value(link->LinkID);
  if (common != NO_MEMBER_VALUE && common != MIXED_MEMBER_VALUE) {
    link->TrunkType = TRUNK_TYPE_SYMMETRIC;
    return;
  }
  if (!AskToContinue(dialog, L"Not all adapters in current link of same speed!  Continue?")) {
    ShowTrunkType(dialog, link->TrunkType);
    return;
  }
  link->TrunkType = TRUNK_TYPE_SYMMETRIC;
  Set_Link_All_Adapters_Value(link, VALUE_CONNECTION_TYPE, 0);
  Set_Dialog_Context(link->LinkID, 1, nullptr);
  OpenSubDialog(dialog, IDD_SPEED_DUPLEX, SpeedDuplexDialogProc);
}

}  // namespace

void OnTrunkTypeClicked(HWND dialog, int button)
{
  if (!HasTrunks()) return;
  Link* link = SelectedTrunk(dialog, L"Please Select a Trunk to set type");
  if (!link) return;
  switch (button) {
    case IDC_TYPE_ASYMMETRIC: link->TrunkType = TRUNK_TYPE_ASYMMETRIC; break;
    case IDC_TYPE_FAILOVER: link->TrunkType = TRUNK_TYPE_FAILOVER; break;
    case IDC_TYPE_SYMMETRIC: MakeSymmetric(dialog, link); break;
  }
}

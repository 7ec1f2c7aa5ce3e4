// "Advanced Group Features": the trunk's load-balancing policy and the
// descriptor counts of its members.
#include "control_text.h"
#include "dialog_messages.h"
#include "dialogs/dialog_context.h"
#include "dialogs/library_dialogs.h"
#include "model/adapters.h"
#include "model/links.h"
#include "model/membership.h"
#include "resource.h"
#include "trunk_entry_text.h"

namespace {

enum TransTypeCode : int32_t { TRANS_ROUND_ROBIN = 1, TRANS_FIXED = 2, TRANS_ADAPTIVE = 3 };

// Counts of 5000 and above are not shown (nor 0, "not set").
constexpr int32_t kShownCountLimit = 5000;

struct BalanceButton {
  int id;
  int32_t transType;
};
const BalanceButton kBalanceButtons[] = {
    {IDC_BALANCE_ADAPTIVE, TRANS_ADAPTIVE},
    {IDC_BALANCE_ROUND_ROBIN, TRANS_ROUND_ROBIN},
    {IDC_BALANCE_FIXED, TRANS_FIXED},
};

// The largest of the members' counts that lie between 1 and 4999, or 0.
int32_t LargestShownCount(const Link* link, int32_t AdapterValues::*count)
{
  int32_t largest = 0;
  for (const Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next) {
    int32_t value = adapter->*count;
    if (adapter->link_id == link->LinkID && value >= 1 && value < kShownCountLimit && value > largest)
      largest = value;
  }
  return largest;
}

void Init(HWND dialog)
{
  Link* link = Get_Link_from_Id(DialogContext.trunkRef);
  if (!link) {
    ShowError(dialog, L"Could not get proper Trunk!");
    EndDialog(dialog, IDCANCEL);
    return;
  }
  SetDlgItemInt(dialog, IDC_RD_COUNT, LargestShownCount(link, &AdapterValues::RdCount), FALSE);
  SetDlgItemInt(dialog, IDC_TD_COUNT, LargestShownCount(link, &AdapterValues::TdCount), FALSE);
  SetControlText(dialog, IDC_GROUP_NAME, TrunkEntryText(link));
  // An unknown policy becomes adaptive in the model at once, whatever the
  // user does next.
  if (link->TransType != TRANS_ROUND_ROBIN && link->TransType != TRANS_FIXED) link->TransType = TRANS_ADAPTIVE;
  for (const BalanceButton& button : kBalanceButtons)
    if (button.transType == link->TransType) CheckDlgButton(dialog, button.id, BST_CHECKED);
}

// An empty or unreadable field leaves the members' counts as they are.
void StoreCount(HWND dialog, int field, Link* link, int valueType)
{
  BOOL read = FALSE;
  UINT value = GetDlgItemInt(dialog, field, &read, FALSE);
  if (read) Set_Link_All_Adapters_Value(link, valueType, static_cast<int32_t>(value));
}

void OnOk(HWND dialog)
{
  Link* link = Get_Link_from_Id(DialogContext.trunkRef);
  if (!link) {
    ShowError(dialog, L"Could not get proper Trunk!");
    return;
  }
  StoreCount(dialog, IDC_RD_COUNT, link, VALUE_RD_COUNT);
  StoreCount(dialog, IDC_TD_COUNT, link, VALUE_TD_COUNT);
  for (const BalanceButton& button : kBalanceButtons)
    if (IsDlgButtonChecked(dialog, button.id) == BST_CHECKED) link->TransType = button.transType;
  EndDialog(dialog, IDOK);
}

}  // namespace

INT_PTR CALLBACK AdvancedGroupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  switch (message) {
    case WM_INITDIALOG:
      Init(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK: OnOk(dialog); return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
      }
      break;
  }
  return FALSE;
}

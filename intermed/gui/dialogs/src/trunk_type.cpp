#include "trunk_type.h"

#include <initializer_list>

#include "dialog_messages.h"
#include "resource.h"

void ShowTrunkType(HWND dialog, int32_t type)
{
  int checked;
  switch (type) {
    case TRUNK_TYPE_FAILOVER: checked = IDC_TYPE_FAILOVER; break;
    case TRUNK_TYPE_UNSET:
    case TRUNK_TYPE_SYMMETRIC: checked = IDC_TYPE_SYMMETRIC; break;
    case TRUNK_TYPE_ASYMMETRIC: checked = IDC_TYPE_ASYMMETRIC; break;
    default: ShowError(dialog, L"Radio Button Error!!"); return;
  }
  for (int button : {IDC_TYPE_SYMMETRIC, IDC_TYPE_ASYMMETRIC, IDC_TYPE_FAILOVER})
    SendDlgItemMessageW(dialog, button, BM_SETCHECK, button == checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int32_t ReadTrunkType(HWND dialog)
{
  if (IsDlgButtonChecked(dialog, IDC_TYPE_FAILOVER) == BST_CHECKED) return TRUNK_TYPE_FAILOVER;
  if (IsDlgButtonChecked(dialog, IDC_TYPE_SYMMETRIC) == BST_CHECKED) return TRUNK_TYPE_SYMMETRIC;
  if (IsDlgButtonChecked(dialog, IDC_TYPE_ASYMMETRIC) == BST_CHECKED) return TRUNK_TYPE_ASYMMETRIC;
  return TRUNK_TYPE_UNSET;
}

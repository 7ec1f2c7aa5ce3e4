// "Set Trunk Name": names the trunk that DialogContext.target points to.
#include <cstdlib>

#include "control_text.h"
#include "dialog_messages.h"
#include "dialogs/dialog_context.h"
#include "dialogs/library_dialogs.h"
#include "model/links.h"
#include "model/wide_text.h"
#include "ok_button_focus.h"
#include "resource.h"
#include "trunk_entry_text.h"

namespace {

constexpr int kNameUnits = 80;

// The name as last captured from the field, and whether it was changed.
wchar_t nameText[kNameUnits];
bool nameChanged = false;

Link* NamedTrunk() { return static_cast<Link*>(DialogContext.target); }

void Init(HWND dialog)
{
  Link* link = NamedTrunk();
  if (!link) {
    ShowError(dialog, L"Could not get proper Trunk!");
    EndDialog(dialog, IDCANCEL);
    return;
  }
  SendDlgItemMessageW(dialog, IDC_NAME_FIELD, EM_LIMITTEXT, kNameUnits, 0);
  SetControlText(dialog, IDC_NAME_FIELD, TrunkEntryText(link));
  SendDlgItemMessageW(dialog, IDC_NAME_FIELD, EM_SETSEL, 0, -1);
  nameChanged = false;
}

void CaptureName(HWND dialog)
{
  if (!SendDlgItemMessageW(dialog, IDC_NAME_FIELD, EM_GETMODIFY, 0, 0)) return;
  nameChanged = true;
  GetDlgItemTextW(dialog, IDC_NAME_FIELD, nameText, kNameUnits);
  SendDlgItemMessageW(dialog, IDC_NAME_FIELD, EM_SETMODIFY, FALSE, 0);
}

void OnOk(HWND dialog)
{
  // Enter in the name field sends OK before the field has lost the focus.
  if (!OkButtonHasFocus(dialog)) return;
  Link* link = NamedTrunk();
  if (nameChanged && link) {
    char* name = NarrowText(nameText);
    if (name) Set_Trunk_Name(link, name);
    free(name);
  }
  EndDialog(dialog, IDOK);
}

}  // namespace

INT_PTR CALLBACK TrunkNameDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
  switch (message) {
    case WM_INITDIALOG:
      Init(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_NAME_FIELD:
          if (HIWORD(wParam) == EN_KILLFOCUS) CaptureName(dialog);
          return TRUE;
        case IDOK: OnOk(dialog); return TRUE;
        case IDCANCEL: EndDialog(dialog, IDCANCEL); return TRUE;
      }
      break;
  }
  return FALSE;
}

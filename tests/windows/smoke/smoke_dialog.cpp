#include "smoke_dialog.h"

namespace {

const wchar_t* const kItems[] = {L"alpha", L"beta", L"gamma"};
const wchar_t* const kSpeeds[] = {L"Automatic", L"10 Mb/s", L"100 Mb/s"};

std::wstring ItemText(HWND list, LRESULT position) {
  std::wstring text(static_cast<size_t>(SendMessageW(list, LB_GETTEXTLEN, position, 0)) + 1, L'\0');
  text.resize(static_cast<size_t>(SendMessageW(list, LB_GETTEXT, position, reinterpret_cast<LPARAM>(&text[0]))));
  return text;
}

std::wstring Name(HWND dialog) {
  wchar_t name[16] = {};
  GetDlgItemTextW(dialog, IDC_NAME, name, 16);
  return name;
}

void Init(HWND dialog) {
  for (const wchar_t* item : kItems) SendDlgItemMessageW(dialog, IDC_ITEMS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item));
  for (const wchar_t* speed : kSpeeds)
    SendDlgItemMessageW(dialog, IDC_SPEED, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(speed));
  SendDlgItemMessageW(dialog, IDC_SPEED, CB_SETCURSEL, 0, 0);
  SendDlgItemMessageW(dialog, IDC_NAME, EM_LIMITTEXT, 15, 0);
}

void OnItems(HWND dialog, WORD code) {
  HWND list = GetDlgItem(dialog, IDC_ITEMS);
  LRESULT selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
  if (code == LBN_SELCHANGE) EnableWindow(GetDlgItem(dialog, IDC_DETAILS), selected != LB_ERR);
  if (code == LBN_DBLCLK && selected != LB_ERR) SetDlgItemTextW(dialog, IDC_NAME, ItemText(list, selected).c_str());
}

void OnDetails(HWND dialog) {
  LRESULT selected = SendDlgItemMessageW(dialog, IDC_ITEMS, LB_GETCURSEL, 0, 0);
  std::wstring text = L"Selected: " + ItemText(GetDlgItem(dialog, IDC_ITEMS), selected);
  MessageBoxW(dialog, text.c_str(), L"Smoke Details", MB_OK | MB_ICONINFORMATION);
}

void OnOk(HWND dialog) {
  std::wstring name = Name(dialog);
  if (name.empty()) {
    MessageBoxW(dialog, L"Please enter a name.", L"Smoke Warning", MB_OK | MB_ICONWARNING);
    SetFocus(GetDlgItem(dialog, IDC_NAME));
    return;
  }
  auto* choice = reinterpret_cast<SmokeChoice*>(GetWindowLongPtrW(dialog, DWLP_USER));
  choice->name = name;
  choice->item = static_cast<int>(SendDlgItemMessageW(dialog, IDC_ITEMS, LB_GETCURSEL, 0, 0));
  choice->speed = static_cast<int>(SendDlgItemMessageW(dialog, IDC_SPEED, CB_GETCURSEL, 0, 0));
  choice->enabled = IsDlgButtonChecked(dialog, IDC_ENABLED) == BST_CHECKED;
  EndDialog(dialog, IDOK);
}

void OnCancel(HWND dialog) {
  bool typed = SendDlgItemMessageW(dialog, IDC_NAME, EM_GETMODIFY, 0, 0) != 0;
  if (typed && MessageBoxW(dialog, L"Discard the name you typed?", L"Smoke Question", MB_OKCANCEL) != IDOK) return;
  EndDialog(dialog, IDCANCEL);
}

INT_PTR CALLBACK SmokeDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG:
      SetWindowLongPtrW(dialog, DWLP_USER, lParam);
      Init(dialog);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_ITEMS: OnItems(dialog, HIWORD(wParam)); return TRUE;
        case IDC_DETAILS: OnDetails(dialog); return TRUE;
        case IDOK: OnOk(dialog); return TRUE;
        case IDCANCEL: OnCancel(dialog); return TRUE;
      }
      break;
  }
  return FALSE;
}

}  // namespace

INT_PTR RunSmokeDialog(HWND owner, SmokeChoice* choice, int templateId) {
  return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(templateId), owner, SmokeDialogProc,
                         reinterpret_cast<LPARAM>(choice));
}

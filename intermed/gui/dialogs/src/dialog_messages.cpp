#include "dialog_messages.h"

#include <cstdlib>

#include "model/message_buffer.h"
#include "model/wide_text.h"

namespace {

const wchar_t kErrorCaption[] = L"Tamrix - Error";
const wchar_t kWarningCaption[] = L"Tamrix Warning";
const wchar_t kLinkCaption[] = L"TamrixLink";

}  // namespace

void ShowError(HWND owner, const wchar_t* text) { MessageBoxW(owner, text, kErrorCaption, MB_OK); }

void ShowModelError(HWND owner)
{
  WideChar* text = WidenText(Model_Message());
  ShowError(owner, text ? text : L"");
  free(text);
}

void ShowWarning(HWND owner, const wchar_t* text) { MessageBoxW(owner, text, kWarningCaption, MB_OK); }

void ShowLinkNotice(HWND owner, const wchar_t* text) { MessageBoxW(owner, text, kLinkCaption, MB_OK); }

bool AskToContinue(HWND owner, const wchar_t* text)
{
  return MessageBoxW(owner, text, kWarningCaption, MB_OKCANCEL) == IDOK;
}

#include "dialogs/do_tmrx_link.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "dialogs/main_trunk_dialog.h"
#include "model/model.h"

namespace {

// The entry's failures: no owner window, OK only, no icon.
void ShowFatal(const char* text)
{
  WideChar* wide = WidenText(text);
  MessageBoxW(nullptr, wide ? wide : L"", L"FATAL", MB_OK);
  free(wide);
}

BOOLEAN Fail(const char* text)
{
  ShowFatal(text);
  return FALSE;
}

// The owner window named by the caller's hexadecimal handle text, or false.
// A handle that names no window is refused here: the dialog manager would
// only report it as a dialog that ended without a result.
bool ScanOwner(const char* text, HWND* owner)
{
  unsigned int handle = 0;
  if (sscanf(text, "%08x", &handle) != 1) return false;
  // Window handles are 32-bit values, sign-extended on 64-bit Windows.
  *owner = reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(handle)));
  return !*owner || IsWindow(*owner);
}

}  // namespace

extern "C" BOOLEAN WINAPI doTmrxLink(int count, const char* const* args, char** result)
{
  if (result) *result = nullptr;
  Empty_Model();
  if (count != 2 || !result || !args || !args[0] || !args[1])
    return Fail("Invalid arguments to doTmrxLink, aborting!");
  MessageBoxW(nullptr, L"doTmrxLink called\n", L"uh", MB_OK);
  if (!Read_Text_List(args[0])) return Fail(Model_Message());
  if (Link_Count() < 1 && Adapter_Count() < 1) return Fail("Nothing to process, aborting!");
  HWND owner = nullptr;
  if (!ScanOwner(args[1], &owner)) return Fail("Invalid dialog handle, aborting!");
  INT_PTR ended = RunMainTrunkDialog(owner);
  // 0 is the dialog manager refusing the owner; the dialog itself ends with 1 or 2.
  if (ended == -1 || ended == 0) return Fail("Dialog box failure, aborting!");
  char* text = Set_Return_String(ended == IDCANCEL ? 0 : 1);
  if (!text) return Fail(Model_Message());
  *result = text;
  return TRUE;
}

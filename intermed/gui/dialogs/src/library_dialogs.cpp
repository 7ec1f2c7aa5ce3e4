#include "dialogs/library_dialogs.h"

HINSTANCE Library_Module()
{
  // The module that holds this code holds the templates too, whether that is
  // TmrxInt.dll or a program the dialogs are linked into; no DllMain needed.
  HMODULE module = nullptr;
  GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCWSTR>(&Library_Module), &module);
  return module;
}

INT_PTR OpenLibraryDialog(HWND owner, int templateId, DLGPROC procedure)
{
  return DialogBoxParamW(Library_Module(), MAKEINTRESOURCEW(templateId), owner, procedure, 0);
}

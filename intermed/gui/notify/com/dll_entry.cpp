// Entry point of TmrxInt.dll.
#include <windows.h>

#include "notify/com_module.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
  switch (reason) {
    case DLL_PROCESS_ATTACH:
      Module_Start(instance);
      DisableThreadLibraryCalls(instance);
      break;
    case DLL_PROCESS_DETACH: Module_End(); break;
    default: break;
  }
  return TRUE;
}

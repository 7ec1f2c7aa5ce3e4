#include "installer_call.h"

#include <cstdint>
#include <cstdio>

namespace {

#ifdef _WIN64
const char kEntryName[] = "doTmrxLink";
#else
const char kEntryName[] = "_doTmrxLink@12";
#endif

}  // namespace

DoTmrxLink LoadTmrxLink(std::string* error)
{
  HMODULE library = LoadLibraryW(L"TmrxInt.dll");
  if (!library) {
    *error = "cannot load TmrxInt.dll (error " + std::to_string(GetLastError()) + ")";
    return nullptr;
  }
  auto entry = reinterpret_cast<DoTmrxLink>(reinterpret_cast<void*>(GetProcAddress(library, kEntryName)));
  if (!entry) *error = std::string("TmrxInt.dll exports no ") + kEntryName;
  return entry;
}

std::string HandleText(HWND window)
{
  char text[16];
  snprintf(text, sizeof text, "%08x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(window)));
  return text;
}

HWND CreateInstallerWindow()
{
  WNDCLASSW windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcW;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.lpszClassName = L"TmrxcfgInstaller";
  RegisterClassW(&windowClass);
  return CreateWindowExW(0, windowClass.lpszClassName, L"tmrxcfg", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                         CW_USEDEFAULT, 400, 300, nullptr, nullptr, windowClass.hInstance, nullptr);
}

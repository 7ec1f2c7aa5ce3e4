// desktop_ready: waits until this wine prefix's desktop takes windows, then
// keeps it up. The first window of a session makes Wine start the desktop
// process and wait for it a limited time, and the desktop ends soon after the
// last program that used it: on a slow machine (the x86 machine emulates every
// instruction) each test program would then meet a desktop that starts too
// late for its windows. So a copy of this program, started with --hold, keeps
// a window until the session's wineserver ends it.
// Exit status 0 once a window could be made and the holder started, 1 when
// no window could be made for about two minutes.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

HWND New_Window() { return CreateWindowExW(0, L"STATIC", L"desktop_ready", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr); }

int Hold()
{
  if (!New_Window()) return 1;
  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) DispatchMessageW(&message);
  return 0;
}

// Starts `command` detached; its process handle, or null.
HANDLE Start(std::wstring command)
{
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr, &startup,
                      &process))
    return nullptr;
  CloseHandle(process.hThread);
  return process.hProcess;
}

bool Start_Holder()
{
  WCHAR self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  HANDLE holder = Start(L"\"" + std::wstring(self) + L"\" --hold");
  if (holder) CloseHandle(holder);
  return holder != nullptr;
}

// Starts the desktop process and waits until it is idle. A first window
// would start it too, but Wine waits only ten seconds for it then: on a
// loaded x86 machine the desktop needs longer, and the program that timed
// out, and the desktop itself, stay without a display driver.
void Start_Desktop()
{
  HANDLE desktop = Start(L"explorer.exe /desktop");
  if (!desktop) return;
  WaitForInputIdle(desktop, 180000);
  CloseHandle(desktop);
}

}  // namespace

int main(int argc, char** argv)
{
  if (argc == 2 && std::string(argv[1]) == "--hold") return Hold();
  Start_Desktop();
  for (int attempt = 0; attempt < 120; ++attempt) {
    HWND window = GetDesktopWindow() ? New_Window() : nullptr;
    if (window) {
      DestroyWindow(window);
      if (Start_Holder()) return 0;
      fputs("desktop_ready: could not start the holder of the desktop\n", stderr);
      return 1;
    }
    Sleep(1000);
  }
  fputs("desktop_ready: no window could be made: the desktop did not start\n", stderr);
  return 1;
}

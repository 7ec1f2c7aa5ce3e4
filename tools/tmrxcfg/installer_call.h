// Calling TmrxInt.dll the way the installer does: by file name, its entry
// looked up by its exported name.
#pragma once

#include <windows.h>

#include <string>

using DoTmrxLink = BOOLEAN(WINAPI*)(int count, const char* const* args, char** result);

// The entry of TmrxInt.dll (next to this program, or on the search path),
// or null with `error` set.
DoTmrxLink LoadTmrxLink(std::string* error);

// The window handle as the entry wants it: hexadecimal digits.
std::string HandleText(HWND window);

// A hidden top-level window standing for the installer's own.
HWND CreateInstallerWindow();

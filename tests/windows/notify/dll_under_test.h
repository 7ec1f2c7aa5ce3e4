// TmrxInt.dll next to the test program, loaded by path as COM loads it.
#pragma once

#include <windows.h>

#include <string>

// Full path of the TmrxInt.dll beside this program.
std::wstring Library_Path();

// Runs Wine's regsvr32 silently on the library; its exit code.
DWORD Run_Regsvr32(bool unregister);

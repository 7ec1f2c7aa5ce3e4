// The installer's entry into TmrxInt.dll.
//
// doTmrxLink(count, args, result): count must be 2; args[0] is the nested
// text list of the installed adapters and configured trunks, args[1] the
// caller's window handle in hexadecimal ("%08x"). The user edits the list in
// the main trunk dialog, owned by that window. Returns 1 with *result set to
// the flat text list (after OK) or "{}" (after Cancel); 0 with *result null
// after a failure, which a "FATAL" message box has reported.
//
// *result is allocated with malloc() of the C runtime msvcrt.dll: the caller
// releases it with free() of that same runtime. The library has no release
// entry of its own.
//
// Exported at ordinal 5, as "_doTmrxLink@12" from the 32-bit DLL and as
// "doTmrxLink" from the 64-bit one.
#pragma once

#include <windows.h>

extern "C" BOOLEAN WINAPI doTmrxLink(int count, const char* const* args, char** result);

// smoke_exports.dll: one stdcall entry of three 32-bit arguments, exported
// through a module-definition file the way the product's library exports its
// installer entry.
#pragma once

#include <windows.h>

// Sets *result to null, then for count 1 to a new malloc'd text "probe:" +
// args[0] (the caller frees it) and returns 1; returns 0 for anything else.
using SmokeProbe = BOOLEAN(WINAPI*)(int count, const char* const* args, char** result);

// The 32-bit build keeps the decorated stdcall name.
#ifdef _WIN64
constexpr char kSmokeProbeName[] = "doSmokeProbe";
#else
constexpr char kSmokeProbeName[] = "_doSmokeProbe@12";
#endif
constexpr WORD kSmokeProbeOrdinal = 5;

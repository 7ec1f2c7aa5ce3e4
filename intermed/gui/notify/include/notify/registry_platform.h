// The registry calls, GUIDs and 16-bit texts of the platform: advapi32 and
// ole32 on Windows, the host stand-in (host/registry) in native builds.
#pragma once

#ifdef _WIN32
#include <windows.h>
#include <objbase.h>
#define REG_TEXT(text) L##text
#else
#include <hostreg/guid.h>
#include <hostreg/registry.h>
#define REG_TEXT(text) u##text
#endif

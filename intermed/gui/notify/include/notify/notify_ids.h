// Identities of the COM class and its type library.
#pragma once

#include <windows.h>

// NotifyObject {5b81c0d2-4a7e-4c19-9e36-2f0d8a6b71c4}
constexpr CLSID CLSID_NotifyObject = {0x5b81c0d2, 0x4a7e, 0x4c19, {0x9e, 0x36, 0x2f, 0x0d, 0x8a, 0x6b, 0x71, 0xc4}};
// NotifyObjectLib {8e3d6a41-27c5-4f0b-b9d2-63a1c7e05f18}, version 1.0
constexpr GUID LIBID_NotifyObjectLib = {0x8e3d6a41, 0x27c5, 0x4f0b, {0xb9, 0xd2, 0x63, 0xa1, 0xc7, 0xe0, 0x5f, 0x18}};

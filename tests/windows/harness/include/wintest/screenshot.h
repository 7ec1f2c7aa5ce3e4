// Pictures of windows, for looking at what a test drove.
#pragma once

#include <windows.h>

#include <string>

namespace wintest {

// Saves the window, frame and children included, as a 32-bit BMP file.
// Returns false and fails the running test when it cannot.
bool SaveWindowBitmap(HWND window, const std::wstring& path);

}  // namespace wintest

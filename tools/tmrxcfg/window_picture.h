#pragma once

#include <windows.h>

#include <string>

// Saves what the window shows, frame and children included, as a 32-bit
// BMP file. False when the window cannot be copied or the file written.
bool SaveWindowPicture(HWND window, const std::wstring& path);

#include "window_picture.h"

#include <cstdio>

namespace {

bool WriteBitmap(const std::wstring& path, const BITMAPINFOHEADER& header, const void* pixels)
{
  const DWORD pixelBytes = static_cast<DWORD>(header.biWidth) * static_cast<DWORD>(header.biHeight) * 4;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + pixelBytes;
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (!out) return false;
  bool written = fwrite(&file, sizeof file, 1, out) == 1 && fwrite(&header, sizeof header, 1, out) == 1 &&
                 fwrite(pixels, pixelBytes, 1, out) == 1;
  return fclose(out) == 0 && written;
}

}  // namespace

bool SaveWindowPicture(HWND window, const std::wstring& path)
{
  RECT rect;
  if (!IsWindow(window) || !GetWindowRect(window, &rect) || rect.right <= rect.left || rect.bottom <= rect.top)
    return false;
  BITMAPINFO info = {};
  BITMAPINFOHEADER& header = info.bmiHeader;
  header.biSize = sizeof header;
  header.biWidth = rect.right - rect.left;
  header.biHeight = rect.bottom - rect.top;  // bottom-up rows
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;

  // Paint what is still pending, then copy the screen.
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  HDC windowDc = GetWindowDC(window);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  bool copied = false;
  if (memoryDc && bitmap) {
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    copied = BitBlt(memoryDc, 0, 0, header.biWidth, header.biHeight, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    SelectObject(memoryDc, previous);
  }
  bool saved = copied && WriteBitmap(path, header, pixels);
  if (bitmap) DeleteObject(bitmap);
  if (memoryDc) DeleteDC(memoryDc);
  ReleaseDC(window, windowDc);
  return saved;
}

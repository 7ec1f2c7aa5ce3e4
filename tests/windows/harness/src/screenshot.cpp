#include "wintest/screenshot.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

namespace wintest {
namespace {

struct FileCloser {
  void operator()(FILE* file) const { fclose(file); }
};

bool WriteBitmapFile(const std::wstring& path, const BITMAPINFOHEADER& header, const void* pixels) {
  const DWORD pixelBytes = header.biWidth * header.biHeight * 4;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;  // "BM"
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + pixelBytes;
  std::unique_ptr<FILE, FileCloser> out(_wfopen(path.c_str(), L"wb"));
  return out && fwrite(&file, sizeof file, 1, out.get()) == 1 &&
         fwrite(&header, sizeof header, 1, out.get()) == 1 &&
         fwrite(pixels, pixelBytes, 1, out.get()) == 1;
}

}  // namespace

bool SaveWindowBitmap(HWND window, const std::wstring& path) {
  RECT rect;
  if (!IsWindow(window) || !GetWindowRect(window, &rect) || rect.right <= rect.left ||
      rect.bottom <= rect.top) {
    ADD_FAILURE() << "no picture of window " << window << ": not a window with a size";
    return false;
  }
  BITMAPINFO info = {};
  BITMAPINFOHEADER& header = info.bmiHeader;
  header.biSize = sizeof header;
  header.biWidth = rect.right - rect.left;
  header.biHeight = rect.bottom - rect.top;  // positive: rows bottom-up, as viewers expect
  header.biPlanes = 1;
  header.biBitCount = 32;
  header.biCompression = BI_RGB;

  // Paint everything still pending, then copy what is on the screen.
  RedrawWindow(window, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  HDC windowDc = GetWindowDC(window);
  HDC memoryDc = CreateCompatibleDC(windowDc);
  void* pixels = nullptr;
  HBITMAP bitmap = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  bool ok = false;
  if (memoryDc && bitmap) {
    HGDIOBJ previous = SelectObject(memoryDc, bitmap);
    ok = BitBlt(memoryDc, 0, 0, header.biWidth, header.biHeight, windowDc, 0, 0, SRCCOPY);
    GdiFlush();
    SelectObject(memoryDc, previous);
  }
  if (!ok) ADD_FAILURE() << "could not copy window " << window << " into a bitmap";
  if (ok && !WriteBitmapFile(path, header, pixels)) {
    ADD_FAILURE() << "could not write " << path;
    ok = false;
  }
  if (bitmap) DeleteObject(bitmap);
  if (memoryDc) DeleteDC(memoryDc);
  ReleaseDC(window, windowDc);
  return ok;
}

}  // namespace wintest

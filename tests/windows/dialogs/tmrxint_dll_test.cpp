// TmrxInt.dll loaded by file name, the way the installer loads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

#include <wintest/dialog_driver.h>

#include "example_lists.h"
#include "resource.h"

using wintest::DialogDriver;
using wintest::DialogScript;

namespace {

using DoTmrxLink = BOOLEAN(WINAPI*)(int count, const char* const* args, char** result);

#ifdef _WIN64
const char kEntryName[] = "doTmrxLink";
#else
const char kEntryName[] = "_doTmrxLink@12";
#endif

class TmrxIntDll : public ::testing::Test {
 protected:
  void SetUp() override
  {
    dll_ = LoadLibraryW(L"TmrxInt.dll");
    ASSERT_NE(nullptr, dll_) << "LoadLibrary error " << GetLastError();
  }
  void TearDown() override
  {
    if (dll_) FreeLibrary(dll_);
  }
  HMODULE dll_ = nullptr;
};

TEST_F(TmrxIntDll, EntryByNameIsOrdinalFiveAndReturnsFreeableText)
{
  auto entry = reinterpret_cast<DoTmrxLink>(reinterpret_cast<void*>(GetProcAddress(dll_, kEntryName)));
  ASSERT_NE(nullptr, entry) << "no export " << kEntryName;
  EXPECT_EQ(reinterpret_cast<void*>(entry), reinterpret_cast<void*>(GetProcAddress(dll_, MAKEINTRESOURCEA(5))))
      << "ordinal 5";

  HWND owner = CreateWindowExW(0, L"STATIC", L"installer", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
  char handle[16];
  snprintf(handle, sizeof handle, "%08x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(owner)));
  const char* args[] = {kExampleList, handle};
  char* result = nullptr;
  DialogDriver driver;
  driver.ExpectMessageBox(L"doTmrxLink called\n", L"uh", IDOK)
      .ExpectDialog(L"Tamrix Port Aggregation Software", DialogScript().Click(IDOK));
  ASSERT_EQ(1, entry(2, args, &result));
  ASSERT_NE(nullptr, result);
  EXPECT_STREQ(kExampleReturned, result);
  free(result);  // the C runtime's malloc made it
  DestroyWindow(owner);
}

TEST_F(TmrxIntDll, CarriesTheBannerBitmapAndAVersionBlock)
{
  HRSRC bitmap = FindResourceW(dll_, MAKEINTRESOURCEW(IDB_BANNER), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
  ASSERT_NE(nullptr, bitmap);
  auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(dll_, bitmap)));
  ASSERT_NE(nullptr, header);
  EXPECT_EQ(331, header->biWidth);
  EXPECT_EQ(63, header->biHeight);
  EXPECT_EQ(4, header->biBitCount) << "16 colours";
  EXPECT_EQ(static_cast<DWORD>(BI_RGB), header->biCompression);
  EXPECT_NE(nullptr, FindResourceW(dll_, MAKEINTRESOURCEW(IDV_VERSION), MAKEINTRESOURCEW(16) /* RT_VERSION */));
  for (int id : {IDD_MAIN_TRUNK, IDD_ADVANCED_GROUP, IDD_SPEED_DUPLEX, IDD_PRIORITY_SETUP, IDD_PRIORITY_ENTRY,
                 IDD_TRUNK_NAME})
    EXPECT_NE(nullptr, FindResourceW(dll_, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(5) /* RT_DIALOG */))
        << "template " << id;
}

}  // namespace

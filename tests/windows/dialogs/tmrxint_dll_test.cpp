// TmrxInt.dll loaded by file name, the way the installer loads it.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <wintest/dialog_driver.h>
#include <wintest/host_files.h>

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
    entry_ = reinterpret_cast<DoTmrxLink>(reinterpret_cast<void*>(GetProcAddress(dll_, kEntryName)));
    ASSERT_NE(nullptr, entry_) << "no export " << kEntryName;
  }
  void TearDown() override
  {
    if (dll_) FreeLibrary(dll_);
  }
  // The text doTmrxLink returns for LIST after OK in the main dialog; the
  // call's result and the text go through the running test's assertions.
  std::string ReturnedAfterOk(const char* list)
  {
    HWND owner = CreateWindowExW(0, L"STATIC", L"installer", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    char handle[16];
    snprintf(handle, sizeof handle, "%08x", static_cast<unsigned>(reinterpret_cast<uintptr_t>(owner)));
    const char* args[] = {list, handle};
    char* result = nullptr;
    DialogDriver driver;
    driver.ExpectMessageBox(L"doTmrxLink called\n", L"uh", IDOK)
        .ExpectDialog(L"Tamrix Port Aggregation Software", DialogScript().Click(IDOK));
    EXPECT_EQ(1, entry_(2, args, &result)) << list;
    std::string text = result ? result : "<no text>";
    free(result);  // the C runtime's malloc made it
    DestroyWindow(owner);
    return text;
  }
  HMODULE dll_ = nullptr;
  DoTmrxLink entry_ = nullptr;
};

TEST_F(TmrxIntDll, EntryByNameIsOrdinalFiveAndReturnsFreeableText)
{
  EXPECT_EQ(reinterpret_cast<void*>(entry_), reinterpret_cast<void*>(GetProcAddress(dll_, MAKEINTRESOURCEA(5))))
      << "ordinal 5";
  EXPECT_EQ(kExampleReturned, ReturnedAfterOk(kExampleList));
}

// What the installer gets back for lists with rules, qualifiers and numbers at
// their limits, kept in the build's outputs: the 32-bit and the 64-bit library
// must return the same (compared by the test compare.do_tmrx_link).
TEST_F(TmrxIntDll, ReturnedTextsAreKeptForTheOtherBuild)
{
  const char* const lists[] = {
      kExampleList,
      kAdaptersOnlyList,
      "{{K250,{{0 4 0 1 32 1 0},{0 5 0 1 32 2 0}},{}},{K250FX,{{3 6 0 1 64 1 4}},{{3 7 1}}},"
      " {TmrxLink,{{Rules,2,1,{1 2048 6 3232235776 4294967040 80 2 33079 0 0 0 0, 3 2048 0 0 0 0},"
      "  {{K250,5,32,0,4,4,0,1,0,0,0},{K250,5,32,0,5,5,0,2,0,0,0}}},"
      " {Limits,1,3,{2147483647 4294967295 4294967295 4294967295 4294967295 4294967295},"
      "  {{K250FX,5,64,3,6,6,0,1,4,2147483647,2147483647}}}}}}",
  };
  std::string kept;
  for (const char* list : lists) kept += ReturnedAfterOk(list) + "\n";
  wintest::WriteHostFile(wintest::HostFolder(TMRX_BUILD_OUTPUTS) + L"\\do_tmrx_link.txt", kept);
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

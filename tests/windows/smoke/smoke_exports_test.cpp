// smoke_exports.dll loaded the way an installer loads the product's library:
// by file name, its entry looked up by name and by ordinal.
#include "smoke_exports.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class SmokeExports : public ::testing::Test {
 protected:
  void SetUp() override {
    dll_ = LoadLibraryW(L"smoke_exports.dll");
    ASSERT_NE(nullptr, dll_) << "LoadLibrary error " << GetLastError();
    probe_ = reinterpret_cast<SmokeProbe>(reinterpret_cast<void*>(GetProcAddress(dll_, kSmokeProbeName)));
    ASSERT_NE(nullptr, probe_) << "no export named " << kSmokeProbeName;
  }
  void TearDown() override {
    if (dll_) FreeLibrary(dll_);
  }

  HMODULE dll_ = nullptr;
  SmokeProbe probe_ = nullptr;
};

}  // namespace

TEST_F(SmokeExports, ProbeCalledByNameTakesItsArgumentsAndReturnsText) {
  const char* args[] = {"abc"};
  char* result = nullptr;
  EXPECT_EQ(1, probe_(1, args, &result));
  ASSERT_NE(nullptr, result);
  EXPECT_STREQ("probe:abc", result);
  free(result);

  result = const_cast<char*>("stale");
  EXPECT_EQ(0, probe_(2, args, &result));
  EXPECT_EQ(nullptr, result) << "*result is cleared before the arguments are checked";
}

TEST_F(SmokeExports, OrdinalFiveIsTheProbe) {
  FARPROC byOrdinal = GetProcAddress(dll_, MAKEINTRESOURCEA(kSmokeProbeOrdinal));
  EXPECT_EQ(reinterpret_cast<void*>(probe_), reinterpret_cast<void*>(byOrdinal));
}

// The in-memory registry behaves like the platform's where the library relies on it.
#include <gtest/gtest.h>

#include <hostreg/guid.h>
#include <hostreg/registry_testing.h>

namespace {

class HostRegistry : public ::testing::Test {
protected:
  void SetUp() override { hostreg::Reset(); }
  void TearDown() override { hostreg::Reset(); }
};

}  // namespace

TEST_F(HostRegistry, CreateMakesMissingKeysAndNamesIgnoreCase)
{
  HKEY key = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"A\\B\\C", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &key, &disposition));
  EXPECT_EQ(REG_CREATED_NEW_KEY, disposition);
  EXPECT_TRUE(hostreg::HasKey("a\\b"));
  RegCloseKey(key);
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"a\\b\\c", 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_ALL_ACCESS, nullptr, &key, &disposition));
  EXPECT_EQ(REG_OPENED_EXISTING_KEY, disposition) << "key names compare without regard to case";
  EXPECT_EQ((std::vector<std::string>{"B"}), hostreg::SubkeyNames("A")) << "the first spelling is kept";
  RegCloseKey(key);
  EXPECT_EQ(0, hostreg::OpenHandles());
}

TEST_F(HostRegistry, QueryGivesSizeTypeAndRefusesSmallBuffers)
{
  hostreg::PutValue("K", "v", REG_BINARY, {1, 2, 3, 4, 5, 6});
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"K", 0, KEY_READ, &key));
  DWORD type = 0;
  DWORD size = 0;
  EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExW(key, u"V", nullptr, &type, nullptr, &size));
  EXPECT_EQ(REG_BINARY, type);
  EXPECT_EQ(6u, size);
  BYTE data[4] = {};
  size = sizeof data;
  EXPECT_EQ(ERROR_MORE_DATA, RegQueryValueExW(key, u"v", nullptr, nullptr, data, &size));
  EXPECT_EQ(6u, size) << "the size needed";
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegQueryValueExW(key, u"w", nullptr, nullptr, data, &size));
  RegCloseKey(key);
}

TEST_F(HostRegistry, BadHandlesPathsAndArgumentsAreRefused)
{
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, RegOpenKeyExW(HKEY_LOCAL_MACHINE, u"missing", 0, KEY_READ, &key));
  EXPECT_EQ(ERROR_BAD_PATHNAME, RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"\\lead", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                                &key, nullptr));
  EXPECT_EQ(ERROR_BAD_PATHNAME,
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"a\\\\b", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  EXPECT_EQ(ERROR_INVALID_PARAMETER,
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"a", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr, nullptr));
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"a", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegCloseKey(key));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCloseKey(key)) << "a closed handle";
  const BYTE one = 1;
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegSetValueExW(key, u"v", 0, REG_BINARY, &one, 1));
  EXPECT_EQ(ERROR_INVALID_HANDLE, RegCreateKeyExW(reinterpret_cast<HKEY>(0x1234), u"b", 0, nullptr, 0,
                                                  KEY_ALL_ACCESS, nullptr, &key, nullptr));
}

TEST_F(HostRegistry, RefusalsAreAccessDenied)
{
  hostreg::RefuseKey("a\\b");
  hostreg::RefuseValue("A", "V");
  HKEY key = nullptr;
  EXPECT_EQ(ERROR_ACCESS_DENIED,
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"A\\B", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  EXPECT_FALSE(hostreg::HasKey("a\\b")) << "a refused key is not created";
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, u"a", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
  const BYTE one = 1;
  EXPECT_EQ(ERROR_ACCESS_DENIED, RegSetValueExW(key, u"v", 0, REG_BINARY, &one, 1));
  EXPECT_EQ(ERROR_SUCCESS, RegSetValueExW(key, u"w", 0, REG_BINARY, &one, 1));
  EXPECT_EQ((std::vector<std::string>{"w"}), hostreg::ValueNames("a"));
  RegCloseKey(key);
}

TEST(GuidText, RegistryFormIsUpperCaseInBraces)
{
  const GUID guid = {0x5b81c0d2, 0x4a7e, 0x4c19, {0x9e, 0x36, 0x2f, 0x0d, 0x8a, 0x6b, 0x71, 0xc4}};
  char16_t text[39];
  EXPECT_EQ(39, StringFromGUID2(guid, text, 39));
  EXPECT_EQ(std::u16string(u"{5B81C0D2-4A7E-4C19-9E36-2F0D8A6B71C4}"), std::u16string(text));
  EXPECT_EQ(0, StringFromGUID2(guid, text, 38)) << "no room for the terminator";
}

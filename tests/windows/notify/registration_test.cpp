// Self-registration through Wine's regsvr32, and ole32 loading the library
// from what it registered.
#include <windows.h>
#include <netcfgn.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wintest/host_files.h>
#include <wintest/registry_tree.h>

#include "dll_under_test.h"
#include "notify/notify_ids.h"

namespace {

const wchar_t CLASS_KEY[] = L"CLSID\\{5b81c0d2-4a7e-4c19-9e36-2f0d8a6b71c4}";
const wchar_t TYPE_LIBRARY_KEY[] = L"TypeLib\\{8e3d6a41-27c5-4f0b-b9d2-63a1c7e05f18}";
#ifdef _WIN64
const wchar_t PLATFORM[] = L"win64";
#else
const wchar_t PLATFORM[] = L"win32";
#endif

// A REG_SZ beneath HKEY_CLASSES_ROOT, "<missing>" when there is none.
std::wstring Text(const std::wstring& key, const wchar_t* name)
{
  WCHAR text[MAX_PATH * 2] = {};
  DWORD size = sizeof text - sizeof(WCHAR);
  DWORD type = 0;
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_ANY, &type, text, &size) != ERROR_SUCCESS)
    return L"<missing>";
  return type == REG_SZ ? std::wstring(text) : L"<not REG_SZ>";
}

std::vector<std::wstring> Subkeys(const std::wstring& key)
{
  std::vector<std::wstring> names;
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return names;
  WCHAR name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(handle, i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    names.emplace_back(name);
  }
  RegCloseKey(handle);
  return names;
}

bool Exists(const std::wstring& key)
{
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

bool Same_Path(const std::wstring& a, const std::wstring& b) { return lstrcmpiW(a.c_str(), b.c_str()) == 0; }

void Replace_All(std::string& text, const std::string& from, const std::string& to)
{
  for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
    text.replace(at, from.size(), to);
}

// The class and type library keys as text, with what differs by build alone
// named instead of shown: the library's path and folder, and the platform key.
std::string Registered_Keys()
{
  std::string text = wintest::RegistryTreeText(HKEY_CLASSES_ROOT, CLASS_KEY) +
                     wintest::RegistryTreeText(HKEY_CLASSES_ROOT, TYPE_LIBRARY_KEY);
  const std::wstring library = Library_Path();
  Replace_All(text, wintest::RegistryText(library), "<library>");
  Replace_All(text, wintest::RegistryText(library.substr(0, library.rfind(L'\\'))), "<library folder>");
  Replace_All(text, wintest::RegistryText(std::wstring(L"\\409\\") + PLATFORM + L"]"), "\\\\409\\\\<platform>]");
  return text;
}

class Registration : public ::testing::Test {
protected:
  void TearDown() override
  {
    Run_Regsvr32(true);
    RegDeleteTreeW(HKEY_CLASSES_ROOT, TYPE_LIBRARY_KEY);
    RegDeleteKeyW(HKEY_CLASSES_ROOT, TYPE_LIBRARY_KEY);
  }
};

}  // namespace

TEST_F(Registration, RegisteringTwiceLeavesOneClassKeyAndUnregisteringKeepsClsidAndTypeLibrary)
{
  ASSERT_EQ(0u, Run_Regsvr32(false)) << "regsvr32 succeeds";
  const std::wstring server = std::wstring(CLASS_KEY) + L"\\InProcServer32";
  EXPECT_EQ(L"Tamrix Intermediate Driver Configuration Notify Object", Text(CLASS_KEY, nullptr));
  EXPECT_TRUE(Same_Path(Library_Path(), Text(server, nullptr))) << "InProcServer32 holds the library's full path";
  EXPECT_EQ(L"Both", Text(server, L"ThreadingModel"));
  EXPECT_EQ(L"Tamrix Intermediate Driver 1.0 Type Library", Text(std::wstring(TYPE_LIBRARY_KEY) + L"\\1.0", nullptr));
  EXPECT_TRUE(Same_Path(Library_Path(), Text(std::wstring(TYPE_LIBRARY_KEY) + L"\\1.0\\409\\" + PLATFORM, nullptr)))
      << "the type library is registered from the library itself, for " << PLATFORM;
  // The 32-bit and the 64-bit library must register the same (compared by
  // the test compare.registration).
  wintest::WriteHostFile(wintest::HostFolder(TMRX_BUILD_OUTPUTS) + L"\\registration.txt", Registered_Keys());

  HKEY stale = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CLASSES_ROOT, (std::wstring(CLASS_KEY) + L"\\Stale").c_str(), 0,
                                           nullptr, 0, KEY_ALL_ACCESS, nullptr, &stale, nullptr));
  RegCloseKey(stale);
  ASSERT_EQ(0u, Run_Regsvr32(false));
  EXPECT_EQ(std::vector<std::wstring>{L"InProcServer32"}, Subkeys(CLASS_KEY))
      << "the class key is removed first and written anew";
  EXPECT_EQ(L"Both", Text(server, L"ThreadingModel"));

  ASSERT_EQ(0u, Run_Regsvr32(true)) << "unregistering succeeds";
  EXPECT_FALSE(Exists(CLASS_KEY)) << "the class key goes with everything below it";
  EXPECT_TRUE(Exists(L"CLSID")) << "CLSID itself is never removed";
  EXPECT_TRUE(Exists(std::wstring(TYPE_LIBRARY_KEY) + L"\\1.0")) << "the type library stays registered";
}

TEST_F(Registration, Ole32CreatesTheObjectFromTheRegisteredLibrary)
{
  ASSERT_EQ(0u, Run_Regsvr32(false));
  ASSERT_EQ(nullptr, GetModuleHandleW(L"TmrxInt.dll")) << "not loaded before";
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  INetCfgComponentNotifyGlobal* global = nullptr;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_NotifyObject, nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(INetCfgComponentNotifyGlobal), reinterpret_cast<void**>(&global)));
  HMODULE loaded = GetModuleHandleW(L"TmrxInt.dll");
  ASSERT_NE(nullptr, loaded) << "ole32 loaded the library";
  WCHAR path[MAX_PATH] = {};
  GetModuleFileNameW(loaded, path, MAX_PATH);
  EXPECT_TRUE(Same_Path(Library_Path(), path));
  DWORD notifications = 0;
  EXPECT_EQ(S_OK, global->GetSupportedNotifications(&notifications));
  EXPECT_EQ(0x30003u, notifications) << "a working object";
  INetCfgComponentControl* control = nullptr;
  EXPECT_EQ(S_OK, global->QueryInterface(__uuidof(INetCfgComponentControl), reinterpret_cast<void**>(&control)));
  if (control) control->Release();
  global->Release();
  CoUninitialize();
}

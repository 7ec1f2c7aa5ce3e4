#include "notify_test_support.h"

#include "model/model_alloc.h"
#include "notify/notify_ids.h"

const wchar_t SERVICE_KEY[] = L"System\\CurrentControlSet\\Services\\TmrxLink";
const wchar_t COMPONENT_PARAMS[] = L"Software\\TmrxTest\\ComponentParams";

namespace {

void Clear_Store()
{
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, SERVICE_KEY);
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, SERVICE_KEY);
  RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\TmrxTest");
  RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\TmrxTest");
}

}  // namespace

StoredValue Stored(const std::wstring& key, const wchar_t* name)
{
  StoredValue value;
  HKEY handle = nullptr;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return value;
  DWORD size = 0;
  if (RegQueryValueExW(handle, name, nullptr, &value.type, nullptr, &size) == ERROR_SUCCESS) {
    value.data.resize(size);
    value.present = RegQueryValueExW(handle, name, nullptr, &value.type, value.data.data(), &size) == ERROR_SUCCESS;
  }
  RegCloseKey(handle);
  return value;
}

DWORD Stored_Dword(const std::wstring& key, const wchar_t* name)
{
  const StoredValue value = Stored(key, name);
  EXPECT_TRUE(value.present && value.type == REG_DWORD && value.data.size() == 4) << "REG_DWORD " << name;
  if (value.data.size() != 4) return 0xDEADBEEF;
  return value.data[0] | value.data[1] << 8 | value.data[2] << 16 | static_cast<DWORD>(value.data[3]) << 24;
}

bool Key_Exists(HKEY root, const std::wstring& key)
{
  HKEY handle = nullptr;
  if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &handle) != ERROR_SUCCESS) return false;
  RegCloseKey(handle);
  return true;
}

void Make_Key(const std::wstring& key)
{
  HKEY handle = nullptr;
  ASSERT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &handle, nullptr));
  RegCloseKey(handle);
}

std::wstring Guid_Text(const GUID& guid)
{
  WCHAR text[64] = {};
  StringFromGUID2(guid, text, 64);
  return text;
}

void NotifyTest::SetUp()
{
  Module_Start(GetModuleHandleW(nullptr));
  Fail_Allocation_After(-1);
  Empty_Model();
  Clear_Store();
}

void NotifyTest::TearDown()
{
  Empty_Model();
  Clear_Store();
}

NotifyObject* NotifyTest::New_Object()
{
  IClassFactory* factory = nullptr;
  EXPECT_EQ(S_OK, DllGetClassObject(CLSID_NotifyObject, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
  if (!factory) return nullptr;
  INetCfgComponentControl* control = nullptr;
  EXPECT_EQ(S_OK, factory->CreateInstance(nullptr, __uuidof(INetCfgComponentControl), reinterpret_cast<void**>(&control)));
  factory->Release();
  return static_cast<NotifyObject*>(control);
}

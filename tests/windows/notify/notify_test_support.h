// NotifyObject linked into the test program, over Wine's real registry:
// every test starts and ends with an empty model and no configuration tree.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "model/model.h"
#include "notify/com_module.h"
#include "notify/notify_object.h"

extern const wchar_t SERVICE_KEY[];      // System\CurrentControlSet\Services\TmrxLink
extern const wchar_t COMPONENT_PARAMS[];  // where the fake component's OpenParamKey points

struct StoredValue {
  bool present = false;
  DWORD type = REG_NONE;
  std::vector<BYTE> data;
};

// A value beneath HKEY_LOCAL_MACHINE as Wine's registry holds it.
StoredValue Stored(const std::wstring& key, const wchar_t* name);
DWORD Stored_Dword(const std::wstring& key, const wchar_t* name);
bool Key_Exists(HKEY root, const std::wstring& key);
void Make_Key(const std::wstring& key);

// "{XXXXXXXX-...}" of a GUID.
std::wstring Guid_Text(const GUID& guid);

class NotifyTest : public ::testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // A new object from the class factory, with one reference (Release it).
  static NotifyObject* New_Object();
};

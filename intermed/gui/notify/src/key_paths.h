// Full key paths from HKEY_LOCAL_MACHINE of the configuration tree. Trunk,
// rule and adapter keys are always addressed by full path, never relative to
// their parent.
#pragma once

#include "notify/registry_platform.h"

struct KeyPath {
  WCHAR text[128];
};

KeyPath Service_Key_Path();
KeyPath Parameters_Key_Path();
KeyPath Trunk_Key_Path(int trunk);
KeyPath Rule_Key_Path(int trunk, int rule);
KeyPath Adapter_Key_Path(int adapter);
// "Adapters\{GUID}", beneath the Parameters key.
KeyPath Adapter_Param_Subkey(const GUID& adapterGuid);

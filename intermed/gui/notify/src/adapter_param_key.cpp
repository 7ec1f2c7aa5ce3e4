#include "key_paths.h"
#include "notify/configuration_store.h"
#include "registry_values.h"

LONG OpenAdapterParamKey(const GUID& adapterGuid, HKEY* key)
{
  *key = nullptr;
  HKEY parameters;
  if (Open_Key(Parameters_Key_Path(), &parameters) != ERROR_SUCCESS) return ERROR_SUCCESS;
  const LONG status =
      RegOpenKeyExW(parameters, Adapter_Param_Subkey(adapterGuid).text, 0, CONFIGURATION_ACCESS, key);
  RegCloseKey(parameters);
  if (status == ERROR_SUCCESS) return ERROR_SUCCESS;
  *key = nullptr;
  // The HRESULT form of the platform status.
  return static_cast<LONG>(0x80070000u | (static_cast<uint32_t>(status) & 0xFFFFu));
}

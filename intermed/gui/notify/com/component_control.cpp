// INetCfgComponentControl: the network configuration's Initialize, Apply and Cancel.
#include "notify/configuration_store.h"
#include "notify/notify_object.h"
#include "registry_values.h"

HRESULT NotifyObject::Initialize(INetCfgComponent* newComponent, INetCfg* newNetCfg, BOOL)
{
  if (newComponent) {
    newComponent->AddRef();
    if (component) component->Release();
    component = newComponent;
  }
  if (newNetCfg) {
    newNetCfg->AddRef();
    if (netCfg) netCfg->Release();
    netCfg = newNetCfg;
  }
  return S_OK;
}

// The model, and when the page was offered "Param1" and "BundleId". A save
// that failed stays the result: a later key that opened must not hide it.
HRESULT NotifyObject::ApplyRegistryChanges()
{
  const LONG saved = SaveConfiguration();
  HRESULT result = saved == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(static_cast<DWORD>(saved));
  if (SetupState != SETUP_PAGES_SHOWN) return result;

  HKEY key = nullptr;
  if (component && component->OpenParamKey(&key) == S_OK && key) {
    Write_Unterminated_Text(key, L"Param1", ParamText);
    RegCloseKey(key);
  }
  key = nullptr;
  const LONG opened = OpenAdapterParamKey(ContextAdapterGuid, &key);
  if (SUCCEEDED(result)) result = opened;
  if (key) {
    Write_Unterminated_Text(key, L"BundleId", BundleIdText);
    RegCloseKey(key);
  }
  return result;
}

HRESULT NotifyObject::ApplyPnpChanges(INetCfgPnpReconfigCallback* callback)
{
  if (!callback) return S_OK;
  WCHAR adapter[64] = {};
  StringFromGUID2(ContextAdapterGuid, adapter, 64);
  DWORD length = 0;
  while (BundleIdText[length] != 0) ++length;
  callback->SendPnpReconfig(NCRL_NDIS, L"TmrxInt", adapter, BundleIdText, (length + 1) * sizeof(WCHAR));
  return S_OK;
}

HRESULT NotifyObject::CancelChanges()
{
  ParamText[0] = 0;
  return S_OK;
}

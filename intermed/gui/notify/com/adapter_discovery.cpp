// Finding the maker's adapters among the installed network adapters.
#include <windows.h>
#include <cfgmgr32.h>

#include "model/adapters.h"
#include "model/model_codes.h"
#include "notify/adapter_match.h"
#include "notify/device_nodes.h"
#include "notify/notify_object.h"
#include "notify/property_page.h"

namespace {

DeviceNodeLocator locator = nullptr;

// The device class of network adapters.
constexpr GUID NET_ADAPTER_CLASS = {0x4d36e972, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

// The texts one component hands out, freed whatever happens.
struct ComponentTexts {
  LPWSTR hardwareId = nullptr;
  LPWSTR devNodeId = nullptr;
  LPWSTR displayName = nullptr;
  ~ComponentTexts()
  {
    CoTaskMemFree(hardwareId);
    CoTaskMemFree(devNodeId);
    CoTaskMemFree(displayName);
  }
};

// The model code of a present physical adapter of the maker, or MODEL_NOT_FOUND.
int32_t Recognise(INetCfgComponent* component)
{
  DWORD characteristics = 0;
  if (FAILED(component->GetCharacteristics(&characteristics)) || !(characteristics & NCF_PHYSICAL))
    return MODEL_NOT_FOUND;
  ComponentTexts texts;
  if (FAILED(component->GetId(&texts.hardwareId))) return MODEL_NOT_FOUND;
  if (component->GetPnpDevNodeId(&texts.devNodeId) != S_OK || !texts.devNodeId) return MODEL_NOT_FOUND;
  DEVINST node = 0;
  if (Device_Node_Locator()(&node, texts.devNodeId, CM_LOCATE_DEVNODE_NORMAL) != CR_SUCCESS) return MODEL_NOT_FOUND;
  if (FAILED(component->GetDisplayName(&texts.displayName))) return MODEL_NOT_FOUND;
  return MatchAdapterModel(texts.hardwareId, texts.displayName);
}

}  // namespace

DeviceNodeLocator Device_Node_Locator() { return locator ? locator : CM_Locate_DevNodeW; }
void Use_Device_Node_Locator(DeviceNodeLocator replacement) { locator = replacement; }

void DiscoverAdapters(NotifyObject* object)
{
  if (!object || !object->netCfg) return;
  int32_t slot = 3;
  INetCfgClass* adapterClass = nullptr;
  if (FAILED(object->netCfg->QueryNetCfgClass(&NET_ADAPTER_CLASS, __uuidof(INetCfgClass),
                                              reinterpret_cast<void**>(&adapterClass))) ||
      !adapterClass)
    return;
  IEnumNetCfgComponent* components = nullptr;
  const HRESULT enumerated = adapterClass->EnumComponents(&components);
  adapterClass->Release();
  if (FAILED(enumerated) || !components) return;

  INetCfgComponent* component = nullptr;
  ULONG fetched = 0;
  while (components->Next(1, &component, &fetched) == S_OK && component) {
    const int32_t model = Recognise(component);
    if (model != MODEL_NOT_FOUND) {
      Add_Adapter(Discovered_Adapter_Values(model, slot));
      ++slot;
    }
    component->Release();
    component = nullptr;
  }
  components->Release();
}

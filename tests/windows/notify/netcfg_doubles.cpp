#include "netcfg_doubles.h"

#include <gtest/gtest.h>

#include "notify/device_nodes.h"

const wchar_t PRESENT_DEVICE_NODE[] = L"PCI\\VEN_1011&DEV_0019&SUBSYS_02527C3A&REV_41\\3&267A616A&0&48";
const wchar_t MISSING_DEVICE_NODE[] = L"PCI\\VEN_1011&DEV_0019\\NOT_PRESENT";

namespace {

// A copy from CoTaskMemAlloc, as the platform's components hand texts out.
LPWSTR Task_Text(const std::wstring& text)
{
  auto* copy = static_cast<LPWSTR>(CoTaskMemAlloc((text.size() + 1) * sizeof(WCHAR)));
  if (copy) lstrcpyW(copy, text.c_str());
  return copy;
}

}  // namespace

FakeComponent::FakeComponent(std::wstring hardwareId, std::wstring displayName, DWORD characteristics)
    : characteristics(characteristics),
      hardwareId(std::move(hardwareId)),
      devNodeId(PRESENT_DEVICE_NODE),
      displayName(std::move(displayName))
{
}

HRESULT FakeComponent::GetDisplayName(LPWSTR* text)
{
  if (FAILED(displayNameResult)) return displayNameResult;
  *text = Task_Text(displayName);
  return displayNameResult;
}

HRESULT FakeComponent::GetId(LPWSTR* text)
{
  if (FAILED(idResult)) return idResult;
  *text = Task_Text(hardwareId);
  return idResult;
}

HRESULT FakeComponent::GetCharacteristics(LPDWORD value)
{
  if (SUCCEEDED(characteristicsResult)) *value = characteristics;
  return characteristicsResult;
}

HRESULT FakeComponent::GetPnpDevNodeId(LPWSTR* text)
{
  if (FAILED(devNodeResult)) return devNodeResult;
  *text = Task_Text(devNodeId);
  return devNodeResult;
}

HRESULT FakeComponent::OpenParamKey(HKEY* key)
{
  if (paramKeyPath.empty()) return E_FAIL;
  const LONG status = RegCreateKeyExW(HKEY_LOCAL_MACHINE, paramKeyPath.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS,
                                      nullptr, key, nullptr);
  return status == ERROR_SUCCESS ? S_OK : HRESULT_FROM_WIN32(status);
}

namespace {
CONFIGRET WINAPI Locate_Fake_Node(PDEVINST node, DEVINSTID_W deviceId, ULONG flags)
{
  EXPECT_EQ(static_cast<ULONG>(CM_LOCATE_DEVNODE_NORMAL), flags);
  FakeDeviceNodes::asked.emplace_back(deviceId ? deviceId : L"<null>");
  if (!deviceId || lstrcmpW(deviceId, MISSING_DEVICE_NODE) == 0) return CR_NO_SUCH_DEVNODE;
  *node = 1;
  return CR_SUCCESS;
}
}  // namespace

FakeDeviceNodes::FakeDeviceNodes()
{
  asked.clear();
  Use_Device_Node_Locator(Locate_Fake_Node);
}

FakeDeviceNodes::~FakeDeviceNodes() { Use_Device_Node_Locator(nullptr); }

HRESULT FakeEnumerator::Next(ULONG count, INetCfgComponent** items, ULONG* fetched)
{
  EXPECT_EQ(1u, count) << "components are taken one at a time";
  if (fetched) *fetched = 0;
  if (next >= components.size()) return S_FALSE;
  items[0] = components[next++];
  items[0]->AddRef();
  if (fetched) *fetched = 1;
  return S_OK;
}

HRESULT FakeClass::EnumComponents(IEnumNetCfgComponent** components)
{
  if (FAILED(enumResult)) return enumResult;
  enumerator.AddRef();
  *components = &enumerator;
  return S_OK;
}

FakeComponent& FakeNetCfg::Add(const std::wstring& hardwareId, const std::wstring& displayName, DWORD characteristics)
{
  adapterClass.enumerator.components.push_back(new FakeComponent(hardwareId, displayName, characteristics));
  return *adapterClass.enumerator.components.back();
}

FakeNetCfg::~FakeNetCfg()
{
  for (FakeComponent* component : adapterClass.enumerator.components) delete component;
}

HRESULT FakeNetCfg::QueryNetCfgClass(const GUID* classGuid, REFIID interfaceId, void** object)
{
  classAsked = *classGuid;
  if (FAILED(classResult)) return classResult;
  return adapterClass.QueryInterface(interfaceId, object);
}

HRESULT FakeReconfigCallback::SendPnpReconfig(NCPNP_RECONFIG_LAYER sentLayer, LPCWSTR sentUpper, LPCWSTR sentLower,
                                              PVOID sentData, DWORD size)
{
  ++calls;
  layer = sentLayer;
  upper = sentUpper ? sentUpper : L"<null>";
  lower = sentLower ? sentLower : L"<null>";
  const BYTE* bytes = static_cast<const BYTE*>(sentData);
  data.assign(bytes, bytes + size);
  return result;
}

HRESULT FakeLanContext::QueryInterface(REFIID interfaceId, void** object)
{
  if (!offersLanInfo && IsEqualIID(interfaceId, __uuidof(INetLanConnectionUiInfo))) {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  return CountedDouble<INetLanConnectionUiInfo>::QueryInterface(interfaceId, object);
}

HRESULT FakeLanContext::GetDeviceGuid(GUID* guid)
{
  if (SUCCEEDED(guidResult)) *guid = adapter;
  return guidResult;
}

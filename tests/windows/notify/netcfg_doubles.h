// Test doubles of the network configuration that drives a notify object:
// INetCfg, INetCfgClass, IEnumNetCfgComponent, INetCfgComponent,
// INetCfgPnpReconfigCallback and a property-UI context that may offer
// INetLanConnectionUiInfo. Each counts its references, so that tests can
// check that the object under test releases what it took.
#pragma once

#include <windows.h>
#include <netcfgn.h>
#include <netcfgx.h>

#include <string>
#include <vector>

// IUnknown with a reference count; Release never frees (the test owns the double).
template <typename Interface>
class CountedDouble : public Interface {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override
  {
    if (!object) return E_POINTER;
    if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, __uuidof(Interface))) {
      *object = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  LONG references = 1;   // the test's own
};

// One installed network component. Every step of discovery can be made to fail.
class FakeComponent : public CountedDouble<INetCfgComponent> {
public:
  FakeComponent(std::wstring hardwareId, std::wstring displayName, DWORD characteristics = NCF_PHYSICAL);

  DWORD characteristics;
  std::wstring hardwareId, devNodeId, displayName;
  HRESULT characteristicsResult = S_OK, idResult = S_OK, devNodeResult = S_OK, displayNameResult = S_OK;
  // OpenParamKey hands out this key beneath HKEY_LOCAL_MACHINE (empty: fails).
  std::wstring paramKeyPath;

  HRESULT STDMETHODCALLTYPE GetDisplayName(LPWSTR* text) override;
  HRESULT STDMETHODCALLTYPE SetDisplayName(LPCWSTR) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetHelpText(LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetId(LPWSTR* text) override;
  HRESULT STDMETHODCALLTYPE GetCharacteristics(LPDWORD value) override;
  HRESULT STDMETHODCALLTYPE GetInstanceGuid(GUID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetPnpDevNodeId(LPWSTR* text) override;
  HRESULT STDMETHODCALLTYPE GetClassGuid(GUID*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetBindName(LPWSTR*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetDeviceStatus(ULONG*) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE OpenParamKey(HKEY* key) override;
  HRESULT STDMETHODCALLTYPE RaisePropertyUi(HWND, DWORD, IUnknown*) override { return E_NOTIMPL; }
};

// Device node ids of the doubles: a present one (the default of every
// component), and one that the fake locator does not find.
extern const wchar_t PRESENT_DEVICE_NODE[];
extern const wchar_t MISSING_DEVICE_NODE[];

// Stands in for CM_Locate_DevNodeW while a test runs (Wine's refuses every
// id): finds every device node but MISSING_DEVICE_NODE.
class FakeDeviceNodes {
public:
  FakeDeviceNodes();
  ~FakeDeviceNodes();
  static inline std::vector<std::wstring> asked;
};

class FakeEnumerator : public CountedDouble<IEnumNetCfgComponent> {
public:
  std::vector<FakeComponent*> components;
  std::size_t next = 0;

  HRESULT STDMETHODCALLTYPE Next(ULONG count, INetCfgComponent** items, ULONG* fetched) override;
  HRESULT STDMETHODCALLTYPE Skip(ULONG) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Reset() override
  {
    next = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE Clone(IEnumNetCfgComponent**) override { return E_NOTIMPL; }
};

class FakeClass : public CountedDouble<INetCfgClass> {
public:
  FakeEnumerator enumerator;
  HRESULT enumResult = S_OK;

  HRESULT STDMETHODCALLTYPE FindComponent(LPCWSTR, INetCfgComponent**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumComponents(IEnumNetCfgComponent** components) override;
};

class FakeNetCfg : public CountedDouble<INetCfg> {
public:
  FakeClass adapterClass;
  HRESULT classResult = S_OK;
  GUID classAsked = {};

  // Adds a component that the enumerator hands out (owned by this double).
  FakeComponent& Add(const std::wstring& hardwareId, const std::wstring& displayName, DWORD characteristics = NCF_PHYSICAL);
  ~FakeNetCfg();

  HRESULT STDMETHODCALLTYPE Initialize(PVOID) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Uninitialize() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Apply() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE Cancel() override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE EnumComponents(const GUID*, IEnumNetCfgComponent**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE FindComponent(LPCWSTR, INetCfgComponent**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE QueryNetCfgClass(const GUID* classGuid, REFIID interfaceId, void** object) override;
};

class FakeReconfigCallback : public CountedDouble<INetCfgPnpReconfigCallback> {
public:
  int calls = 0;
  NCPNP_RECONFIG_LAYER layer = NCRL_TDI;
  std::wstring upper, lower;
  std::vector<BYTE> data;
  HRESULT result = S_OK;

  HRESULT STDMETHODCALLTYPE SendPnpReconfig(NCPNP_RECONFIG_LAYER layer, LPCWSTR upper, LPCWSTR lower, PVOID data,
                                            DWORD size) override;
};

// The property-UI context: an IUnknown that offers INetLanConnectionUiInfo
// unless told not to.
class FakeLanContext : public CountedDouble<INetLanConnectionUiInfo> {
public:
  bool offersLanInfo = true;
  GUID adapter = {};
  HRESULT guidResult = S_OK;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override;
  HRESULT STDMETHODCALLTYPE GetDeviceGuid(GUID* guid) override;
};

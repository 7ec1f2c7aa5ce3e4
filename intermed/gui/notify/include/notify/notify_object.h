// NotifyObject: the notify object of the intermediate driver's network
// component. It offers the main trunk dialog as a property page over the
// process-wide model, stores the model in the registry when changes are
// applied, and then sends the driver a PnP reconfiguration notice.
// Every method but SetContext and ApplyRegistryChanges answers S_OK; no
// binding is ever vetoed. No method takes a lock: the caller must not apply
// changes while the page edits the model.
#pragma once

#include <windows.h>
#include <netcfgn.h>
#include <netcfgx.h>

enum SetupStateCode : DWORD { SETUP_NONE = 0, SETUP_INSTALLING = 1, SETUP_REMOVING = 2, SETUP_PAGES_SHOWN = 3 };

constexpr int NOTIFY_TEXT_UNITS = 260;   // 259 characters and the terminator

class NotifyObject final : public INetCfgComponentControl,
                           public INetCfgComponentSetup,
                           public INetCfgComponentPropertyUi,
                           public INetCfgComponentNotifyBinding,
                           public INetCfgComponentNotifyGlobal {
public:
  // A new object asked for `interfaceId`; with `outer`, an object aggregated
  // by it (then only IID_IUnknown may be asked for, see the class factory).
  static HRESULT Create(IUnknown* outer, REFIID interfaceId, void** object);

  // IUnknown of every interface: the controlling unknown's.
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override;
  ULONG STDMETHODCALLTYPE AddRef() override;
  ULONG STDMETHODCALLTYPE Release() override;

  // INetCfgComponentControl
  HRESULT STDMETHODCALLTYPE Initialize(INetCfgComponent* component, INetCfg* netCfg, BOOL installing) override;
  HRESULT STDMETHODCALLTYPE ApplyRegistryChanges() override;
  HRESULT STDMETHODCALLTYPE ApplyPnpChanges(INetCfgPnpReconfigCallback* callback) override;
  HRESULT STDMETHODCALLTYPE CancelChanges() override;

  // INetCfgComponentSetup
  HRESULT STDMETHODCALLTYPE Install(DWORD setupFlags) override;
  HRESULT STDMETHODCALLTYPE Upgrade(DWORD setupFlags, DWORD buildNumber) override;
  HRESULT STDMETHODCALLTYPE ReadAnswerFile(LPCWSTR answerFile, LPCWSTR answerSections) override;
  HRESULT STDMETHODCALLTYPE Removing() override;

  // INetCfgComponentPropertyUi
  HRESULT STDMETHODCALLTYPE QueryPropertyUi(IUnknown* reserved) override;
  HRESULT STDMETHODCALLTYPE SetContext(IUnknown* context) override;
  HRESULT STDMETHODCALLTYPE MergePropPages(DWORD* defaultPages, BYTE** pages, UINT* pageCount, HWND parent,
                                           LPCWSTR* startPage) override;
  HRESULT STDMETHODCALLTYPE ValidateProperties(HWND sheet) override;
  HRESULT STDMETHODCALLTYPE ApplyProperties() override;
  HRESULT STDMETHODCALLTYPE CancelProperties() override;

  // INetCfgComponentNotifyBinding
  HRESULT STDMETHODCALLTYPE QueryBindingPath(DWORD changeFlag, INetCfgBindingPath* path) override;
  HRESULT STDMETHODCALLTYPE NotifyBindingPath(DWORD changeFlag, INetCfgBindingPath* path) override;

  // INetCfgComponentNotifyGlobal
  HRESULT STDMETHODCALLTYPE GetSupportedNotifications(DWORD* notifications) override;
  HRESULT STDMETHODCALLTYPE SysQueryBindingPath(DWORD changeFlag, INetCfgBindingPath* path) override;
  HRESULT STDMETHODCALLTYPE SysNotifyBindingPath(DWORD changeFlag, INetCfgBindingPath* path) override;
  HRESULT STDMETHODCALLTYPE SysNotifyComponent(DWORD changeFlag, INetCfgComponent* component) override;

  // State, in declaration order (read by the page, discovery and tests).
  INetCfgComponent* component = nullptr;
  INetCfg* netCfg = nullptr;
  SetupStateCode SetupState = SETUP_NONE;
  WCHAR ParamText[NOTIFY_TEXT_UNITS] = {};
  WCHAR BundleIdText[NOTIFY_TEXT_UNITS] = {};   // nothing sets it: stays empty
  IUnknown* context = nullptr;
  GUID ContextAdapterGuid = {};
  DWORD ModelLoaded = 0;

private:
  // The object's own IUnknown: the one an aggregating object holds.
  class OwnUnknown final : public IUnknown {
  public:
    explicit OwnUnknown(NotifyObject* owner) : owner_(owner) {}
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

  private:
    NotifyObject* owner_;
  };

  explicit NotifyObject(IUnknown* outer);
  ~NotifyObject();
  NotifyObject(const NotifyObject&) = delete;
  NotifyObject& operator=(const NotifyObject&) = delete;

  OwnUnknown own_;
  IUnknown* controlling_;   // the outer object, or own_
  volatile LONG references_ = 0;
};

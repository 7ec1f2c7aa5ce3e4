// INetCfgComponentNotifyBinding and INetCfgComponentNotifyGlobal: every
// binding is allowed, and nothing is done about any.
#include "notify/notify_object.h"

HRESULT NotifyObject::QueryBindingPath(DWORD, INetCfgBindingPath*) { return S_OK; }
HRESULT NotifyObject::NotifyBindingPath(DWORD, INetCfgBindingPath*) { return S_OK; }

HRESULT NotifyObject::GetSupportedNotifications(DWORD* notifications)
{
  if (!notifications) return E_POINTER;
  *notifications = NCN_NET | NCN_NETTRANS | NCN_ADD | NCN_REMOVE;
  return S_OK;
}

HRESULT NotifyObject::SysQueryBindingPath(DWORD, INetCfgBindingPath*) { return S_OK; }
HRESULT NotifyObject::SysNotifyBindingPath(DWORD, INetCfgBindingPath*) { return S_OK; }
HRESULT NotifyObject::SysNotifyComponent(DWORD, INetCfgComponent*) { return S_OK; }

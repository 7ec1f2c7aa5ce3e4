// Life and identity of NotifyObject: plain or aggregated, as the class
// factory makes it.
#include "notify/notify_object.h"

#include <new>

#include "notify/com_module.h"

NotifyObject::NotifyObject(IUnknown* outer) : own_(this), controlling_(outer ? outer : &own_) { Lock_Module(); }

NotifyObject::~NotifyObject()
{
  if (component) component->Release();
  if (netCfg) netCfg->Release();
  if (context) context->Release();
  Unlock_Module();
}

HRESULT NotifyObject::Create(IUnknown* outer, REFIID interfaceId, void** object)
{
  if (!object) return E_POINTER;
  *object = nullptr;
  NotifyObject* created = new (std::nothrow) NotifyObject(outer);
  if (!created) return E_OUTOFMEMORY;
  // Held while asking, so that a failed request destroys it.
  created->own_.AddRef();
  const HRESULT result = created->own_.QueryInterface(interfaceId, object);
  created->own_.Release();
  return result;
}

HRESULT NotifyObject::OwnUnknown::QueryInterface(REFIID interfaceId, void** object)
{
  if (!object) return E_POINTER;
  if (IsEqualIID(interfaceId, IID_IUnknown))
    *object = static_cast<IUnknown*>(this);
  else if (IsEqualIID(interfaceId, __uuidof(INetCfgComponentControl)))
    *object = static_cast<INetCfgComponentControl*>(owner_);
  else if (IsEqualIID(interfaceId, __uuidof(INetCfgComponentSetup)))
    *object = static_cast<INetCfgComponentSetup*>(owner_);
  else if (IsEqualIID(interfaceId, __uuidof(INetCfgComponentPropertyUi)))
    *object = static_cast<INetCfgComponentPropertyUi*>(owner_);
  else if (IsEqualIID(interfaceId, __uuidof(INetCfgComponentNotifyBinding)))
    *object = static_cast<INetCfgComponentNotifyBinding*>(owner_);
  else if (IsEqualIID(interfaceId, __uuidof(INetCfgComponentNotifyGlobal)))
    *object = static_cast<INetCfgComponentNotifyGlobal*>(owner_);
  else {
    *object = nullptr;
    return E_NOINTERFACE;
  }
  static_cast<IUnknown*>(*object)->AddRef();
  return S_OK;
}

ULONG NotifyObject::OwnUnknown::AddRef() { return InterlockedIncrement(&owner_->references_); }

ULONG NotifyObject::OwnUnknown::Release()
{
  const LONG left = InterlockedDecrement(&owner_->references_);
  if (left == 0) delete owner_;
  return left;
}

HRESULT NotifyObject::QueryInterface(REFIID interfaceId, void** object)
{
  return controlling_->QueryInterface(interfaceId, object);
}
ULONG NotifyObject::AddRef() { return controlling_->AddRef(); }
ULONG NotifyObject::Release() { return controlling_->Release(); }

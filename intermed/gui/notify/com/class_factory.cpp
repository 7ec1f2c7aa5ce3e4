#include "class_factory.h"

#include <new>

#include "notify/com_module.h"
#include "notify/notify_ids.h"
#include "notify/notify_object.h"

namespace {

// Its references do not lock the module: only objects and LockServer do.
class ClassFactory final : public IClassFactory {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override
  {
    if (!object) return E_POINTER;
    if (IsEqualIID(interfaceId, IID_IUnknown) || IsEqualIID(interfaceId, IID_IClassFactory)) {
      *object = static_cast<IClassFactory*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return InterlockedIncrement(&references_); }
  ULONG STDMETHODCALLTYPE Release() override
  {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID interfaceId, void** object) override
  {
    if (!object) return E_POINTER;
    *object = nullptr;
    // An aggregated object hands out only its own IUnknown to its outer object.
    if (outer && !IsEqualIID(interfaceId, IID_IUnknown)) return CLASS_E_NOAGGREGATION;
    return NotifyObject::Create(outer, interfaceId, object);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override
  {
    if (lock)
      Lock_Module();
    else
      Unlock_Module();
    return S_OK;
  }

private:
  volatile LONG references_ = 1;
};

ClassFactory* factory = nullptr;
CRITICAL_SECTION* factoryGuard()
{
  static CRITICAL_SECTION guard;
  static const bool ready = (InitializeCriticalSection(&guard), true);
  (void)ready;
  return &guard;
}

}  // namespace

HRESULT Get_Class_Factory(REFIID interfaceId, void** object)
{
  EnterCriticalSection(factoryGuard());
  if (!factory) factory = new (std::nothrow) ClassFactory();
  ClassFactory* current = factory;
  if (current) current->AddRef();
  LeaveCriticalSection(factoryGuard());
  if (!current) return E_OUTOFMEMORY;
  const HRESULT result = current->QueryInterface(interfaceId, object);
  current->Release();
  return result;
}

void Release_Class_Factory()
{
  EnterCriticalSection(factoryGuard());
  ClassFactory* released = factory;
  factory = nullptr;
  LeaveCriticalSection(factoryGuard());
  if (released) released->Release();
}

HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID classId, REFIID interfaceId, void** object)
{
  if (!object) return E_POINTER;
  *object = nullptr;
  if (!IsEqualCLSID(classId, CLSID_NotifyObject)) return CLASS_E_CLASSNOTAVAILABLE;
  return Get_Class_Factory(interfaceId, object);
}

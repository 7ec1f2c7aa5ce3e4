// Self-registration: the registration script REGISTRY 40002, run by the
// platform's registrar, and the type library TYPELIB 1.
#include <windows.h>
#include <oleauto.h>

#include "notify/com_module.h"
#include "notify/notify_ids.h"
#include "registrar.h"
#include "resource.h"

namespace {

// The registrar, straight from atl.dll, so that registering does not depend
// on the registrar's own registration or on COM being initialised.
HRESULT Create_Registrar(HMODULE* atl, IRegistrar** registrar)
{
  *registrar = nullptr;
  *atl = LoadLibraryW(L"atl.dll");
  if (!*atl) return HRESULT_FROM_WIN32(GetLastError());
  auto getClassObject = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
      reinterpret_cast<void*>(GetProcAddress(*atl, "DllGetClassObject")));
  IClassFactory* factory = nullptr;
  HRESULT result = getClassObject ? getClassObject(CLSID_PlatformRegistrar, IID_IClassFactory,
                                                   reinterpret_cast<void**>(&factory))
                                  : HRESULT_FROM_WIN32(ERROR_PROC_NOT_FOUND);
  if (SUCCEEDED(result)) {
    result = factory->CreateInstance(nullptr, __uuidof(IRegistrar), reinterpret_cast<void**>(registrar));
    factory->Release();
  }
  if (FAILED(result)) {
    FreeLibrary(*atl);
    *atl = nullptr;
  }
  return result;
}

// Runs the script in register or unregister mode with %MODULE% = this library's path.
HRESULT Run_Registration_Script(bool registering)
{
  WCHAR path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(Module_Instance(), path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  HMODULE atl = nullptr;
  IRegistrar* registrar = nullptr;
  HRESULT result = Create_Registrar(&atl, &registrar);
  if (FAILED(result)) return result;
  result = registrar->AddReplacement(L"MODULE", path);
  if (SUCCEEDED(result))
    result = registering ? registrar->ResourceRegister(path, IDR_REGISTRATION_SCRIPT, L"REGISTRY")
                         : registrar->ResourceUnregister(path, IDR_REGISTRATION_SCRIPT, L"REGISTRY");
  registrar->Release();
  FreeLibrary(atl);
  return result;
}

HRESULT Register_Type_Library()
{
  WCHAR path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(Module_Instance(), path, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return E_FAIL;
  ITypeLib* library = nullptr;
  // A module path alone names its TYPELIB resource 1 (IDR_TYPE_LIBRARY).
  HRESULT result = LoadTypeLibEx(path, REGKIND_NONE, &library);
  if (FAILED(result)) return result;
  result = RegisterTypeLib(library, path, nullptr);
  library->Release();
  return result;
}

}  // namespace

HRESULT STDAPICALLTYPE DllRegisterServer()
{
  const HRESULT result = Run_Registration_Script(true);
  if (FAILED(result)) return result;
  return Register_Type_Library();
}

// The type library stays registered.
HRESULT STDAPICALLTYPE DllUnregisterServer()
{
  Run_Registration_Script(false);
  return S_OK;
}

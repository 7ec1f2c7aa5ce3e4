// INetCfgComponentPropertyUi: the property page and its context.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "notify/com_module.h"
#include "notify/notify_object.h"
#include "notify/property_page.h"
#include "resource.h"

#ifndef _WIN64
#include <cstddef>
// The header's own size macro is not a constant expression with this compiler.
static_assert(offsetof(PROPSHEETPAGEW, pszHeaderSubTitle) + sizeof(LPCWSTR) == 48,
              "the page description the sheet is handed is 48 bytes long");
#endif

namespace {

// The property sheet never calls it: the page description sets no flag for it.
UINT CALLBACK Page_Callback(HWND, UINT, LPPROPSHEETPAGEW) { return 1; }

}  // namespace

HRESULT NotifyObject::QueryPropertyUi(IUnknown*) { return S_OK; }

HRESULT NotifyObject::SetContext(IUnknown* newContext)
{
  if (context) {
    context->Release();
    context = nullptr;
  }
  if (!newContext) return S_OK;
  newContext->AddRef();
  context = newContext;
  ContextAdapterGuid = GUID{};
  INetLanConnectionUiInfo* lanInfo = nullptr;
  const HRESULT asked = context->QueryInterface(__uuidof(INetLanConnectionUiInfo), reinterpret_cast<void**>(&lanInfo));
  if (FAILED(asked)) return asked;
  if (!lanInfo) return E_NOINTERFACE;
  const HRESULT result = lanInfo->GetDeviceGuid(&ContextAdapterGuid);
  lanInfo->Release();
  return result;
}

HRESULT NotifyObject::MergePropPages(DWORD* defaultPages, BYTE** pages, UINT* pageCount, HWND, LPCWSTR*)
{
  if (!defaultPages || !pages || !pageCount) return E_POINTER;
  SetupState = SETUP_PAGES_SHOWN;
  *defaultPages = 0;
  *pages = nullptr;
  *pageCount = 0;

  auto* handles = static_cast<HPROPSHEETPAGE*>(CoTaskMemAlloc(sizeof(HPROPSHEETPAGE)));
  if (!handles) return S_OK;
  PROPSHEETPAGEW page = {};
  // Up to the header texts: 48 bytes in the 32-bit library.
  page.dwSize = PROPSHEETPAGEW_V2_SIZE;
  page.dwFlags = 0;
  page.hInstance = Module_Instance();
  page.pszTemplate = MAKEINTRESOURCEW(IDD_MAIN_TRUNK);
  page.pfnDlgProc = PropertyPageProc;
  page.lParam = reinterpret_cast<LPARAM>(this);
  page.pfnCallback = Page_Callback;
  handles[0] = CreatePropertySheetPageW(&page);
  if (!handles[0]) {
    CoTaskMemFree(handles);
    return S_OK;
  }
  *pages = reinterpret_cast<BYTE*>(handles);
  *pageCount = 1;
  return S_OK;
}

HRESULT NotifyObject::ValidateProperties(HWND) { return S_OK; }
// The page's own Apply stores the model.
HRESULT NotifyObject::ApplyProperties() { return S_OK; }
// The model keeps the page's edits.
HRESULT NotifyObject::CancelProperties() { return S_OK; }

#include "notify/property_page.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include "dialogs/main_trunk_dialog.h"
#include "notify/configuration_store.h"
#include "notify/notify_object.h"

INT_PTR PreparePageModel(NotifyObject* object)
{
  if (!object || object->ModelLoaded == 1) return 0;
  if (LoadConfiguration() == ERROR_SUCCESS) {
    object->ModelLoaded = 1;
    return 0;
  }
  // Nothing usable stored: what is installed. Not marked loaded, so that the
  // next initialisation of a page of this object tries the registry again.
  DiscoverAdapters(object);
  return 0;
}

INT_PTR CALLBACK PropertyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
  if (message == WM_INITDIALOG) {
    const auto* description = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* object = description ? reinterpret_cast<NotifyObject*>(description->lParam) : nullptr;
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(object));
    const INT_PTR result = PreparePageModel(object);
    MainTrunkDialogProc(page, message, wParam, lParam);
    return result;
  }

  auto* object = reinterpret_cast<NotifyObject*>(GetWindowLongPtrW(page, DWLP_USER));
  // Messages before WM_INITDIALOG: the page has no model yet.
  if (!object) return 0;

  INT_PTR result = 0;
  if (message == WM_COMMAND && HIWORD(wParam) == EN_CHANGE) {
    SendMessageW(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
  } else if (message == WM_NOTIFY && lParam) {
    switch (reinterpret_cast<const NMHDR*>(lParam)->code) {
      case PSN_APPLY: object->ApplyRegistryChanges(); break;
      case PSN_RESET: break;
      case PSN_KILLACTIVE:
        // The page may always be left.
        SetWindowLongPtrW(page, DWLP_MSGRESULT, FALSE);
        result = 1;
        break;
      default: break;
    }
  }
  MainTrunkDialogProc(page, message, wParam, lParam);
  return result;
}

// The property page: its model, its procedure, and a real property sheet
// hosting it (run under Xvfb).
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <wintest/controls.h>
#include <wintest/dialog_driver.h>
#include <wintest/host_files.h>

#include "netcfg_doubles.h"
#include "notify/configuration_store.h"
#include "notify/property_page.h"
#include "notify_test_support.h"
#include "resource.h"

using wintest::DialogDriver;
using wintest::DialogScript;

namespace {

constexpr int APPLY_BUTTON = 0x3021;   // the property sheet's Apply

// The model the tests store: one trunk, two unassigned adapters.
void Store_Example_Model()
{
  Set_Trunk_Name(Add_Link(), "Backbone");
  Add_Adapter(AdapterValues{MODEL_K250, PCI_BUS_TYPE, 32, 0, 4, 4, 0, 0, 0, 0, 0});
  Add_Adapter(AdapterValues{MODEL_K250FX, PCI_BUS_TYPE, 32, 0, 5, 5, 0, 1, 4, 0, 0});
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());
  Empty_Model();
}

std::vector<std::wstring> Adapter_Names(int32_t linkId)
{
  std::vector<std::wstring> names;
  for (const Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next)
    if (adapter->link_id == linkId) names.emplace_back(adapter->msg, adapter->msg + strlen(adapter->msg));
  return names;
}

// Template 101 run by PropertyPageProc outside a sheet, as a page is initialised.
struct BarePage {
  PROPSHEETPAGEW description = {};
  HWND owner = nullptr;
  HWND page = nullptr;
  static inline int changedMessages = 0;

  explicit BarePage(NotifyObject* object)
  {
    changedMessages = 0;
    owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    SetWindowLongPtrW(owner, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Owner_Proc));
    description.dwSize = sizeof description;
    description.lParam = reinterpret_cast<LPARAM>(object);
    page = CreateDialogParamW(Module_Instance(), MAKEINTRESOURCEW(IDD_MAIN_TRUNK), owner, PropertyPageProc,
                              reinterpret_cast<LPARAM>(&description));
  }
  ~BarePage()
  {
    DestroyWindow(page);
    DestroyWindow(owner);
  }
  static LRESULT CALLBACK Owner_Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
  {
    if (message == PSM_CHANGED) ++changedMessages;
    return DefWindowProcW(window, message, wParam, lParam);
  }
  LRESULT Notify(int code)
  {
    NMHDR header = {owner, 0, static_cast<UINT>(code)};
    return PropertyPageProc(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
  }
};

INT_PTR CALLBACK Inert_Proc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

std::wstring Screenshot_Path(const wchar_t* name) { return wintest::HostFolder(TMRX_SCREENSHOT_DIR) + L"\\" + name; }

}  // namespace

class PageModel : public NotifyTest {
  FakeDeviceNodes nodes_;
};
using PageProcedure = NotifyTest;
class NotifySheet : public NotifyTest {
  FakeDeviceNodes nodes_;
};
using ModuleLifetime = NotifyTest;

TEST_F(PageModel, LoadedOncePerObjectOrDiscoveredWhileNothingIsStored)
{
  FakeNetCfg netCfg;
  netCfg.Add(L"subsys_02527c3a", L"");
  NotifyObject* object = New_Object();
  object->Initialize(nullptr, &netCfg, FALSE);

  EXPECT_EQ(0, PreparePageModel(object));
  EXPECT_EQ(1, Adapter_Count()) << "nothing stored: discovered";
  EXPECT_EQ(0u, object->ModelLoaded);

  Empty_Model();
  Store_Example_Model();
  EXPECT_EQ(0, PreparePageModel(object));
  EXPECT_EQ(1u, object->ModelLoaded) << "loaded at the next initialisation";
  EXPECT_EQ(2, Adapter_Count());
  EXPECT_EQ(1, Link_Count());

  EXPECT_EQ(0, PreparePageModel(object));
  EXPECT_EQ(1, Link_Count()) << "a second initialisation neither loads nor discovers";
  EXPECT_EQ(2, Adapter_Count());

  NotifyObject* second = New_Object();
  second->Initialize(nullptr, &netCfg, FALSE);
  EXPECT_EQ(0, PreparePageModel(second));
  EXPECT_EQ(1u, second->ModelLoaded);
  EXPECT_EQ(1, Link_Count()) << "a second object loads into the process's model without duplicating the trunk";
  EXPECT_EQ(2, Adapter_Count());
  second->Release();
  object->Release();
}

TEST_F(PageProcedure, MessagesBeforeInitialisationAreNotPassedOn)
{
  HWND page = CreateDialogParamW(Module_Instance(), MAKEINTRESOURCEW(IDD_MAIN_TRUNK), nullptr, Inert_Proc, 0);
  ASSERT_NE(nullptr, page);
  DialogDriver driver;   // no dialog may open
  EXPECT_EQ(0, PropertyPageProc(page, WM_COMMAND, MAKEWPARAM(IDC_CREATE_TRUNK, BN_CLICKED), 0));
  NMHDR header = {page, 0, static_cast<UINT>(PSN_APPLY)};
  EXPECT_EQ(0, PropertyPageProc(page, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header)));
  EXPECT_EQ(0, Link_Count()) << "Create Trunk did not reach the main trunk dialog";
  EXPECT_FALSE(Key_Exists(HKEY_LOCAL_MACHINE, SERVICE_KEY)) << "PSN_APPLY did not store anything";
  DestroyWindow(page);
}

TEST_F(PageProcedure, InitialisationFillsTheMainTrunkDialogFromTheModel)
{
  Store_Example_Model();
  NotifyObject* object = New_Object();
  {
    BarePage bare(object);
    ASSERT_NE(nullptr, bare.page);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(object), GetWindowLongPtrW(bare.page, DWLP_USER));
    EXPECT_EQ(std::vector<std::wstring>{L"Backbone"}, wintest::ComboItems(bare.page, IDC_TRUNK_BOX));
    EXPECT_EQ(Adapter_Names(0), wintest::ListItems(bare.page, IDC_AVAILABLE_LIST));
  }
  object->Release();
}

TEST_F(PageProcedure, NotificationsApplyAndLeaveThePage)
{
  NotifyObject* object = New_Object();
  BarePage bare(object);
  ASSERT_NE(nullptr, bare.page);

  SetWindowLongPtrW(bare.page, DWLP_MSGRESULT, 77);
  EXPECT_EQ(1, bare.Notify(PSN_KILLACTIVE));
  EXPECT_EQ(FALSE, GetWindowLongPtrW(bare.page, DWLP_MSGRESULT)) << "the page may be left";

  Add_Link();
  EXPECT_EQ(0, bare.Notify(PSN_RESET));
  EXPECT_FALSE(Key_Exists(HKEY_LOCAL_MACHINE, SERVICE_KEY)) << "PSN_RESET stores nothing";
  EXPECT_EQ(0, bare.Notify(PSN_APPLY));
  EXPECT_EQ(1u, Stored_Dword(SERVICE_KEY, L"TrunkCount")) << "PSN_APPLY stores the model at once";

  EXPECT_EQ(0, PropertyPageProc(bare.page, WM_COMMAND, MAKEWPARAM(1071, EN_CHANGE), 0));
  EXPECT_EQ(1, BarePage::changedMessages) << "an edit change enables the sheet's Apply";
  object->Release();
}

TEST_F(NotifySheet, StoredModelIsShownAndApplyStoresTheEdits)
{
  Store_Example_Model();
  FakeNetCfg netCfg;
  netCfg.Add(L"subsys_00107c3a", L"");   // not discovered: the store is usable
  NotifyObject* object = New_Object();
  object->Initialize(nullptr, &netCfg, FALSE);
  DWORD defaultPages = 1;
  BYTE* pages = nullptr;
  UINT count = 0;
  ASSERT_EQ(S_OK, object->MergePropPages(&defaultPages, &pages, &count, nullptr, nullptr));
  ASSERT_EQ(1u, count);

  PROPSHEETHEADERW header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_NOCONTEXTHELP;
  header.hInstance = Module_Instance();
  header.pszCaption = L"TmrxLink";
  header.nPages = count;
  header.phpage = reinterpret_cast<HPROPSHEETPAGE*>(pages);
  HWND page = nullptr;
  DialogDriver driver;
  driver.ExpectDialog(
      DialogScript()
          .Do([&](HWND sheet) {
            page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
            ASSERT_NE(nullptr, page);
            WCHAR title[64] = {};
            TCITEMW tab = {};
            tab.mask = TCIF_TEXT;
            tab.pszText = title;
            tab.cchTextMax = 64;
            SendMessageW(reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETTABCONTROL, 0, 0)), TCM_GETITEMW, 0,
                         reinterpret_cast<LPARAM>(&tab));
            EXPECT_STREQ(L"Tamrix Port Aggregation Software", title) << "the template's caption names the tab";
            EXPECT_EQ(std::vector<std::wstring>{L"Backbone"}, wintest::ComboItems(page, IDC_TRUNK_BOX));
            EXPECT_EQ(Adapter_Names(0), wintest::ListItems(page, IDC_AVAILABLE_LIST)) << "the loaded adapters";
            EXPECT_FALSE(wintest::IsControlEnabled(sheet, APPLY_BUTTON)) << "nothing changed yet";
          })
          .Do([&](HWND) { wintest::SelectListItems(page, IDC_AVAILABLE_LIST, {1}); })
          .Do([&](HWND) { wintest::ClickButton(page, IDC_ADD_INTERFACE); })
          .Screenshot(Screenshot_Path(L"property_sheet.bmp"))
          .Do([&](HWND sheet) {
            SendMessageW(page, WM_COMMAND, MAKEWPARAM(0, EN_CHANGE), 0);
            EXPECT_TRUE(wintest::IsControlEnabled(sheet, APPLY_BUTTON)) << "PSM_CHANGED reached the sheet";
          })
          .Click(APPLY_BUTTON)
          .Do([&](HWND) {
            EXPECT_EQ(1u, Stored_Dword(std::wstring(SERVICE_KEY) + L"\\Adapter1", L"link_id"))
                << "Apply stored the new member";
            EXPECT_EQ(1u, Stored_Dword(std::wstring(SERVICE_KEY) + L"\\Trunk0", L"NumAdapters"));
          })
          .Click(IDCANCEL));
  PropertySheetW(&header);
  EXPECT_EQ(1u, object->ModelLoaded);
  EXPECT_EQ(2, Adapter_Count()) << "nothing was discovered";
  CoTaskMemFree(pages);
  object->Release();
}

TEST_F(NotifySheet, DiscoveredAdaptersAreShownWhenNothingIsStored)
{
  FakeNetCfg netCfg;
  netCfg.Add(L"subsys_02527c3a", L"");
  netCfg.Add(L"PCI\\VEN_1011", L"Tamrix K100FX");
  NotifyObject* object = New_Object();
  object->Initialize(nullptr, &netCfg, FALSE);
  DWORD defaultPages = 0;
  BYTE* pages = nullptr;
  UINT count = 0;
  ASSERT_EQ(S_OK, object->MergePropPages(&defaultPages, &pages, &count, nullptr, nullptr));
  ASSERT_EQ(1u, count);
  PROPSHEETHEADERW header = {};
  header.dwSize = sizeof header;
  header.dwFlags = PSH_NOCONTEXTHELP;
  header.hInstance = Module_Instance();
  header.pszCaption = L"TmrxLink";
  header.nPages = count;
  header.phpage = reinterpret_cast<HPROPSHEETPAGE*>(pages);
  DialogDriver driver;
  driver.ExpectDialog(DialogScript()
                          .Do([&](HWND sheet) {
                            HWND page = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
                            EXPECT_TRUE(wintest::ComboItems(page, IDC_TRUNK_BOX).empty());
                            const std::vector<std::wstring> expected = {
                                L"[1] Tamrix K250FX Controller (bus:5, dev:0) ",
                                L"[2] Tamrix K100FX Controller (bus:5, dev:4) "};
                            EXPECT_EQ(expected, wintest::ListItems(page, IDC_AVAILABLE_LIST));
                          })
                          .Click(IDCANCEL));
  PropertySheetW(&header);
  EXPECT_EQ(0u, object->ModelLoaded);
  EXPECT_FALSE(Key_Exists(HKEY_LOCAL_MACHINE, SERVICE_KEY)) << "Cancel stores nothing";
  CoTaskMemFree(pages);
  object->Release();
}

TEST_F(ModuleLifetime, EndingTheModuleEmptiesTheModel)
{
  Link* link = Add_Link();
  Add_Adapter_Entry_to_Link(link, Add_Adapter(AdapterValues{MODEL_K250, PCI_BUS_TYPE, 32, 0, 4, 4, 0, 0, 0, 0, 0}));
  Add_Priority(&link->Priorities, New_Priority(1));
  Module_End();
  EXPECT_EQ(nullptr, First_Link());
  EXPECT_EQ(nullptr, First_Adapter());
  EXPECT_EQ(0, Link_Count());
  EXPECT_EQ(0, Adapter_Count());
}

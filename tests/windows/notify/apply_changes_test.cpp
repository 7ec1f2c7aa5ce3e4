// What NotifyObject stores when changes are applied, and the notice it sends.
#include <random>

#include <wintest/host_files.h>
#include <wintest/registry_tree.h>

#include "model_snapshot.h"
#include "netcfg_doubles.h"
#include "notify_test_support.h"

using ApplyChanges = NotifyTest;

namespace {

const GUID ADAPTER = {0x0badf00d, 0x1234, 0x5678, {0x9a, 0xbc, 0xde, 0xf0, 0x12, 0x34, 0x56, 0x78}};

std::wstring Adapter_Params() { return std::wstring(SERVICE_KEY) + L"\\Parameters\\Adapters\\" + Guid_Text(ADAPTER); }

// An object whose page was offered for the adapter ADAPTER.
struct PagesShown {
  FakeComponent component{L"", L""};
  FakeLanContext context;
  NotifyObject* object = nullptr;
  DWORD defaultPages = 0;
  BYTE* pages = nullptr;
  UINT count = 0;

  explicit PagesShown(NotifyObject* created) : object(created)
  {
    component.paramKeyPath = COMPONENT_PARAMS;
    context.adapter = ADAPTER;
    object->Initialize(&component, nullptr, FALSE);
    EXPECT_EQ(S_OK, object->SetContext(&context));
    EXPECT_EQ(S_OK, object->MergePropPages(&defaultPages, &pages, &count, nullptr, nullptr));
  }
  ~PagesShown()
  {
    auto* handles = reinterpret_cast<HPROPSHEETPAGE*>(pages);
    for (UINT i = 0; i < count; ++i) DestroyPropertySheetPage(handles[i]);
    CoTaskMemFree(pages);
    object->Release();
  }
};

}  // namespace

TEST_F(ApplyChanges, WithoutPagesOnlyTheModelIsStored)
{
  Add_Link();
  FakeComponent component(L"", L"");
  component.paramKeyPath = COMPONENT_PARAMS;
  NotifyObject* object = New_Object();
  object->Initialize(&component, nullptr, FALSE);
  object->ReadAnswerFile(L"answers.txt", L"Section");
  Make_Key(Adapter_Params());

  EXPECT_EQ(S_OK, object->ApplyRegistryChanges());
  EXPECT_EQ(1u, Stored_Dword(SERVICE_KEY, L"TrunkCount"));
  EXPECT_FALSE(Stored(COMPONENT_PARAMS, L"Param1").present);
  EXPECT_FALSE(Stored(Adapter_Params(), L"BundleId").present);
  object->Release();
}

TEST_F(ApplyChanges, AfterPagesParam1AndBundleIdAreWrittenWithoutTerminators)
{
  NotifyObject* created = New_Object();
  created->ReadAnswerFile(L"answers.txt", L"Section");
  PagesShown shown(created);
  ASSERT_EQ(1u, shown.count);
  EXPECT_EQ(0u, shown.defaultPages) << "no default pages";
  Make_Key(Adapter_Params());

  EXPECT_EQ(S_OK, shown.object->ApplyRegistryChanges());
  const StoredValue param = Stored(COMPONENT_PARAMS, L"Param1");
  ASSERT_TRUE(param.present);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), param.type);
  // Written with 38 bytes, 2 per character; the platform adds the terminator
  // that the length leaves out when one follows in memory (NT does so too).
  const std::wstring expected = L"ParamFromAnswerFile";
  ASSERT_EQ(40u, param.data.size()) << "19 characters and the terminator the platform added";
  EXPECT_EQ(0, memcmp(expected.c_str(), param.data.data(), 40));
  const StoredValue bundle = Stored(Adapter_Params(), L"BundleId");
  ASSERT_TRUE(bundle.present);
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), bundle.type);
  EXPECT_EQ(0u, bundle.data.size()) << "the empty BundleIdText, no terminator";
  EXPECT_EQ(0u, Stored_Dword(SERVICE_KEY, L"AdapterCount")) << "the model is stored too";
}

// The whole tree a random model is applied as, kept in the build's outputs:
// the 32-bit and the 64-bit library must store the same names, types,
// lengths and data (compared by the test compare.registry_tree).
TEST_F(ApplyChanges, TreeOfARandomModelIsKeptForTheOtherBuild)
{
  std::mt19937 random(1807);
  do {  // the first model with a rule
    Empty_Model();
    Fill_Random_Model(random);
  } while (!First_Link() || !First_Link()->Priorities);
  NotifyObject* created = New_Object();
  created->ReadAnswerFile(L"answers.txt", L"Section");
  PagesShown shown(created);
  Make_Key(Adapter_Params());
  ASSERT_EQ(S_OK, shown.object->ApplyRegistryChanges());
  const std::string tree = wintest::RegistryTreeText(HKEY_LOCAL_MACHINE, SERVICE_KEY) +
                           wintest::RegistryTreeText(HKEY_LOCAL_MACHINE, COMPONENT_PARAMS);
  EXPECT_NE(std::string::npos, tree.find("[Adapter0]\n")) << tree;
  EXPECT_NE(std::string::npos, tree.find("[Trunk0\\\\Priority0]\n")) << tree;
  wintest::WriteHostFile(wintest::HostFolder(TMRX_BUILD_OUTPUTS) + L"\\registry_tree.txt", tree);
}

TEST_F(ApplyChanges, CancelChangesEmptiesParam1)
{
  NotifyObject* created = New_Object();
  created->ReadAnswerFile(nullptr, nullptr);
  EXPECT_EQ(S_OK, created->CancelChanges());
  PagesShown shown(created);
  EXPECT_EQ(S_OK, shown.object->ApplyRegistryChanges()) << "no Parameters key: no BundleId, no error";
  const StoredValue param = Stored(COMPONENT_PARAMS, L"Param1");
  ASSERT_TRUE(param.present);
  EXPECT_EQ(0u, param.data.size());
}

TEST_F(ApplyChanges, InstallOrRemovingAfterPagesStoresOnlyTheModel)
{
  for (bool installing : {true, false}) {
    NotifyObject* created = New_Object();
    created->ReadAnswerFile(nullptr, nullptr);
    PagesShown shown(created);
    if (installing)
      shown.object->Install(0);
    else
      shown.object->Removing();
    EXPECT_EQ(S_OK, shown.object->ApplyRegistryChanges());
    EXPECT_FALSE(Stored(COMPONENT_PARAMS, L"Param1").present) << (installing ? "Install" : "Removing");
    EXPECT_TRUE(Key_Exists(HKEY_LOCAL_MACHINE, SERVICE_KEY));
  }
}

TEST_F(ApplyChanges, MissingAdapterKeyIsTheResultWhenPagesWereShown)
{
  PagesShown shown(New_Object());
  Make_Key(std::wstring(SERVICE_KEY) + L"\\Parameters");
  EXPECT_EQ(static_cast<HRESULT>(0x80070002), shown.object->ApplyRegistryChanges());
  EXPECT_TRUE(Stored(COMPONENT_PARAMS, L"Param1").present) << "Param1 is written before";
}

// A volatile service key takes no lasting trunk key beneath it: the trunk is
// lost, and the result says so although the adapter key opens afterwards.
TEST_F(ApplyChanges, FailedSaveIsNotHiddenByTheAdapterKey)
{
  for (const std::wstring& key : {std::wstring(SERVICE_KEY), std::wstring(SERVICE_KEY) + L"\\Parameters",
                                  std::wstring(SERVICE_KEY) + L"\\Parameters\\Adapters", Adapter_Params()}) {
    HKEY handle = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                                             KEY_ALL_ACCESS, nullptr, &handle, nullptr));
    RegCloseKey(handle);
  }
  Add_Link();
  PagesShown shown(New_Object());
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_CHILD_MUST_BE_VOLATILE), shown.object->ApplyRegistryChanges());
  EXPECT_TRUE(Stored(Adapter_Params(), L"BundleId").present) << "BundleId is still written";
}

TEST_F(ApplyChanges, PnpNoticeCarriesTheAdapterAndTheEmptyBundle)
{
  PagesShown shown(New_Object());
  FakeReconfigCallback callback;
  callback.result = E_FAIL;
  EXPECT_EQ(S_OK, shown.object->ApplyPnpChanges(&callback)) << "whatever the callback returns";
  ASSERT_EQ(1, callback.calls);
  EXPECT_EQ(NCRL_NDIS, callback.layer);
  EXPECT_EQ(L"TmrxInt", callback.upper);
  EXPECT_EQ(Guid_Text(ADAPTER), callback.lower);
  EXPECT_EQ((std::vector<BYTE>{0, 0}), callback.data) << "the terminator alone";
  EXPECT_EQ(S_OK, shown.object->ApplyPnpChanges(nullptr));
}

TEST_F(ApplyChanges, SetContextHoldsTheContextAndTakesItsAdapter)
{
  NotifyObject* object = New_Object();
  FakeLanContext context;
  context.adapter = ADAPTER;
  EXPECT_EQ(S_OK, object->SetContext(&context));
  EXPECT_TRUE(IsEqualGUID(ADAPTER, object->ContextAdapterGuid));
  EXPECT_EQ(2, context.references) << "held, and the LAN info released";

  FakeLanContext failing;
  failing.guidResult = E_UNEXPECTED;
  EXPECT_EQ(E_UNEXPECTED, object->SetContext(&failing)) << "GetDeviceGuid's failure unchanged";
  EXPECT_EQ(1, context.references) << "the previous context released";

  FakeLanContext plain;
  plain.offersLanInfo = false;
  EXPECT_EQ(E_NOINTERFACE, object->SetContext(&plain));
  EXPECT_EQ(2, plain.references) << "held although it offers no LAN info";
  EXPECT_TRUE(IsEqualGUID(GUID{}, object->ContextAdapterGuid)) << "cleared before asking";

  EXPECT_EQ(S_OK, object->SetContext(nullptr));
  EXPECT_EQ(1, plain.references);
  EXPECT_EQ(1, failing.references);
  object->Release();
}

TEST_F(ApplyChanges, OtherMethodsAnswerSOkAndVetoNothing)
{
  NotifyObject* object = New_Object();
  DWORD notifications = 0;
  EXPECT_EQ(S_OK, object->GetSupportedNotifications(&notifications));
  EXPECT_EQ(0x30003u, notifications) << "NCN_NET, NCN_NETTRANS, NCN_ADD, NCN_REMOVE";
  EXPECT_EQ(S_OK, object->QueryBindingPath(0, nullptr));
  EXPECT_EQ(S_OK, object->NotifyBindingPath(0, nullptr));
  EXPECT_EQ(S_OK, object->SysQueryBindingPath(0, nullptr));
  EXPECT_EQ(S_OK, object->SysNotifyBindingPath(0, nullptr));
  EXPECT_EQ(S_OK, object->SysNotifyComponent(0, nullptr));
  EXPECT_EQ(S_OK, object->QueryPropertyUi(nullptr));
  EXPECT_EQ(S_OK, object->ValidateProperties(nullptr));
  EXPECT_EQ(S_OK, object->ApplyProperties());
  EXPECT_EQ(S_OK, object->CancelProperties());
  EXPECT_EQ(S_OK, object->Upgrade(0, 0));
  EXPECT_EQ(SETUP_NONE, object->SetupState) << "none of these changes the setup state";
  object->Release();
}

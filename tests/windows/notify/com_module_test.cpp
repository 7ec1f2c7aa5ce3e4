// The COM exports of TmrxInt.dll: class object, lock count, aggregation,
// version resource.
#include <windows.h>
#include <netcfgn.h>

#include <gtest/gtest.h>

#include <vector>

#include "dll_under_test.h"
#include "notify/notify_ids.h"

namespace {

using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// A controlling object that counts its references and records what it is asked for.
class FakeOuter : public IUnknown {
public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID interfaceId, void** object) override
  {
    asked.push_back(interfaceId);
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override { return --references; }
  LONG references = 1;
  std::vector<IID> asked;
};

class TmrxIntModule : public ::testing::Test {
protected:
  void SetUp() override
  {
    library_ = LoadLibraryW(Library_Path().c_str());
    ASSERT_NE(nullptr, library_) << "LoadLibrary error " << GetLastError();
    canUnloadNow_ = reinterpret_cast<CanUnloadNow>(reinterpret_cast<void*>(GetProcAddress(library_, "DllCanUnloadNow")));
    getClassObject_ =
        reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(library_, "DllGetClassObject")));
    ASSERT_NE(nullptr, canUnloadNow_);
    ASSERT_NE(nullptr, getClassObject_);
  }
  void TearDown() override
  {
    if (library_) FreeLibrary(library_);
  }

  IClassFactory* Factory()
  {
    IClassFactory* factory = nullptr;
    EXPECT_EQ(S_OK, getClassObject_(CLSID_NotifyObject, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
    return factory;
  }

  HMODULE library_ = nullptr;
  CanUnloadNow canUnloadNow_ = nullptr;
  GetClassObject getClassObject_ = nullptr;
};

}  // namespace

TEST_F(TmrxIntModule, CanUnloadOnlyWithoutObjectsAndServerLocks)
{
  EXPECT_EQ(S_OK, canUnloadNow_());
  IClassFactory* factory = Factory();
  ASSERT_NE(nullptr, factory);
  EXPECT_EQ(S_OK, canUnloadNow_()) << "the class object itself does not lock the module";

  IUnknown* first = nullptr;
  IUnknown* second = nullptr;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&first)));
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, __uuidof(INetCfgComponentSetup), reinterpret_cast<void**>(&second)));
  EXPECT_EQ(S_FALSE, canUnloadNow_());
  first->Release();
  EXPECT_EQ(S_FALSE, canUnloadNow_()) << "one object is left";
  second->Release();
  EXPECT_EQ(S_OK, canUnloadNow_());

  EXPECT_EQ(S_OK, factory->LockServer(TRUE));
  EXPECT_EQ(S_FALSE, canUnloadNow_());
  EXPECT_EQ(S_OK, factory->LockServer(FALSE));
  EXPECT_EQ(S_OK, canUnloadNow_());
  factory->Release();
}

TEST_F(TmrxIntModule, OtherClassIdsAreNotAvailable)
{
  IClassFactory* factory = reinterpret_cast<IClassFactory*>(1);
  EXPECT_EQ(CLASS_E_CLASSNOTAVAILABLE,
            getClassObject_(LIBID_NotifyObjectLib, IID_IClassFactory, reinterpret_cast<void**>(&factory)));
  EXPECT_EQ(nullptr, factory);
  EXPECT_EQ(E_POINTER, getClassObject_(CLSID_NotifyObject, IID_IClassFactory, nullptr));
  IUnknown* unknown = nullptr;
  EXPECT_EQ(S_OK, getClassObject_(CLSID_NotifyObject, IID_IUnknown, reinterpret_cast<void**>(&unknown)));
  IClassFactory* again = Factory();
  EXPECT_EQ(static_cast<IUnknown*>(again), unknown) << "one class object, kept by the module";
  again->Release();
  unknown->Release();
}

TEST_F(TmrxIntModule, ObjectHasTheFiveNotifyInterfacesAndOneIdentity)
{
  IClassFactory* factory = Factory();
  ASSERT_NE(nullptr, factory);
  IUnknown* object = nullptr;
  ASSERT_EQ(S_OK, factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)));
  const IID interfaces[] = {__uuidof(INetCfgComponentControl), __uuidof(INetCfgComponentSetup),
                            __uuidof(INetCfgComponentPropertyUi), __uuidof(INetCfgComponentNotifyBinding),
                            __uuidof(INetCfgComponentNotifyGlobal)};
  for (const IID& interfaceId : interfaces) {
    IUnknown* part = nullptr;
    ASSERT_EQ(S_OK, object->QueryInterface(interfaceId, reinterpret_cast<void**>(&part)));
    IUnknown* identity = nullptr;
    ASSERT_EQ(S_OK, part->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity)));
    EXPECT_EQ(object, identity) << "every interface leads back to the same IUnknown";
    identity->Release();
    part->Release();
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, object->QueryInterface(IID_IDispatch, &none));
  EXPECT_EQ(nullptr, none);
  EXPECT_EQ(E_NOINTERFACE, factory->CreateInstance(nullptr, IID_IDispatch, &none));
  object->Release();
  EXPECT_EQ(S_OK, canUnloadNow_()) << "an object refused at creation is gone";
  factory->Release();
}

TEST_F(TmrxIntModule, AggregatedObjectDelegatesToItsOuterObject)
{
  IClassFactory* factory = Factory();
  ASSERT_NE(nullptr, factory);
  FakeOuter outer;
  void* refused = reinterpret_cast<void*>(1);
  EXPECT_EQ(CLASS_E_NOAGGREGATION, factory->CreateInstance(&outer, __uuidof(INetCfgComponentControl), &refused));
  EXPECT_EQ(nullptr, refused);

  IUnknown* inner = nullptr;
  ASSERT_EQ(S_OK, factory->CreateInstance(&outer, IID_IUnknown, reinterpret_cast<void**>(&inner)));
  EXPECT_EQ(1, outer.references) << "the inner object does not hold its outer object";
  INetCfgComponentNotifyGlobal* global = nullptr;
  ASSERT_EQ(S_OK, inner->QueryInterface(__uuidof(INetCfgComponentNotifyGlobal), reinterpret_cast<void**>(&global)));
  EXPECT_EQ(2, outer.references) << "an interface's reference belongs to the outer object";
  DWORD notifications = 0;
  EXPECT_EQ(S_OK, global->GetSupportedNotifications(&notifications));
  EXPECT_EQ(0x30003u, notifications);
  void* other = nullptr;
  global->QueryInterface(__uuidof(INetCfgComponentSetup), &other);
  ASSERT_EQ(1u, outer.asked.size()) << "the interface asks its outer object";
  EXPECT_TRUE(IsEqualIID(__uuidof(INetCfgComponentSetup), outer.asked[0]));
  global->Release();
  EXPECT_EQ(1, outer.references);
  EXPECT_EQ(S_FALSE, canUnloadNow_()) << "the inner object lives until its own IUnknown is released";
  inner->Release();
  EXPECT_EQ(S_OK, canUnloadNow_());
  factory->Release();
}

TEST_F(TmrxIntModule, VersionResourceNamesTheLibrary)
{
  const std::wstring path = Library_Path();
  DWORD ignored = 0;
  std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), &ignored));
  ASSERT_FALSE(block.empty()) << "no version resource";
  ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  EXPECT_EQ(MAKELONG(0, 1), fixed->dwFileVersionMS) << "file version 1, 0, 0, 1";
  EXPECT_EQ(MAKELONG(1, 0), fixed->dwFileVersionLS);
  EXPECT_EQ(MAKELONG(0, 1), fixed->dwProductVersionMS) << "product version 1, 0, 0, 1";
  EXPECT_EQ(MAKELONG(1, 0), fixed->dwProductVersionLS);
  auto text = [&](const wchar_t* name) {
    struct Translation {
      WORD language, codePage;
    }* translations = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translations), &length) ||
        length < sizeof(Translation))
      return std::wstring(L"<no translation>");
    wchar_t query[128];
    swprintf(query, 128, L"\\StringFileInfo\\%04x%04x\\%ls", translations->language, translations->codePage, name);
    wchar_t* value = nullptr;
    if (!VerQueryValueW(block.data(), query, reinterpret_cast<void**>(&value), &length)) return std::wstring(L"<none>");
    return std::wstring(value);
  };
  EXPECT_EQ(L"TmrxLink", text(L"FileDescription"));
  EXPECT_EQ(L"TmrxInt", text(L"InternalName"));
  EXPECT_EQ(L"1, 0, 0, 1", text(L"FileVersion"));
  EXPECT_EQ(L"1, 0, 0, 1", text(L"ProductVersion"));
}

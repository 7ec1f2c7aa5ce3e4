// The type library NotifyObjectLib that TmrxInt.dll carries as TYPELIB 1.
#include <windows.h>
#include <oleauto.h>
#include <netcfgn.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "dll_under_test.h"
#include "notify/notify_ids.h"

namespace {

std::wstring Name_Of(ITypeInfo* info, MEMBERID member = MEMBERID_NIL, std::wstring* help = nullptr)
{
  BSTR name = nullptr;
  BSTR doc = nullptr;
  info->GetDocumentation(member, &name, &doc, nullptr, nullptr);
  std::wstring result = name ? name : L"";
  if (help) *help = doc ? doc : L"";
  SysFreeString(name);
  SysFreeString(doc);
  return result;
}

}  // namespace

TEST(TypeLibrary, DescribesNotifyObjectWithItsFiveInterfaces)
{
  ITypeLib* library = nullptr;
  ASSERT_EQ(S_OK, LoadTypeLibEx(Library_Path().c_str(), REGKIND_NONE, &library));
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, library->GetLibAttr(&attributes));
  EXPECT_TRUE(IsEqualGUID(LIBID_NotifyObjectLib, attributes->guid));
  EXPECT_EQ(1, attributes->wMajorVerNum);
  EXPECT_EQ(0, attributes->wMinorVerNum);
  EXPECT_EQ(0x409u, attributes->lcid);
  library->ReleaseTLibAttr(attributes);
  BSTR name = nullptr;
  BSTR help = nullptr;
  ASSERT_EQ(S_OK, library->GetDocumentation(-1, &name, &help, nullptr, nullptr));
  EXPECT_STREQ(L"NotifyObjectLib", name);
  EXPECT_STREQ(L"Tamrix Intermediate Driver 1.0 Type Library", help);
  SysFreeString(name);
  SysFreeString(help);

  ITypeInfo* coclass = nullptr;
  ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(CLSID_NotifyObject, &coclass));
  std::wstring classHelp;
  EXPECT_EQ(L"NotifyObject", Name_Of(coclass, MEMBERID_NIL, &classHelp));
  EXPECT_EQ(L"Tamrix Intermediate Driver Class", classHelp);
  TYPEATTR* classAttributes = nullptr;
  ASSERT_EQ(S_OK, coclass->GetTypeAttr(&classAttributes));
  EXPECT_EQ(TKIND_COCLASS, classAttributes->typekind);
  std::set<std::wstring> implemented;
  for (UINT i = 0; i < classAttributes->cImplTypes; ++i) {
    HREFTYPE reference = 0;
    ITypeInfo* part = nullptr;
    if (SUCCEEDED(coclass->GetRefTypeOfImplType(i, &reference)) && SUCCEEDED(coclass->GetRefTypeInfo(reference, &part))) {
      implemented.insert(Name_Of(part));
      part->Release();
    }
  }
  coclass->ReleaseTypeAttr(classAttributes);
  coclass->Release();
  const std::set<std::wstring> expected = {L"INetCfgComponentControl", L"INetCfgComponentSetup",
                                           L"INetCfgComponentPropertyUi", L"INetCfgComponentNotifyBinding",
                                           L"INetCfgComponentNotifyGlobal"};
  EXPECT_EQ(expected, implemented);

  ITypeInfo* control = nullptr;
  ASSERT_EQ(S_OK, library->GetTypeInfoOfGuid(__uuidof(INetCfgComponentControl), &control)) << "the platform's IID";
  TYPEATTR* controlAttributes = nullptr;
  ASSERT_EQ(S_OK, control->GetTypeAttr(&controlAttributes));
  EXPECT_EQ(TKIND_INTERFACE, controlAttributes->typekind);
  EXPECT_EQ(4, controlAttributes->cFuncs);
  EXPECT_FALSE(controlAttributes->wTypeFlags & TYPEFLAG_FOLEAUTOMATION)
      << "registering the library must not take over the interfaces' marshalling";
  FUNCDESC* first = nullptr;
  ASSERT_EQ(S_OK, control->GetFuncDesc(0, &first));
  BSTR method = nullptr;
  UINT count = 0;
  control->GetNames(first->memid, &method, 1, &count);
  EXPECT_STREQ(L"Initialize", method);
  EXPECT_EQ(3, first->cParams);
  EXPECT_EQ(VT_HRESULT, first->elemdescFunc.tdesc.vt);
  SysFreeString(method);
  control->ReleaseFuncDesc(first);
  control->ReleaseTypeAttr(controlAttributes);
  control->Release();
  library->Release();
}

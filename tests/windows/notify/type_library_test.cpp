// The type library NotifyObjectLib that TmrxInt.dll carries as TYPELIB 1.
#include <windows.h>
#include <oleauto.h>
#include <netcfgn.h>

#include <gtest/gtest.h>

#include <set>
#include <string>

#include <wintest/host_files.h>

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

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

std::string Guid_Text(const GUID& guid)
{
  WCHAR text[64] = {};
  StringFromGUID2(guid, text, 64);
  return Narrow(text);
}

// One type as text: its kind, flags and GUID, the types it implements or
// inherits, and each function with its kind, calling convention, vtable
// slot (the offset in pointers, so that both builds can be compared) and
// the types of its result and parameters.
std::string Type_Text(ITypeInfo* info)
{
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return "<no attributes>\n";
  std::string text = Narrow(Name_Of(info)) + " " + Guid_Text(attributes->guid) +
                     " kind " + std::to_string(attributes->typekind) + " flags " +
                     std::to_string(attributes->wTypeFlags) + " vtable slots " +
                     std::to_string(attributes->cbSizeVft / sizeof(void*)) + "\n";
  for (UINT i = 0; i < attributes->cImplTypes; ++i) {
    HREFTYPE reference = 0;
    ITypeInfo* part = nullptr;
    INT flags = 0;
    info->GetImplTypeFlags(i, &flags);
    if (SUCCEEDED(info->GetRefTypeOfImplType(i, &reference)) && SUCCEEDED(info->GetRefTypeInfo(reference, &part))) {
      text += "  implements " + Narrow(Name_Of(part)) + " flags " + std::to_string(flags) + "\n";
      part->Release();
    }
  }
  for (UINT i = 0; i < attributes->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(i, &function))) continue;
    text += "  " + Narrow(Name_Of(info, function->memid)) + " memid " + std::to_string(function->memid) +
            " kind " + std::to_string(function->funckind) + " invoke " + std::to_string(function->invkind) +
            " call " + std::to_string(function->callconv) + " slot " +
            std::to_string(function->oVft / static_cast<SHORT>(sizeof(void*))) + " returns " +
            std::to_string(function->elemdescFunc.tdesc.vt) + " parameters";
    for (SHORT p = 0; p < function->cParams; ++p)
      text += " " + std::to_string(function->lprgelemdescParam[p].tdesc.vt) + "/" +
              std::to_string(function->lprgelemdescParam[p].paramdesc.wParamFlags);
    text += "\n";
    info->ReleaseFuncDesc(function);
  }
  info->ReleaseTypeAttr(attributes);
  return text;
}

}  // namespace

// The library's whole description, kept in the build's outputs: the 32-bit
// and the 64-bit library must describe the same types (compared by the test
// compare.type_library). Its SYSKIND is left out: that is the platform.
TEST(TypeLibrary, DescriptionIsKeptForTheOtherBuild)
{
  ITypeLib* library = nullptr;
  ASSERT_EQ(S_OK, LoadTypeLibEx(Library_Path().c_str(), REGKIND_NONE, &library));
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(S_OK, library->GetLibAttr(&attributes));
  std::string text = Guid_Text(attributes->guid) + " lcid " + std::to_string(attributes->lcid) + " version " +
                     std::to_string(attributes->wMajorVerNum) + "." + std::to_string(attributes->wMinorVerNum) +
                     " flags " + std::to_string(attributes->wLibFlags) + "\n";
  library->ReleaseTLibAttr(attributes);
  const UINT count = library->GetTypeInfoCount();
  EXPECT_LE(6u, count) << "the coclass and its five interfaces at least";
  for (UINT i = 0; i < count; ++i) {
    ITypeInfo* info = nullptr;
    ASSERT_EQ(S_OK, library->GetTypeInfo(i, &info)) << "type " << i;
    text += Type_Text(info);
    info->Release();
  }
  library->Release();
  wintest::WriteHostFile(wintest::HostFolder(TMRX_BUILD_OUTPUTS) + L"\\type_library.txt", text);
}

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

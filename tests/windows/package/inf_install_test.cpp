// Trx4n5.inf under Wine's setupapi, as the platform's installer reads it:
// a Windows 2000-style INF of class Net, a model for the board's hardware
// id, and a registry section that leaves the advanced properties and the
// keyword defaults where NDIS reads them.
#include <windows.h>
#include <objbase.h>
#include <setupapi.h>

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring Field(PINFCONTEXT line, DWORD index) {
  wchar_t text[512] = L"";
  if (!SetupGetStringFieldW(line, index, text, ARRAYSIZE(text), nullptr)) return L"<no field>";
  return text;
}

std::string Narrow(const std::wstring& text) { return std::string(text.begin(), text.end()); }

class InfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UINT error_line = 0;
    inf = SetupOpenInfFileW(TRX4N5_INF, L"Net", INF_STYLE_WIN4, &error_line);
    ASSERT_NE(inf, INVALID_HANDLE_VALUE) << "error " << GetLastError() << " at line " << error_line;
  }
  void TearDown() override {
    if (inf != INVALID_HANDLE_VALUE) SetupCloseInfFile(inf);
  }
  // Field 1 of the line KEY in SECTION.
  std::wstring Line(const wchar_t* section, const wchar_t* key, DWORD index = 1) {
    INFCONTEXT line;
    if (!SetupFindFirstLineW(inf, section, key, &line)) return L"<no line>";
    return Field(&line, index);
  }
  HINF inf = INVALID_HANDLE_VALUE;
};

TEST_F(InfTest, OpensAsAWindows2000NetClassInf) {
  wchar_t class_name[64] = L"", guid_text[40] = L"";
  GUID class_guid = {};
  ASSERT_TRUE(SetupDiGetINFClassW(TRX4N5_INF, &class_guid, class_name, ARRAYSIZE(class_name), nullptr));
  StringFromGUID2(class_guid, guid_text, ARRAYSIZE(guid_text));
  EXPECT_STREQ(class_name, L"Net");
  EXPECT_STREQ(guid_text, L"{4D36E972-E325-11CE-BFC1-08002BE10318}") << "the platform's network adapter class";
  EXPECT_EQ(Line(L"Version", L"Signature"), L"$Windows NT$");
  EXPECT_NE(Line(L"Version", L"Provider"), L"<no line>") << "a provider, its name from [Strings]";
}

TEST_F(InfTest, TheModelForTheHardwareIdInstallsAPhysicalPciAdapter) {
  const std::wstring models = Line(L"Manufacturer", L"Tamrix");
  INFCONTEXT line;
  ASSERT_TRUE(SetupFindFirstLineW(inf, models.c_str(), nullptr, &line)) << "no models section";
  EXPECT_EQ(SetupGetLineCountW(inf, models.c_str()), 1) << "one model";
  EXPECT_EQ(Field(&line, 0), L"Tamrix K250 (NDIS5) Network Adapter");
  EXPECT_EQ(Field(&line, 2), L"PCI\\VEN_1011&DEV_0019&SUBSYS_02507C3A");
  wchar_t section[128] = L"";
  ASSERT_TRUE(SetupDiGetActualSectionToInstallW(inf, Field(&line, 1).c_str(), section, ARRAYSIZE(section),
                                                nullptr, nullptr));
  EXPECT_STREQ(section, L"Trx4n5.ndi.NT");
  EXPECT_EQ(Line(section, L"Characteristics"), L"0x84") << "NCF_PHYSICAL | NCF_HAS_UI";
  EXPECT_EQ(Line(section, L"BusType"), L"5") << "PCIBus";
}

// Wine 8's service manager does not show a service that
// SetupInstallServicesFromInfSection created to OpenService (error 1060), so
// the service's section is read as the installer reads it.
TEST_F(InfTest, TheImageGoesToTheDriversFolderAsAKernelServiceOfTheNdisGroup) {
  wchar_t target[MAX_PATH] = L"", system[MAX_PATH] = L"";
  GetSystemDirectoryW(system, MAX_PATH);
  const std::wstring drivers = std::wstring(system) + L"\\drivers";
  ASSERT_TRUE(SetupGetTargetPathW(inf, nullptr, Line(L"Trx4n5.ndi.NT", L"CopyFiles").c_str(), target, MAX_PATH,
                                  nullptr));
  EXPECT_EQ(target, drivers);
  EXPECT_EQ(Line(L"Trx4n5.ndi.NT.Services", L"AddService"), L"Trx4n5");
  EXPECT_EQ(Line(L"Trx4n5.ndi.NT.Services", L"AddService", 2), L"2") << "SPSVCINST_ASSOCSERVICE";
  const std::wstring service = Line(L"Trx4n5.ndi.NT.Services", L"AddService", 3);
  EXPECT_EQ(Line(service.c_str(), L"ServiceType"), L"1") << "SERVICE_KERNEL_DRIVER";
  EXPECT_EQ(Line(service.c_str(), L"StartType"), L"3") << "SERVICE_DEMAND_START";
  EXPECT_EQ(Line(service.c_str(), L"LoadOrderGroup"), L"NDIS");
  EXPECT_EQ(Line(service.c_str(), L"ServiceBinary"), drivers + L"\\Trx4n5.sys");
}

// The model's registry section, installed under a test key that stands for
// the adapter's driver key.
class InfRegistryTest : public InfTest {
 protected:
  void SetUp() override {
    InfTest::SetUp();
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(SetupInstallFromInfSectionW(nullptr, inf, L"Trx4n5.ndi.NT", SPINST_REGISTRY, key, nullptr, 0,
                                            nullptr, nullptr, nullptr, nullptr))
        << "error " << GetLastError();
  }
  void TearDown() override {
    if (key) RegCloseKey(key);
    RegDeleteTreeW(HKEY_CURRENT_USER, kKey);
    InfTest::TearDown();
  }
  static constexpr const wchar_t* kKey = L"Software\\Tamrix\\Trx4n5InfTest";
  HKEY key = nullptr;
};

// The values themselves are the package test's business (against the
// driver's keyword table); here every AddReg line of the model, as setupapi
// reads it, must be in the key as that line says, under the model's own
// AddReg directive.
TEST_F(InfRegistryTest, EveryAddRegLineOfTheModelIsInstalledAsWritten) {
  INFCONTEXT directive;
  ASSERT_TRUE(SetupFindFirstLineW(inf, L"Trx4n5.ndi.NT", L"AddReg", &directive)) << "the model adds registry values";
  int lines = 0;
  for (DWORD f = 1; f <= SetupGetFieldCount(&directive); ++f) {
    const std::wstring section = Field(&directive, f);
    INFCONTEXT line;
    for (BOOL more = SetupFindFirstLineW(inf, section.c_str(), nullptr, &line); more; more = SetupFindNextLine(&line, &line)) {
      ++lines;
      const std::wstring subkey = Field(&line, 2), name = Field(&line, 3), flags = Field(&line, 4), text = Field(&line, 5);
      const std::string where = Narrow(section) + ": " + Narrow(subkey) + " " + Narrow(name);
      EXPECT_EQ(Field(&line, 1), L"HKR") << where << ": relative to the driver key";
      EXPECT_EQ(flags, L"0") << where << ": a string value";
      wchar_t data[256] = L"";
      DWORD type = 0, size = sizeof(data) - sizeof(wchar_t);
      ASSERT_EQ(RegGetValueW(key, subkey.empty() ? nullptr : subkey.c_str(), name.c_str(), RRF_RT_ANY, &type, data, &size),
                ERROR_SUCCESS)
          << where << ": installed";
      EXPECT_EQ(type, static_cast<DWORD>(REG_SZ)) << where;
      EXPECT_EQ(std::wstring(data), text) << where;
    }
  }
  EXPECT_GT(lines, 30) << "the Ndi, parameter and keyword sections";
}

}  // namespace

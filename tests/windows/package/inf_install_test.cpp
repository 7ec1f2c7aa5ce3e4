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
  EXPECT_STREQ(guid_text, L"{4D36E972-E325-11CE-BFC1-08002BE10318}");
  EXPECT_EQ(Line(L"Version", L"Signature"), L"$Windows NT$");
  EXPECT_EQ(Line(L"Version", L"Provider"), L"Tamrix");
  EXPECT_EQ(Line(L"Version", L"DriverVer", 2), L"3.1.0.0") << "the version OID_GEN_VENDOR_DRIVER_VERSION reports";
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
  struct Want { const wchar_t* subkey; const wchar_t* name; const wchar_t* text; };
  // Each value as REG_SZ with its text ("<absent>" for a value that must not exist).
  void ExpectValues(std::initializer_list<Want> values) const {
    for (const Want& want : values) {
      wchar_t data[256] = L"";
      DWORD type = 0, size = sizeof(data) - sizeof(wchar_t);
      std::wstring got = L"<absent>";
      if (RegGetValueW(key, want.subkey, want.name, RRF_RT_ANY, &type, data, &size) == ERROR_SUCCESS) {
        got = type == REG_SZ ? data : L"<type " + std::to_wstring(type) + L">";
      }
      EXPECT_EQ(got, want.text) << Narrow(want.subkey ? want.subkey : L"") << " " << Narrow(want.name);
    }
  }
  static constexpr const wchar_t* kKey = L"Software\\Tamrix\\Trx4n5InfTest";
  HKEY key = nullptr;
};

TEST_F(InfRegistryTest, AdvancedPropertiesHaveTheirTypesTextsAndLimits) {
  const wchar_t* ct = L"Ndi\\params\\ConnectionType";
  const wchar_t* e = L"Ndi\\params\\ConnectionType\\enum";
  const wchar_t* mt = L"Ndi\\params\\MapThreshold";
  const wchar_t* rx = L"Ndi\\params\\RxRingSize";
  const wchar_t* tx = L"Ndi\\params\\TxRingSize";
  const wchar_t* na = L"Ndi\\params\\NetworkAddress";
  ExpectValues({{L"Ndi", L"Service", L"Trx4n5"}, {L"Ndi\\Interfaces", L"UpperRange", L"ndis5"},
                {L"Ndi\\Interfaces", L"LowerRange", L"ethernet"},
                {ct, L"type", L"enum"}, {ct, L"default", L"0"}, {ct, L"ParamDesc", L"Connection Type"},
                {e, L"0", L"Auto-negotiation"}, {e, L"1", L"10 Mb/s half duplex"}, {e, L"2", L"10 Mb/s full duplex"},
                {e, L"3", L"100 Mb/s half duplex"}, {e, L"4", L"100 Mb/s full duplex"}, {e, L"5", L"<absent>"},
                {mt, L"type", L"int"}, {mt, L"default", L"100"}, {mt, L"min", L"1"}, {mt, L"max", L"1538"},
                {rx, L"type", L"int"}, {rx, L"default", L"256"}, {rx, L"min", L"1"}, {rx, L"max", L"1024"},
                {tx, L"type", L"int"}, {tx, L"default", L"256"}, {tx, L"min", L"1"}, {tx, L"max", L"1024"},
                {L"Ndi\\params\\Options", L"type", L"edit"}, {L"Ndi\\params\\Options", L"default", L""},
                {na, L"type", L"edit"}, {na, L"optional", L"1"}, {na, L"LimitText", L"12"},
                {L"Ndi\\params\\BusNumber", L"type", L"<absent>"}, {L"Ndi\\params\\SlotNumber", L"type", L"<absent>"}});
}

TEST_F(InfRegistryTest, TheDriverKeyHoldsTheKeywordDefaultsNdisReads) {
  ExpectValues({{nullptr, L"ConnectionType", L"0"}, {nullptr, L"MapThreshold", L"100"},
                {nullptr, L"RxRingSize", L"256"}, {nullptr, L"TxRingSize", L"256"}, {nullptr, L"BusNumber", L"0"},
                {nullptr, L"SlotNumber", L"0"}, {nullptr, L"NetworkAddress", L"<absent>"}});
}

}  // namespace

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

const wchar_t kTestKey[] = L"Software\\Tamrix\\Trx4n5InfTest";

std::wstring Field(PINFCONTEXT line, DWORD index) {
  wchar_t text[512] = L"";
  if (!SetupGetStringFieldW(line, index, text, ARRAYSIZE(text), nullptr)) return L"<no field>";
  return text;
}

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
  HINF inf = INVALID_HANDLE_VALUE;
};

TEST_F(InfTest, OpensAsAWindows2000NetClassInf) {
  wchar_t class_name[64] = L"";
  GUID class_guid = {};
  ASSERT_TRUE(SetupDiGetINFClassW(TRX4N5_INF, &class_guid, class_name, ARRAYSIZE(class_name), nullptr))
      << "error " << GetLastError();
  EXPECT_STREQ(class_name, L"Net");
  wchar_t guid_text[40] = L"";
  StringFromGUID2(class_guid, guid_text, ARRAYSIZE(guid_text));
  EXPECT_STREQ(guid_text, L"{4D36E972-E325-11CE-BFC1-08002BE10318}");

  INFCONTEXT line;
  ASSERT_TRUE(SetupFindFirstLineW(inf, L"Version", L"Signature", &line));
  EXPECT_EQ(Field(&line, 1), L"$Windows NT$");
  ASSERT_TRUE(SetupFindFirstLineW(inf, L"Version", L"Provider", &line));
  EXPECT_EQ(Field(&line, 1), L"Tamrix");
  ASSERT_TRUE(SetupFindFirstLineW(inf, L"Version", L"DriverVer", &line));
  EXPECT_EQ(Field(&line, 2), L"3.1.0.0") << "the version OID_GEN_VENDOR_DRIVER_VERSION reports";
}

TEST_F(InfTest, ManufacturerAndModelGiveTheHardwareIdAndItsNtSection) {
  INFCONTEXT line;
  ASSERT_TRUE(SetupFindFirstLineW(inf, L"Manufacturer", nullptr, &line));
  EXPECT_EQ(Field(&line, 0), L"Tamrix");
  const std::wstring models = Field(&line, 1);
  ASSERT_TRUE(SetupFindFirstLineW(inf, models.c_str(), nullptr, &line)) << "no models section " << models;
  EXPECT_EQ(Field(&line, 0), L"Tamrix K250 (NDIS5) Network Adapter");
  EXPECT_EQ(Field(&line, 2), L"PCI\\VEN_1011&DEV_0019&SUBSYS_02507C3A");
  EXPECT_EQ(SetupGetLineCountW(inf, models.c_str()), 1) << "one model";

  wchar_t actual[128] = L"";
  ASSERT_TRUE(SetupDiGetActualSectionToInstallW(inf, Field(&line, 1).c_str(), actual, ARRAYSIZE(actual),
                                                nullptr, nullptr));
  EXPECT_STREQ(actual, L"Trx4n5.ndi.NT");
  ASSERT_TRUE(SetupFindFirstLineW(inf, actual, L"Characteristics", &line));
  EXPECT_EQ(Field(&line, 1), L"0x84") << "NCF_PHYSICAL | NCF_HAS_UI";
  ASSERT_TRUE(SetupFindFirstLineW(inf, actual, L"BusType", &line));
  EXPECT_EQ(Field(&line, 1), L"5") << "PCIBus";
}

// The model's registry section installed under a test key stands for the
// adapter's driver key.
class InfRegistryTest : public InfTest {
 protected:
  void SetUp() override {
    InfTest::SetUp();
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_TRUE(SetupInstallFromInfSectionW(nullptr, inf, L"Trx4n5.ndi.NT", SPINST_REGISTRY, key, nullptr, 0,
                                            nullptr, nullptr, nullptr, nullptr))
        << "error " << GetLastError();
  }
  void TearDown() override {
    if (key) RegCloseKey(key);
    RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    InfTest::TearDown();
  }
  // The text of an REG_SZ value, "<absent>" or "<type N>" otherwise.
  std::wstring Text(const wchar_t* subkey, const wchar_t* name) const {
    wchar_t data[256] = L"";
    DWORD type = 0, size = sizeof(data) - sizeof(wchar_t);
    if (RegGetValueW(key, subkey, name, RRF_RT_ANY, &type, data, &size) != ERROR_SUCCESS) return L"<absent>";
    if (type != REG_SZ) return L"<type " + std::to_wstring(type) + L">";
    return data;
  }
  HKEY key = nullptr;
};

TEST_F(InfRegistryTest, BindsAsAnNdis5EthernetAdapterOfTheService) {
  EXPECT_EQ(Text(L"Ndi", L"Service"), L"Trx4n5");
  EXPECT_EQ(Text(L"Ndi\\Interfaces", L"UpperRange"), L"ndis5");
  EXPECT_EQ(Text(L"Ndi\\Interfaces", L"LowerRange"), L"ethernet");
}

TEST_F(InfRegistryTest, ConnectionTypeIsAnEnumerationWithATextPerCode) {
  const wchar_t* p = L"Ndi\\params\\ConnectionType";
  EXPECT_EQ(Text(p, L"type"), L"enum");
  EXPECT_EQ(Text(p, L"default"), L"0");
  EXPECT_EQ(Text(p, L"ParamDesc"), L"Connection Type");
  const wchar_t* e = L"Ndi\\params\\ConnectionType\\enum";
  EXPECT_EQ(Text(e, L"0"), L"Auto-negotiation");
  EXPECT_EQ(Text(e, L"1"), L"10 Mb/s half duplex");
  EXPECT_EQ(Text(e, L"2"), L"10 Mb/s full duplex");
  EXPECT_EQ(Text(e, L"3"), L"100 Mb/s half duplex");
  EXPECT_EQ(Text(e, L"4"), L"100 Mb/s full duplex");
  EXPECT_EQ(Text(e, L"5"), L"<absent>");
}

TEST_F(InfRegistryTest, IntegerKeywordsCarryTheTablesDefaultsAndLimits) {
  struct Row { const wchar_t* name; const wchar_t* def; const wchar_t* min; const wchar_t* max; };
  for (const Row& row : {Row{L"MapThreshold", L"100", L"1", L"1538"}, Row{L"RxRingSize", L"256", L"1", L"1024"},
                         Row{L"TxRingSize", L"256", L"1", L"1024"}}) {
    const std::wstring p = std::wstring(L"Ndi\\params\\") + row.name;
    const std::string n(row.name, row.name + wcslen(row.name));
    EXPECT_EQ(Text(p.c_str(), L"type"), L"int") << n;
    EXPECT_EQ(Text(p.c_str(), L"default"), row.def) << n;
    EXPECT_EQ(Text(p.c_str(), L"min"), row.min) << n;
    EXPECT_EQ(Text(p.c_str(), L"max"), row.max) << n;
    EXPECT_NE(Text(p.c_str(), L"ParamDesc"), L"<absent>") << n;
  }
}

TEST_F(InfRegistryTest, OptionsAndNetworkAddressAreEditFields) {
  EXPECT_EQ(Text(L"Ndi\\params\\Options", L"type"), L"edit");
  EXPECT_EQ(Text(L"Ndi\\params\\Options", L"default"), L"");
  EXPECT_EQ(Text(L"Ndi\\params\\NetworkAddress", L"type"), L"edit");
  EXPECT_EQ(Text(L"Ndi\\params\\NetworkAddress", L"optional"), L"1") << "no override unless one is entered";
  EXPECT_EQ(Text(L"Ndi\\params\\NetworkAddress", L"LimitText"), L"12") << "six bytes in hexadecimal";
  EXPECT_EQ(Text(nullptr, L"NetworkAddress"), L"<absent>") << "the board's own address by default";
}

TEST_F(InfRegistryTest, TheDriverKeyHoldsEveryKeywordsDefault) {
  EXPECT_EQ(Text(nullptr, L"ConnectionType"), L"0") << "the one required keyword";
  EXPECT_EQ(Text(nullptr, L"MapThreshold"), L"100");
  EXPECT_EQ(Text(nullptr, L"RxRingSize"), L"256");
  EXPECT_EQ(Text(nullptr, L"TxRingSize"), L"256");
  EXPECT_EQ(Text(nullptr, L"BusNumber"), L"0");
  EXPECT_EQ(Text(nullptr, L"SlotNumber"), L"0");
  EXPECT_EQ(Text(L"Ndi\\params\\BusNumber", L"type"), L"<absent>") << "not offered for editing";
  EXPECT_EQ(Text(L"Ndi\\params\\SlotNumber", L"type"), L"<absent>") << "not offered for editing";
}

TEST_F(InfTest, TheImageIsCopiedFromDiskOneToTheDriversFolder) {
  wchar_t target[MAX_PATH] = L"", system[MAX_PATH] = L"";
  GetSystemDirectoryW(system, MAX_PATH);
  ASSERT_TRUE(SetupGetTargetPathW(inf, nullptr, L"Trx4n5.CopyFiles", target, MAX_PATH, nullptr));
  EXPECT_EQ(std::wstring(target), std::wstring(system) + L"\\drivers");
  UINT disk = 0;
  wchar_t subdir[MAX_PATH] = L"";
  ASSERT_TRUE(SetupGetSourceFileLocationW(inf, nullptr, L"Trx4n5.sys", &disk, subdir, MAX_PATH, nullptr));
  EXPECT_EQ(disk, 1u);
  INFCONTEXT line;
  ASSERT_TRUE(SetupFindFirstLineW(inf, L"Trx4n5.ndi.NT", L"CopyFiles", &line));
  EXPECT_EQ(Field(&line, 1), L"Trx4n5.CopyFiles");
}

// Wine 8's service manager does not show a service that
// SetupInstallServicesFromInfSection created to OpenService (error 1060), so
// the service's section is read as the installer reads it.
TEST_F(InfTest, ServiceIsAKernelDriverInTheNdisGroup) {
  INFCONTEXT line;
  ASSERT_TRUE(SetupFindFirstLineW(inf, L"Trx4n5.ndi.NT.Services", L"AddService", &line));
  EXPECT_EQ(Field(&line, 1), L"Trx4n5");
  EXPECT_EQ(Field(&line, 2), L"2") << "SPSVCINST_ASSOCSERVICE: the adapter's function driver";
  const std::wstring section = Field(&line, 3);
  struct Want { const wchar_t* key; std::wstring value; };
  wchar_t drivers[MAX_PATH] = L"";
  GetSystemDirectoryW(drivers, MAX_PATH);
  for (const Want& want : {Want{L"ServiceType", L"1"}, Want{L"StartType", L"3"}, Want{L"ErrorControl", L"1"},
                           Want{L"LoadOrderGroup", L"NDIS"},
                           Want{L"ServiceBinary", std::wstring(drivers) + L"\\drivers\\Trx4n5.sys"}}) {
    ASSERT_TRUE(SetupFindFirstLineW(inf, section.c_str(), want.key, &line)) << "no line " << want.key;
    EXPECT_EQ(Field(&line, 1), want.value) << "directory 12 is the drivers folder";
  }
}

}  // namespace

// Addresses and the checks made before a function is lent to the stand-in,
// on a sysfs tree built in a temporary folder.
#include "hostpci/pci_function.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace {

namespace fs = std::filesystem;

// A folder shaped like /sys/bus/pci/devices with its drivers beside it:
// 21143s bound to uio_pci_generic, to the kernel's driver and to none, and
// other functions (added out of address order).
class PciFunctionCheckTest : public ::testing::Test {
 protected:
  PciFunctionCheckTest() {
    fs::create_directories(root_ / "devices");
    Add("0000:00:03.0", "0x8086", "0x100e", "e1000");
    Add("0000:00:14.0", "0x1011", "0x0019", "uio_pci_generic");
    Add("0000:00:10.0", "0x1011", "0x0019", "tulip");
    Add("0000:00:11.0", "0x1011", "0x0019", "");
    Add("0000:00:12.0", "0x1011", "0x0019", "uio_pci_generic");
    Add("0000:00:13.0", "0x8086", "0x100e", "uio_pci_generic");
  }
  ~PciFunctionCheckTest() override { fs::remove_all(root_); }

  std::string devices() const { return root_ / "devices"; }
  // A function with these identifiers, bound to `driver` ("" for none).
  void Add(const std::string& address, const char* vendor, const char* device, const std::string& driver) {
    fs::path dir = root_ / "devices" / address;
    fs::create_directory(dir);
    std::ofstream(dir / "vendor") << vendor << "\n";
    std::ofstream(dir / "device") << device << "\n";
    if (driver.empty()) return;
    fs::create_directories(root_ / "drivers" / driver);
    fs::create_directory_symlink("../../drivers/" + driver, dir / "driver");
  }

 private:
  fs::path root_ = fs::path(::testing::TempDir()) / ("pci-sysfs-" + std::to_string(::getpid()));
};

TEST(PciAddressTest, TakesTheFullFormAndTheShortOneInLowerCase) {
  std::string a;
  ASSERT_TRUE(hostpci::ParseAddress("0000:03:00.0", &a)) << "the full form";
  EXPECT_EQ(a, "0000:03:00.0") << "taken as it is";
  ASSERT_TRUE(hostpci::ParseAddress("0A:1F.7", &a)) << "bus:device.function means domain 0";
  EXPECT_EQ(a, "0000:0a:1f.7") << "in full, in lower case";
  for (const char* bad : {"", "03:00", "0000:03:00.8", "0000:03:00:0", "0000:3:00.0", "zz:00.0", "0000:03:00.0x"})
    EXPECT_FALSE(hostpci::ParseAddress(bad, &a)) << "'" << bad << "' is no address";
}

TEST_F(PciFunctionCheckTest, SaysWhyEachFunctionCannotBeUsed) {
  struct Case {
    const char* address;
    const char* says;
  } cases[] = {{"0000:00:09.0", "there is no PCI function 0000:00:09.0"},
               {"0000:00:03.0", "is no DEC 21143 (vendor 0x8086, device 0x100e"},
               {"0000:00:10.0", "belongs to the kernel's tulip driver, not to uio_pci_generic"},
               {"0000:00:11.0", "is bound to no driver, not to uio_pci_generic"}};
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(hostpci::CheckFunction(devices(), c.address, &error)) << c.address;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.address << ": " << error;
  }
  std::string error;
  EXPECT_TRUE(hostpci::CheckFunction(devices(), "0000:00:12.0", &error)) << error;
  std::string unbind;
  hostpci::CheckFunction(devices(), "0000:00:10.0", &unbind);
  EXPECT_NE(unbind.find("echo 0000:00:10.0 > " + devices() + "/0000:00:10.0/driver/unbind"), std::string::npos)
      << "a function the kernel drives is unbound first: " << unbind;
}

TEST_F(PciFunctionCheckTest, ListsOnlyThe21143sBoundToUioInAddressOrder) {
  EXPECT_EQ(hostpci::BoundFunctions(devices()), (std::vector<std::string>{"0000:00:12.0", "0000:00:14.0"}))
      << "not the one the kernel drives, nor the one that is no 21143";
}

}  // namespace

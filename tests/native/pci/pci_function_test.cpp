// Addresses and the checks made before a function is lent to the stand-in,
// on a sysfs tree built in a temporary folder.
#include "hostpci/pci_function.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace {

// A folder shaped like /sys/bus/pci/devices with its drivers beside it.
class FakeSysfs {
 public:
  FakeSysfs() {
    char pattern[] = "/tmp/pci-sysfs.XXXXXX";
    root_ = mkdtemp(pattern);
    mkdir((root_ + "/devices").c_str(), 0755);
    mkdir((root_ + "/drivers").c_str(), 0755);
  }
  ~FakeSysfs() { std::system(("rm -rf " + root_).c_str()); }

  std::string devices() const { return root_ + "/devices"; }
  // A function with these identifiers, bound to `driver` ("" for none).
  void Add(const std::string& address, const char* vendor, const char* device, const std::string& driver) {
    std::string dir = devices() + "/" + address;
    mkdir(dir.c_str(), 0755);
    std::ofstream(dir + "/vendor") << vendor << "\n";
    std::ofstream(dir + "/device") << device << "\n";
    if (driver.empty()) return;
    mkdir((root_ + "/drivers/" + driver).c_str(), 0755);
    symlink(("../../drivers/" + driver).c_str(), (dir + "/driver").c_str());
  }

 private:
  std::string root_;
};

TEST(PciAddressTest, TakesTheFullFormAndTheShortOneInLowerCase) {
  std::string a;
  ASSERT_TRUE(hostpci::ParseAddress("0000:03:00.0", &a));
  EXPECT_EQ(a, "0000:03:00.0");
  ASSERT_TRUE(hostpci::ParseAddress("0A:1F.7", &a)) << "bus:device.function means domain 0";
  EXPECT_EQ(a, "0000:0a:1f.7");
  for (const char* bad : {"", "03:00", "0000:03:00.8", "0000:03:00:0", "0000:3:00.0", "zz:00.0", "0000:03:00.0x"})
    EXPECT_FALSE(hostpci::ParseAddress(bad, &a)) << "'" << bad << "' is no address";
}

TEST(PciFunctionCheckTest, SaysWhyEachFunctionCannotBeUsed) {
  FakeSysfs sys;
  sys.Add("0000:00:03.0", "0x8086", "0x100e", "e1000");
  sys.Add("0000:00:10.0", "0x1011", "0x0019", "tulip");
  sys.Add("0000:00:11.0", "0x1011", "0x0019", "");
  sys.Add("0000:00:12.0", "0x1011", "0x0019", "uio_pci_generic");
  struct Case {
    const char* address;
    const char* says;
  } cases[] = {{"0000:00:09.0", "there is no PCI function 0000:00:09.0"},
               {"0000:00:03.0", "is no DEC 21143 (vendor 0x8086, device 0x100e"},
               {"0000:00:10.0", "belongs to the kernel's tulip driver, not to uio_pci_generic"},
               {"0000:00:11.0", "is bound to no driver, not to uio_pci_generic"}};
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(hostpci::CheckFunction(sys.devices(), c.address, &error)) << c.address;
    EXPECT_NE(error.find(c.says), std::string::npos) << c.address << ": " << error;
  }
  std::string error;
  EXPECT_TRUE(hostpci::CheckFunction(sys.devices(), "0000:00:12.0", &error)) << error;
  std::string unbind;
  hostpci::CheckFunction(sys.devices(), "0000:00:10.0", &unbind);
  EXPECT_NE(unbind.find("echo 0000:00:10.0 > " + sys.devices() + "/0000:00:10.0/driver/unbind"), std::string::npos)
      << "a function the kernel drives is unbound first: " << unbind;
}

TEST(PciFunctionCheckTest, ListsOnlyThe21143sBoundToUioInAddressOrder) {
  FakeSysfs sys;
  sys.Add("0000:00:12.0", "0x1011", "0x0019", "uio_pci_generic");
  sys.Add("0000:00:10.0", "0x1011", "0x0019", "uio_pci_generic");
  sys.Add("0000:00:11.0", "0x1011", "0x0019", "tulip");
  sys.Add("0000:00:13.0", "0x8086", "0x100e", "uio_pci_generic");
  EXPECT_EQ(hostpci::BoundFunctions(sys.devices()), (std::vector<std::string>{"0000:00:10.0", "0000:00:12.0"}));
}

}  // namespace

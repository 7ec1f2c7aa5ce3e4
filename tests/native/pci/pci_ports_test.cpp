// The tools' --pci and --as-k250 options, and the PHY register kept beside
// a chip whose PHY drops the writes to it.
#include <gtest/gtest.h>

#include "../hostndis/fake_device.h"
#include "pci_ports.h"
#include "phy_register_keeper.h"
#include "sim/csr9_master.h"

namespace {

// Takes the options of `args` the way a tool's loop does; returns what was left.
std::vector<std::string> Take(std::vector<std::string> args, simlab::PciChoice* choice) {
  std::vector<char*> argv{const_cast<char*>("tool")};
  for (std::string& a : args) argv.push_back(a.data());
  std::vector<std::string> left;
  for (int i = 1; i < int(argv.size()); ++i)
    if (!simlab::TakePciOption(int(argv.size()), argv.data(), &i, choice)) left.push_back(argv[i]);
  return left;
}

TEST(PciOptionTest, TakesAnAddressListOnlyWhenEveryPieceIsAnAddress) {
  simlab::PciChoice a;
  EXPECT_EQ(Take({"--pci", "00:10.0,0000:00:11.0", "--as-k250", "out.pcap"}, &a), std::vector<std::string>{"out.pcap"})
      << "both options and the list taken";
  EXPECT_TRUE(a.enabled && a.as_k250) << "--pci and --as-k250";
  EXPECT_EQ(a.addresses, (std::vector<std::string>{"0000:00:10.0", "0000:00:11.0"})) << "each address in full";

  simlab::PciChoice b;
  EXPECT_EQ(Take({"--pci", "out.pcap"}, &b), std::vector<std::string>{"out.pcap"}) << "not an address: the next argument";
  EXPECT_TRUE(b.enabled) << "--pci alone";
  EXPECT_TRUE(b.addresses.empty()) << "the first functions bound to uio";
  simlab::PciChoice c;
  EXPECT_EQ(Take({"--pci", "10.0,bogus"}, &c), std::vector<std::string>{"10.0,bogus"}) << "a list with a bad piece";
  EXPECT_FALSE(c.as_k250) << "not given";
}

class PhyRegisterKeeperTest : public ::testing::Test {
 protected:
  PhyRegisterKeeperTest() {
    auto fake = std::make_unique<hostndis_test::FakeDevice>();
    chip_ = fake.get();
    // QEMU's PHY as far as register 0x11 goes: the data lines in (the MII's
    // bit 19, the serial ROM's bit 3) stay at `line_` whatever is written.
    chip_->on_write = [this](uint32_t offset, uint32_t) {
      constexpr uint32_t kDataIn = 1u << 19 | 1u << 3;
      if (offset == 0x48) chip_->csr[9] = (chip_->csr[9] & ~kDataIn) | (line_ ? kDataIn : 0);
    };
    keeper_ = std::make_unique<simlab::PhyRegisterKeeper>(std::move(fake), 1, 0x11);
  }
  sim::Csr9Master<hostndis::Device> Master() { return sim::Csr9Master<hostndis::Device>(*keeper_); }

  hostndis_test::FakeDevice* chip_;
  std::unique_ptr<simlab::PhyRegisterKeeper> keeper_;
  bool line_ = false;
};

TEST_F(PhyRegisterKeeperTest, ReadsOfTheKeptRegisterShowWhatWasWritten) {
  Master().MiiWrite(1, 0x11, 0x8002);
  EXPECT_EQ(Master().MiiRead(1, 0x11), 0x8002u) << "all sixteen bits, the first one too";
  Master().MiiWrite(1, 0x14, 0x3800);
  EXPECT_EQ(Master().MiiRead(1, 0x11), 0x8002u) << "a write elsewhere leaves it";
  line_ = true;
  EXPECT_EQ(Master().MiiRead(1, 0x10), 0xffffu) << "other registers are the chip's";
  EXPECT_EQ(Master().MiiRead(2, 0x11), 0xffffu) << "so is the same register of another PHY address";
  EXPECT_EQ(Master().SromWord(3), 0xffffu) << "and the serial ROM";
  EXPECT_EQ(Master().MiiRead(1, 0x11), 0x8002u) << "whatever the data line says";
}

TEST_F(PhyRegisterKeeperTest, APhyResetClearsItAndEveryAccessStillReachesTheChip) {
  Master().MiiWrite(1, 0x11, 2);
  size_t writes = chip_->writes.size();
  Master().MiiWrite(1, 0, 0x8000);
  EXPECT_GT(chip_->writes.size(), writes) << "the reset went to the chip";
  EXPECT_EQ(Master().MiiRead(1, 0x11), 0u) << "a PHY reset clears the register";
  Master().MiiWrite(2, 0x11, 7);
  EXPECT_EQ(Master().MiiRead(1, 0x11), 0u) << "a write to another PHY address is not kept";
}

}  // namespace

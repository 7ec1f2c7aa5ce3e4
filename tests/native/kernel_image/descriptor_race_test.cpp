// The descriptor race rule on a scripted sequence of the driver's stores and
// the chip's accesses: what is a finding, what is allowed, and how a finding
// names the descriptor, the word and the store.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kimage/descriptor_race.h"

namespace {

constexpr uint32_t kOwn = 0x80000000u;
constexpr uint32_t kBus = 0x00407000, kEmulated = 0x10007000, kImageBase = 0x10000;

// Four transmit and two receive descriptors, then the setup frame.
class DescriptorRaceTest : public ::testing::Test {
 protected:
  DescriptorRaceTest() : bytes_(6 * 16 + 192) {
    area_.bus = kBus;
    area_.emulated = kEmulated;
    area_.host = bytes_.data();
    area_.tx_count = 4;
    area_.rx_count = 2;
    kimage::DescriptorRaceRule::Hooks hooks;
    hooks.report = [this](const std::string& what) { reports_.push_back(what); };
    hooks.process_running = [this](bool transmit) { return transmit ? tx_running_ : rx_running_; };
    hooks.code_name = [](uint32_t eip) {
      char b[32];
      std::snprintf(b, sizeof b, "Trx4n5.sys+0x%x", eip - kImageBase);
      return std::string(b);
    };
    rule_ = std::make_unique<kimage::DescriptorRaceRule>(area_, std::move(hooks));
  }
  // The driver's store: checked, then it lands.
  void Store(uint32_t offset, uint32_t value, uint32_t eip) {
    rule_->DriverStore(kEmulated + offset, 4, value, eip);
    std::memcpy(&bytes_[offset], &value, 4);
  }
  // The driver's way of filling a transmit descriptor and handing it over.
  void HandOverTx(uint32_t d, uint32_t tdes1, uint32_t tdes2) {
    Store(16 * d + 4, tdes1, 0x10100);
    Store(16 * d + 8, tdes2, 0x10104);
    Store(16 * d + 12, 0, 0x10108);
    Store(16 * d, kOwn, 0x1010c);
  }
  void ChipRead(uint32_t d) { rule_->ChipRead(kBus + 16 * d, 16); }
  void ChipCloses(uint32_t d, uint32_t status) {
    std::memcpy(&bytes_[16 * d], &status, 4);
    rule_->ChipWrote(kBus + 16 * d, 4);
  }

  std::vector<uint8_t> bytes_;
  kimage::DescriptorArea area_;
  bool tx_running_ = true, rx_running_ = true;
  std::vector<std::string> reports_;
  std::unique_ptr<kimage::DescriptorRaceRule> rule_;
};

TEST_F(DescriptorRaceTest, HandingOverAfterTheOtherWordsIsNoFinding) {
  for (int lap = 0; lap < 2; ++lap) {
    HandOverTx(1, 0x6000003c, 0x00403000);
    ChipRead(1);
    ChipCloses(1, 0);
  }
  EXPECT_TRUE(reports_.empty()) << (reports_.empty() ? "" : reports_[0]);
  EXPECT_EQ(rule_->stores_seen(), 8u) << "four words per hand-over";
}

TEST_F(DescriptorRaceTest, AStoreIntoADescriptorTheChipOwnsIsAFinding) {
  Store(16, kOwn, 0x10200);
  Store(20, 0x6000003c, 0x10204);
  ASSERT_EQ(reports_.size(), 1u) << "the store after the hand-over";
  EXPECT_EQ(reports_[0],
            "the driver stores 0x6000003c into TDES1 of transmit descriptor 1 (bus 0x00407010) while the chip owns "
            "it: the store at EIP 0x00010204 (Trx4n5.sys+0x204)");
}

TEST_F(DescriptorRaceTest, TheChipReadingBeforeTheOtherWordsIsAFinding) {
  HandOverTx(2, 0x6000003c, 0x00403000);
  ChipRead(2);
  ChipCloses(2, 0);
  Store(32, kOwn, 0x10300);  // handed over again before anything else
  ChipRead(2);
  ChipRead(2);
  ASSERT_EQ(reports_.size(), 1u) << "once per hand-over";
  EXPECT_EQ(reports_[0],
            "the chip reads transmit descriptor 2 (bus 0x00407020), which it owns, before TDES1, TDES2, TDES3 was "
            "written for this hand-over (handed over by the store at EIP 0x00010300 (Trx4n5.sys+0x300))");
}

TEST_F(DescriptorRaceTest, AStoppedProcessLetsTheDriverTakeItsDescriptorsBack) {
  HandOverTx(0, 0x6000003c, 0x00403000);
  tx_running_ = false;
  Store(0, 0x7eeeeeee, 0x10400);  // a restart flushes what the chip never sent
  EXPECT_TRUE(reports_.empty()) << (reports_.empty() ? "" : reports_[0]);
}

TEST_F(DescriptorRaceTest, RewritingTheSetupFrameUnderAnOwnedSetupDescriptorIsAFinding) {
  uint32_t frame = 6 * 16;
  HandOverTx(3, 0x080000c0, kBus + frame);
  Store(frame, 0x1200, 0x10500);
  Store(frame + 4, 0x5634, 0x10504);
  ASSERT_EQ(reports_.size(), 1u) << "once per hand-over of the setup descriptor";
  EXPECT_EQ(reports_[0],
            "the driver stores into word 0 of the setup frame while transmit descriptor 3 (bus 0x00407030), a setup "
            "descriptor the chip owns, points at it: the store at EIP 0x00010500 (Trx4n5.sys+0x500)");
  ChipRead(3);
  ChipCloses(3, 0x7fffffff);
  Store(frame, 0xffff, 0x10508);
  EXPECT_EQ(reports_.size(), 1u) << "a frame the chip has read may be rewritten";
}

TEST_F(DescriptorRaceTest, AReceiveHandOverNeedsTheBufferAndTheNextLink) {
  uint32_t d = 4;  // receive descriptor 0
  ChipCloses(d, 0x00400300);  // a frame stored: given back
  Store(16 * d + 12, kBus + 16 * 5, 0x10600);  // next in the chain
  Store(16 * d, kOwn, 0x10604);  // handed over without its buffer address
  ChipRead(d);
  ASSERT_EQ(reports_.size(), 1u);
  EXPECT_EQ(reports_[0],
            "the chip reads receive descriptor 0 (bus 0x00407040), which it owns, before RDES2 was written for this "
            "hand-over (handed over by the store at EIP 0x00010604 (Trx4n5.sys+0x604))");
}

}  // namespace

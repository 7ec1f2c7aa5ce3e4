// The installation file and the driver's keyword table must not drift apart:
// the defaults the INF writes and the limits its Advanced properties offer
// are read from the INF and compared with the table the driver reads with.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "inf_file.h"
#include "trx_keywords.h"

namespace trx_test {
namespace {

class InfKeywordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(inf.error(), "");
    std::string install = inf.InstallSectionOf("PCI\\VEN_1011&DEV_0019&SUBSYS_02507C3A");
    ASSERT_NE(install, "") << "no model for the board's hardware id";
    registry = inf.RegistryOf(install + ".NT");
    ASSERT_FALSE(registry.empty()) << "the model's NT install section writes no registry values";
  }
  std::string Value(const std::string& path) const {
    auto found = registry.find(Lower(path));
    return found == registry.end() ? "<absent>" : found->second;
  }
  static std::string Param(const KEYWORD_ENTRY& row, const char* value) {
    return std::string("Ndi\\params\\") + row.Name + "\\" + value;
  }
  static bool Offered(const KEYWORD_ENTRY& row) {
    return std::string(row.Name) != "BusNumber" && std::string(row.Name) != "SlotNumber";
  }

  InfFile inf{TRX4N5_INF};
  std::map<std::string, std::string> registry;
};

TEST_F(InfKeywordsTest, EveryKeywordStartsAtTheDriversDefault) {
  for (ULONG i = 0; i < KeywordCount; i++) {
    const KEYWORD_ENTRY& row = KeywordTable[i];
    EXPECT_EQ(Value(std::string("\\") + row.Name), std::to_string(row.Default))
        << row.Name << ": the value the INF writes for the driver's first start";
  }
}

TEST_F(InfKeywordsTest, AdvancedPropertiesOfferTheDriversDefaultsAndLimits) {
  for (ULONG i = 0; i < KeywordCount; i++) {
    const KEYWORD_ENTRY& row = KeywordTable[i];
    if (!Offered(row)) continue;
    EXPECT_EQ(Value(Param(row, "default")), std::to_string(row.Default)) << row.Name;
    std::string type = Value(Param(row, "type"));
    if (type == "enum") {
      for (ULONG v = row.Minimum; v <= row.Maximum; v++) {
        EXPECT_NE(Value(Param(row, "enum\\") + std::to_string(v)), "<absent>")
            << row.Name << ": no text for value " << v;
      }
      EXPECT_EQ(Value(Param(row, "enum\\") + std::to_string(row.Maximum + 1)), "<absent>")
          << row.Name << ": a value above the driver's maximum";
    } else {
      EXPECT_EQ(type, "int") << row.Name;
      EXPECT_EQ(Value(Param(row, "min")), std::to_string(row.Minimum)) << row.Name;
      EXPECT_EQ(Value(Param(row, "max")), std::to_string(row.Maximum)) << row.Name;
    }
  }
}

TEST_F(InfKeywordsTest, OnlyTheDriversKeywordsAreOffered) {
  std::set<std::string> offered;
  for (const auto& entry : registry) {
    const std::string prefix = "ndi\\params\\";
    if (entry.first.compare(0, prefix.size(), prefix) != 0) continue;
    offered.insert(entry.first.substr(prefix.size(), entry.first.find('\\', prefix.size()) - prefix.size()));
  }
  EXPECT_EQ(offered, (std::set<std::string>{"connectiontype", "mapthreshold", "rxringsize", "txringsize",
                                            "options", "networkaddress"}))
      << "BusNumber and SlotNumber are the installation's; the string keywords are edit fields";
  for (ULONG i = 0; i < KeywordCount; i++) {
    if (Offered(KeywordTable[i])) {
      EXPECT_EQ(offered.count(Lower(KeywordTable[i].Name)), 1u) << KeywordTable[i].Name << " is not offered";
    }
  }
  EXPECT_EQ(Value("Ndi\\params\\Options\\type"), "edit");
  EXPECT_EQ(Value("Ndi\\params\\NetworkAddress\\type"), "edit");
  EXPECT_EQ(Value("Ndi\\params\\NetworkAddress\\optional"), "1");
}

}  // namespace
}  // namespace trx_test

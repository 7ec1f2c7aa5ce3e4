// The installation file and the driver's keyword table must not drift apart:
// the defaults the INF writes and the limits its Advanced properties offer
// are read from the INF and compared with the table the driver reads with.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include "trx_keywords.h"

namespace {

// The INF's "HKR, key, value, flags, data" lines as lower-case "key\value" -> data.
std::map<std::string, std::string> RegistryLines() {
  std::map<std::string, std::string> values;
  std::ifstream in(TRX4N5_INF);
  std::string line;
  while (std::getline(in, line)) {
    line = line.substr(0, line.find(';'));
    line.erase(std::remove_if(line.begin(), line.end(), [](char c) { return c == ' ' || c == '"' || c == '\r'; }),
               line.end());
    std::vector<std::string> f;
    std::stringstream fields(line);
    for (std::string field; std::getline(fields, field, ',');) f.push_back(field);
    if (f.size() < 5 || f[0] != "HKR") continue;
    std::string key = f[1] + "\\" + f[2];
    std::transform(key.begin(), key.end(), key.begin(), ::tolower);
    values[key] = f[4];
  }
  return values;
}

class InfKeywordsTest : public ::testing::Test {
 protected:
  std::string Value(std::string key) const {
    std::transform(key.begin(), key.end(), key.begin(), ::tolower);
    auto found = registry.find(key);
    return found == registry.end() ? "<absent>" : found->second;
  }
  const std::map<std::string, std::string> registry = RegistryLines();
};

TEST_F(InfKeywordsTest, EveryKeywordStartsAtTheDriversDefault) {
  ASSERT_FALSE(registry.empty()) << "cannot read " << TRX4N5_INF;
  for (ULONG i = 0; i < KeywordCount; i++) {
    const KEYWORD_ENTRY& row = KeywordTable[i];
    EXPECT_EQ(Value(std::string("\\") + row.Name), std::to_string(row.Default))
        << row.Name << ": the value the INF writes for the driver's first start";
  }
  EXPECT_EQ(Value("\\NetworkAddress"), "<absent>") << "no address override until an administrator sets one";
}

// What follows `key` on the first line of `path` that starts with it, without
// blanks ("" when no line does).
std::string AfterKey(const char* path, const std::string& key) {
  std::ifstream in(path);
  for (std::string line; std::getline(in, line);) {
    if (line.compare(0, key.size(), key) != 0) continue;
    line = line.substr(key.size());
    line.erase(std::remove_if(line.begin(), line.end(), ::isspace), line.end());
    return line;
  }
  return "";
}

TEST_F(InfKeywordsTest, DriverVerIsTheImagesFileVersion) {
  std::string inf = AfterKey(TRX4N5_INF, "DriverVer"), rc = AfterKey(TRX4N5_RC, "FILEVERSION");
  ASSERT_NE(inf.find(','), std::string::npos) << "DriverVer = date,version: " << inf;
  ASSERT_FALSE(rc.empty()) << "no FILEVERSION in " << TRX4N5_RC;
  std::replace(rc.begin(), rc.end(), ',', '.');
  EXPECT_EQ(inf.substr(inf.find(',') + 1), rc) << "the version the installer shows is the image's";
}

TEST_F(InfKeywordsTest, AdvancedPropertiesOfferTheDriversDefaultsAndLimits) {
  for (ULONG i = 0; i < KeywordCount; i++) {
    const KEYWORD_ENTRY& row = KeywordTable[i];
    const std::string param = std::string("Ndi\\params\\") + row.Name;
    if (row.Name == std::string("BusNumber") || row.Name == std::string("SlotNumber")) {
      EXPECT_EQ(Value(param + "\\type"), "<absent>") << row.Name << " is the installation's, not offered";
      continue;
    }
    EXPECT_EQ(Value(param + "\\default"), std::to_string(row.Default)) << row.Name;
    if (Value(param + "\\type") == "enum") {
      for (ULONG v = row.Minimum; v <= row.Maximum + 1; v++) {
        EXPECT_EQ(Value(param + "\\enum\\" + std::to_string(v)) != "<absent>", v <= row.Maximum)
            << row.Name << ": the text for value " << v << " against the driver's limits";
      }
    } else {
      EXPECT_EQ(Value(param + "\\type"), "int") << row.Name;
      EXPECT_EQ(Value(param + "\\min"), std::to_string(row.Minimum)) << row.Name;
      EXPECT_EQ(Value(param + "\\max"), std::to_string(row.Maximum)) << row.Name;
    }
  }
}

}  // namespace

#include "model_fixture.h"

using WideText = ModelTest;

TEST_F(WideText, BytesWidenBySignExtension)
{
  WideChar* wide = WidenText("A\xE9\x7F\x80");
  ASSERT_NE(wide, nullptr);
  EXPECT_EQ(static_cast<unsigned>(wide[0]), 0x0041u);
  EXPECT_EQ(static_cast<unsigned>(wide[1]), 0xFFE9u);
  EXPECT_EQ(static_cast<unsigned>(wide[2]), 0x007Fu);
  EXPECT_EQ(static_cast<unsigned>(wide[3]), 0xFF80u);
  EXPECT_EQ(static_cast<unsigned>(wide[4]), 0u);
  std::free(wide);
}

TEST_F(WideText, EveryByteComesBackUnchanged)
{
  std::string all;
  for (int byte = 1; byte < 256; ++byte) all += static_cast<char>(byte);
  WideChar* wide = WidenText(all.c_str());
  char* narrow = NarrowText(wide);
  ASSERT_NE(narrow, nullptr);
  EXPECT_EQ(std::string(narrow), all);
  std::free(wide);
  std::free(narrow);
}

TEST_F(WideText, EmptyAndMissingTextsStayEmpty)
{
  for (const char* text : {"", static_cast<const char*>(nullptr)}) {
    WideChar* wide = WidenText(text);
    ASSERT_NE(wide, nullptr);
    EXPECT_EQ(wide[0], 0);
    char* narrow = NarrowText(wide);
    EXPECT_STREQ(narrow, "");
    std::free(wide);
    std::free(narrow);
  }
  char* narrow = NarrowText(nullptr);
  EXPECT_STREQ(narrow, "");
  std::free(narrow);
}

TEST_F(WideText, NarrowingKeepsTheLowByte)
{
  const WideChar units[] = {0x0141, 0xFFE9, 0x2020, 0};
  char* narrow = NarrowText(units);
  EXPECT_STREQ(narrow, "A\xE9 ");
  std::free(narrow);
}

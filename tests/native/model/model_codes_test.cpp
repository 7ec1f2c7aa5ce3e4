#include "model_fixture.h"

using ModelCodes = ModelTest;

TEST_F(ModelCodes, KeywordsMatchExactlyAndCaseSensitively)
{
  EXPECT_EQ(Find_Model_Keyword("TmrxLink"), MODEL_TMRXLINK);
  EXPECT_EQ(Find_Model_Keyword("K250FX"), MODEL_K250FX);
  EXPECT_EQ(Find_Model_Keyword("W1000"), MODEL_W1000);
  EXPECT_EQ(Find_Model_Keyword("k250"), MODEL_NOT_FOUND) << "lookups are case-sensitive";
  EXPECT_EQ(Find_Model_Keyword("K25"), MODEL_NOT_FOUND) << "no prefix matches";
  EXPECT_STREQ(Model_Keyword(MODEL_K100TX), "K100TX");
  EXPECT_EQ(Model_Keyword(14), nullptr);
  EXPECT_EQ(Model_Keyword(-1), nullptr);
}

TEST_F(ModelCodes, DefaultConnectionTypesFollowTheTable)
{
  const int32_t expected[14] = {2, 0, 4, 0, 4, 0, 0, 0, 0, 2, 4, 4, 0, 0};
  for (int32_t code = 0; code <= 13; ++code)
    EXPECT_EQ(Default_Connection_Type(code), expected[code]) << "code " << code;
}

TEST_F(ModelCodes, DisplayNamesCarryIdTextAndLocation)
{
  auto name = [](int32_t id, int32_t code, int32_t bus, int32_t slot) {
    char* text = Make_Display_Name(id, code, bus, slot);
    std::string result = text ? text : "<none>";
    std::free(text);
    return result;
  };
  EXPECT_EQ(name(3, MODEL_K250, 2, 4), "[3] Tamrix K250   Controller (bus:2, dev:1) ");
  EXPECT_EQ(name(1, MODEL_K250FX, 0, 4), "[1] Tamrix K250FX Controller (bus:0, dev:1) ") << "K250FX shows slot minus 3";
  EXPECT_EQ(name(1, MODEL_K100TX, 0, 4), "[1] Tamrix K100TX Controller (bus:0, dev:4) ");
  EXPECT_EQ(name(2, MODEL_K10FX, 1, 7), "[2] Tamrix K10FX  Controller (bus:1, dev:7) ");
  EXPECT_EQ(name(5, MODEL_W1000, 0, 1), "[5] Orvel NV-1000FX-SX Controller (bus:0, dev:1) ");
  EXPECT_EQ(name(1, MODEL_TMRXLINK, 0, 0), "[1] TamrixLink Controller") << "code 13 has no location";
  EXPECT_EQ(name(1, MODEL_K250, 0, INT32_MIN), "[1] Tamrix K250   Controller (bus:0, dev:-2147483651) ")
      << "slot minus 3 must not overflow";
}

TEST_F(ModelCodes, UnknownCodeMakesNoDisplayNameAndNoMessage)
{
  EXPECT_EQ(Make_Display_Name(1, 14, 0, 0), nullptr);
  EXPECT_EQ(Make_Display_Name(1, -1, 0, 0), nullptr);
  EXPECT_EQ(Message(), "");
}

TEST_F(ModelCodes, DisplayNameOutOfMemory)
{
  Fail_Allocation_After(0);
  EXPECT_EQ(Make_Display_Name(1, MODEL_K250, 0, 4), nullptr);
  EXPECT_EQ(Message(), "Failure to allocate message buffer!");
}

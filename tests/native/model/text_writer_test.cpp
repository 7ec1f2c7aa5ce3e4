#include "model_fixture.h"
#include "sample_lists.h"

class TextWriter : public ModelTest {
protected:
  // The quoted pieces of a trunk entry without rules and members.
  static std::string Bare_Trunk(const std::string& name, int type = 2, int policy = 1)
  {
    return "\"{\"\"TmrxLink\"\",\"\"" + name + "\"\",\"\"" + std::to_string(type) + "\"\",\"\"" +
           std::to_string(policy) + "\"\",\"\"end\"\",\"\"end\"\",\"\"end\"\"}\"";
  }
  static std::string Unassigned(const std::string& keyword, int bus, int slot)
  {
    return "\"{\"\"" + keyword + "\"\",\"\"" + std::to_string(bus) + "\"\",\"\"" + std::to_string(slot) + "\"\"}\"";
  }
};

TEST_F(TextWriter, ExampleIsReturnedAsDocumented)
{
  ASSERT_EQ(Read_Text_List(EXAMPLE_LIST), 1) << Message();
  EXPECT_EQ(Written(), EXAMPLE_RETURNED);
}

TEST_F(TextWriter, CancelAndEmptyModelGiveEmptyBraces)
{
  EXPECT_EQ(Written(1), "{}");
  Add_Link();
  Adapter_At(MODEL_K250, 0, 4);
  EXPECT_EQ(Written(0), "{}") << "flag 0 ignores the model";
}

TEST_F(TextWriter, UnassignedAdaptersOnly)
{
  Adapter_At(MODEL_K100TX, 0, 9);
  Adapter_At(MODEL_W1000, 2, 3);
  EXPECT_EQ(Written(), "{" + Unassigned("K100TX", 0, 9) + "," + Unassigned("W1000", 2, 3) + "}");
}

TEST_F(TextWriter, EmptyTrunksAndNames)
{
  Set_Trunk_Name(Add_Link(), "Backbone");
  Add_Link()->TrunkType = 0;
  EXPECT_EQ(Written(), "{" + Bare_Trunk("Backbone") + "," + Bare_Trunk("", 0) + "}");
}

TEST_F(TextWriter, LeftOutModelsNeedNoSeparator)
{
  Add_Link();
  Adapter_At(MODEL_K260, 0, 1);
  Adapter_At(MODEL_K100TX, 0, 9);
  Adapter_At(MODEL_K290, 0, 2);
  Adapter_At(MODEL_K1000, 1, 5);
  Adapter_At(MODEL_K260, 0, 3);
  EXPECT_EQ(Written(), "{" + Bare_Trunk("") + "," + Unassigned("K100TX", 0, 9) + "," + Unassigned("K1000", 1, 5) + "}");
  Reset();
  Adapter_At(MODEL_K290, 0, 2);
  Adapter_At(MODEL_K250FX, 0, 4);
  EXPECT_EQ(Written(), "{" + Unassigned("K250FX", 0, 4) + "}") << "no leading comma";
  Reset();
  Adapter_At(MODEL_K260, 0, 1);
  EXPECT_EQ(Written(), "{}");
}

TEST_F(TextWriter, MembersAndRulesInListOrder)
{
  Link* trunk = Add_Link();
  Set_Trunk_Name(trunk, "T");
  trunk->TransType = 3;
  Adapter* k260 = Add_Adapter(AdapterValues{MODEL_K260, 7, 64, 1, 2, 3, 1, 2, -1, 16, 32});
  Adapter_At(MODEL_K250, 1, 4);
  const int both[] = {0, 1};
  Add_Adapters_to_Link(trunk, both, 2);
  PriorityTrunk* byDefault = New_Priority(2);
  byDefault->netproto = 2048;
  Make_Default_Priority(byDefault);
  Add_Priority(&trunk->Priorities, byDefault);
  PriorityTrunk* rule = New_Priority(1);
  rule->netproto = 2048;
  rule->prototype = 6;
  rule->destaddr = 3232235776u;
  rule->netmask = 4294967040u;
  rule->socket = 80;
  Add_Priority(&trunk->Priorities, rule);
  ASSERT_EQ(k260->link_id, trunk->LinkID);
  EXPECT_EQ(Written(),
            "{\"{\"\"TmrxLink\"\",\"\"T\"\",\"\"2\"\",\"\"3\"\","
            "\"\"1 2048 6 3232235776 4294967040 80\"\",\"\"2 0 0 0 0 0\"\",\"\"end\"\","
            "\"\"5 1 3 2 4294967295 16 32\"\",\"\"5 1 4 0 0 0 0\"\",\"\"end\"\","
            "\"\"K260 7 64 1 2 3 1 2 4294967295 16 32\"\",\"\"K250 5 32 1 4 4 0 0 0 0 0\"\",\"\"end\"\"}\"}")
      << "a default rule goes out without its protocol; members are written as unsigned, bus type always 5 first";
}

TEST_F(TextWriter, RefusedAdaptersFreeThePartialText)
{
  Add_Link();
  Add_Adapter(AdapterValues{MODEL_TMRXLINK, 5, 32, 0, 4, 4, 0, 1, 0, 0, 0});
  EXPECT_EQ(Written(), "<none>");
  EXPECT_EQ(Message(), "Set_Return_String: internal error!");
  First_Adapter()->Model = 14;
  EXPECT_EQ(Written(), "<none>");
  EXPECT_EQ(Message(), "Set_Return_String: unknown adapter in adapter list!");
  First_Adapter()->link_id = First_Link()->LinkID;
  EXPECT_EQ(Written(), "<none>") << "a member of unknown model has no keyword to write";
  EXPECT_EQ(Message(), "Set_Return_String: unknown adapter in adapter list!");
  First_Adapter()->Model = MODEL_TMRXLINK;
  EXPECT_NE(Written(), "<none>") << "a code-13 member is written with its keyword";
}

TEST_F(TextWriter, OutOfMemory)
{
  Fail_Allocation_After(0);
  EXPECT_EQ(Written(0), "<none>");
  EXPECT_EQ(Message(), "Failure to allocate text output string!");
  Fail_Allocation_After(-1);
  Add_Link();
  for (int32_t slot = 0; slot < 400; ++slot) Adapter_At(MODEL_K250, 0, slot);
  Fail_Allocation_After(1);   // the first block, then no growth
  EXPECT_EQ(Written(), "<none>");
  EXPECT_EQ(Message(), "Failure to allocate text output string!");
}

TEST_F(TextWriter, TextGrowsAsNeeded)
{
  Link* trunk = Add_Link();
  Set_Trunk_Name(trunk, std::string(79, 'n').c_str());
  for (int32_t slot = 0; slot < 300; ++slot) Adapter_At(MODEL_K250, 0, slot);
  std::vector<int> positions;
  for (int i = 0; i < 150; ++i) positions.push_back(i);
  Add_Adapters_to_Link(trunk, positions.data(), 150);
  std::string text = Written();
  EXPECT_GT(text.size(), 10000u) << "past the first block";
  EXPECT_EQ(text.substr(text.size() - 2), "\"}");
  EXPECT_NE(text.find(std::string(79, 'n')), std::string::npos);
  size_t members = 0;
  for (size_t at = text.find("K250 5 32"); at != std::string::npos; at = text.find("K250 5 32", at + 1)) ++members;
  EXPECT_EQ(members, 150u);
}

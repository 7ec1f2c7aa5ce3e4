#include "model_fixture.h"

using Links = ModelTest;

TEST_F(Links, NewTrunkDefaults)
{
  Link* link = Add_Link();
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(link->LinkID, 1);
  EXPECT_STREQ(link->DisplayName, "[1] TamrixLink Controller");
  EXPECT_STREQ(link->TrunkName, "");
  EXPECT_EQ(link->NumAdapters, 0);
  EXPECT_EQ(link->TrunkType, 2);
  EXPECT_EQ(link->TransType, 1);
  EXPECT_EQ(link->Priorities, nullptr);
  EXPECT_EQ(Link_Count(), 1);
}

TEST_F(Links, IdIsReusedOnlyAfterDeletingTheLastTrunk)
{
  Add_Link();
  Link* second = Add_Link();
  Link* third = Add_Link();
  ASSERT_EQ(Delete_Link(third), 1);
  EXPECT_EQ(Add_Link()->LinkID, 3);
  ASSERT_EQ(Delete_Link(second), 1);
  EXPECT_EQ(Add_Link()->LinkID, 4);
  EXPECT_EQ(Link_Count(), 3);
  EXPECT_EQ(Get_Nth_Link(2)->LinkID, 4) << "new trunks go to the tail";
}

TEST_F(Links, DeletingATrunkUnassignsItsMembersInOrder)
{
  Link* link = Add_Link();
  for (int32_t slot = 4; slot <= 7; ++slot) Adapter_At(MODEL_K250, 0, slot);
  const int positions[] = {0, 1, 3};
  ASSERT_EQ(Add_Adapters_to_Link(link, positions, 3), 1);
  PriorityTrunk* rule = New_Priority(2);
  Add_Priority(&link->Priorities, rule);
  ASSERT_EQ(Delete_Link(link), 1);
  EXPECT_EQ(Link_Count(), 0);
  EXPECT_EQ(Adapter_Count(), 4);
  EXPECT_EQ(Slots_In(0), (std::vector<int32_t>{4, 5, 6, 7}));
}

TEST_F(Links, LookupsAndDeletionReportWhatIsMissing)
{
  Link* link = Add_Link();
  EXPECT_EQ(Get_Nth_Link(0), link);
  EXPECT_EQ(Get_Nth_Link(-2), nullptr);
  EXPECT_EQ(Message(), "Invalid list position (-2) in Get_Nth_Link!");
  EXPECT_EQ(Get_Nth_Link(1), nullptr);
  EXPECT_EQ(Message(), "Nth (1) link past end of links list!");
  EXPECT_EQ(Get_Link_from_Id(1), link);
  EXPECT_EQ(Get_Link_from_Id(9), nullptr);
  EXPECT_EQ(Message(), "Link id (9) not found in links list!");
  EXPECT_EQ(Delete_Link(nullptr), 0);
  EXPECT_EQ(Message(), "No link to delete in call to Delete_Link!");
  Link stranger{};
  EXPECT_EQ(Delete_Link(&stranger), 0);
  EXPECT_EQ(Message(), "Link requested for deletion not found in links list!");
  EXPECT_EQ(Link_Count(), 1);
}

TEST_F(Links, OutOfMemoryLeavesTheListAsItWas)
{
  Add_Link();
  Fail_Allocation_After(0);
  EXPECT_EQ(Add_Link(), nullptr);
  EXPECT_EQ(Message(), "Failure to allocate Links structure!");
  Fail_Allocation_After(1);
  EXPECT_EQ(Add_Link(), nullptr);
  EXPECT_EQ(Message(), "Failure to allocate message buffer!");
  Fail_Allocation_After(-1);
  EXPECT_EQ(Link_Count(), 1);
  EXPECT_EQ(Add_Link()->LinkID, 2);
}

TEST_F(Links, IdsStayUniqueWhenTheHighestIsNotLast)
{
  Add_Link()->LinkID = 5;   // as a registry load may leave them
  Add_Link()->LinkID = 2;
  EXPECT_EQ(Add_Link()->LinkID, 7) << "above every id handed out, 6 included";
}

TEST_F(Links, TrunkNameIsCutTo79)
{
  Link* link = Add_Link();
  Set_Trunk_Name(link, std::string(90, 'n').c_str());
  EXPECT_EQ(std::string(link->TrunkName), std::string(79, 'n'));
}

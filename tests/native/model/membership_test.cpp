#include "model_fixture.h"

class Membership : public ModelTest {
protected:
  // Five unassigned K250 ports in slots 4 to 8.
  void SetUp() override
  {
    ModelTest::SetUp();
    for (int32_t slot = 4; slot <= 8; ++slot) Adapter_At(MODEL_K250, 0, slot);
    link = Add_Link();
  }
  void Give_Rules(std::initializer_list<int32_t> ports, bool lastIsDefault)
  {
    for (int32_t p : ports) Add_Priority(&link->Priorities, New_Priority(p));
    if (lastIsDefault) Make_Default_Priority(link->Priorities);
  }
  Link* link = nullptr;
};

TEST_F(Membership, AddsByPositionFromTheLastSoLowerPositionsStayValid)
{
  const int positions[] = {0, 2};
  ASSERT_EQ(Add_Adapters_to_Link(link, positions, 2), 1);
  EXPECT_EQ(Slots_In(link->LinkID), (std::vector<int32_t>{4, 6})) << "the first and the third move";
  EXPECT_EQ(Slots_In(0), (std::vector<int32_t>{5, 7, 8}));
  EXPECT_EQ(link->NumAdapters, 2);
}

TEST_F(Membership, FailingElementStopsAndKeepsTheOnesDone)
{
  const int positions[] = {1, 9, 3};
  EXPECT_EQ(Add_Adapters_to_Link(link, positions, 3), 0);
  EXPECT_EQ(Message(), "Nth (9) adapter past end of adapter list!");
  EXPECT_EQ(Slots_In(link->LinkID), (std::vector<int32_t>{7})) << "position 3 went first, then 9 failed";
  EXPECT_EQ(link->NumAdapters, 1);
}

TEST_F(Membership, ParameterChecks)
{
  const int positions[] = {0};
  EXPECT_EQ(Add_Adapters_to_Link(nullptr, positions, 1), 0);
  EXPECT_EQ(Message(), "Invalid parameters supplied to Add_Adapters_to_Link!");
  EXPECT_EQ(Add_Adapters_to_Link(link, nullptr, 1), 0) << "a count without an array";
  EXPECT_EQ(Remove_Adapters_from_Link(link, positions, -1), 0);
  EXPECT_EQ(Message(), "Invalid parameters supplied to Remove_Adapters_from_Link!");
  EXPECT_EQ(Add_Nth_Adapter_to_Link(link, -1), 0);
  EXPECT_EQ(Message(), "Invalid parameters supplied to Add_Nth_Adapter_to_Link!");
  EXPECT_EQ(Remove_Nth_Adapter_from_Link(nullptr, 0), 0);
  EXPECT_EQ(Message(), "Invalid parameters supplied to Remove_Nth_Adapter_from_Link!");
  EXPECT_EQ(Add_Adapter_Entry_to_Link(link, nullptr), 0);
  EXPECT_EQ(Message(), "Invalid parameter(s) to Add_Adapter_Entry_to_Link!");
  EXPECT_EQ(Remove_Adapter_Entry_from_Link(nullptr, First_Adapter()), 0);
  EXPECT_EQ(Message(), "Invalid parameter(s) to Remove_Adapter_Entry_from_Link!");
  EXPECT_EQ(Set_Link_Sel_Adapters_Value(link, nullptr, 0, VALUE_RD_COUNT, 1), 0);
  EXPECT_EQ(Message(), "Invalid parameters supplied to Set_Link_Sel_Adapters_Value!");
  EXPECT_EQ(Set_Link_All_Adapters_Value(nullptr, VALUE_RD_COUNT, 1), 0);
  EXPECT_EQ(Message(), "Invalid parameters supplied to Set_Link_All_Adapters_Value!");
}

TEST_F(Membership, AnAdapterIsCountedOncePerTrunk)
{
  Adapter* a = First_Adapter();
  Link* other = Add_Link();
  ASSERT_EQ(Add_Adapter_Entry_to_Link(link, a), 1);
  ASSERT_EQ(Add_Adapter_Entry_to_Link(link, a), 1);
  EXPECT_EQ(link->NumAdapters, 1) << "adding a member again changes nothing";
  ASSERT_EQ(Add_Adapter_Entry_to_Link(other, a), 1);
  EXPECT_EQ(a->link_id, other->LinkID) << "the adapter moves to the trunk named last";
  EXPECT_EQ(link->NumAdapters, 0) << "the trunk it left counts it no more";
  EXPECT_EQ(other->NumAdapters, 1);
}

TEST_F(Membership, OnlyAMemberCanBeRemoved)
{
  Adapter* outsider = First_Adapter();
  Add_Nth_Adapter_to_Link(link, 1);
  EXPECT_EQ(Remove_Adapter_Entry_from_Link(link, outsider), 0);
  EXPECT_EQ(Message(), "Invalid parameter(s) to Remove_Adapter_Entry_from_Link!");
  EXPECT_EQ(link->NumAdapters, 1);
}

TEST_F(Membership, RemovalCutsRulesToTheMemberCount)
{
  const int three[] = {0, 1, 2};
  Add_Adapters_to_Link(link, three, 3);
  Give_Rules({3, 1, 3}, true);
  const int last[] = {2};
  ASSERT_EQ(Remove_Adapters_from_Link(link, last, 1), 1);
  EXPECT_EQ(link->NumAdapters, 2);
  EXPECT_EQ(Rule_Ports(link), (std::vector<int32_t>{2, 1, 2}));
  EXPECT_STREQ(link->Priorities->priorityinfo, "Default priority: ports: 2") << "the default's text follows its ports";
}

TEST_F(Membership, LastMemberTakesTheRulesWithIt)
{
  const int two[] = {0, 1};
  Add_Adapters_to_Link(link, two, 2);
  Give_Rules({2, 1}, false);
  ASSERT_EQ(Remove_Adapters_from_Link(link, two, 2), 1);
  EXPECT_EQ(link->NumAdapters, 0);
  EXPECT_EQ(link->Priorities, nullptr);
  EXPECT_EQ(Slots_In(0).size(), 5u);
}

TEST_F(Membership, CommonConnectionType)
{
  EXPECT_EQ(Get_Link_Adapters_Value(link->LinkID), NO_MEMBER_VALUE);
  const int three[] = {0, 1, 2};
  Add_Adapters_to_Link(link, three, 3);
  const int firstTwo[] = {0, 1};
  ASSERT_EQ(Set_Link_Sel_Adapters_Value(link, firstTwo, 2, VALUE_CONNECTION_TYPE, 4), 1);
  EXPECT_EQ(Get_Link_Sel_Adapters_Value(link->LinkID, firstTwo, 2), 4);
  EXPECT_EQ(Get_Link_Adapters_Value(link->LinkID), MIXED_MEMBER_VALUE) << "4, 4 and 0 differ";
  const int lastTwo[] = {1, 2};
  EXPECT_EQ(Get_Link_Sel_Adapters_Value(link->LinkID, lastTwo, 2), MIXED_MEMBER_VALUE);
  ASSERT_EQ(Set_Link_All_Adapters_Value(link, VALUE_CONNECTION_TYPE, 4), 1);
  EXPECT_EQ(Get_Link_Adapters_Value(link->LinkID), 4);
  EXPECT_EQ(Slots_In(0), (std::vector<int32_t>{7, 8}));
  EXPECT_EQ(Get_Nth_Adapter(0, 0)->ConnectionType, 0) << "non-members keep their value";
}

TEST_F(Membership, MergeValue)
{
  EXPECT_EQ(Merge_Value(-1, 3), 3);
  EXPECT_EQ(Merge_Value(3, -1), 3);
  EXPECT_EQ(Merge_Value(3, 3), 3);
  EXPECT_EQ(Merge_Value(3, 4), 99);
  EXPECT_EQ(Merge_Value(99, -1), 99);
  EXPECT_EQ(Merge_Value(-1, 99), 99);
}

TEST_F(Membership, SettingSelectedValuesStopsAtAMissingMember)
{
  const int two[] = {0, 1};
  Add_Adapters_to_Link(link, two, 2);
  const int selection[] = {1, 5, 0};
  EXPECT_EQ(Set_Link_Sel_Adapters_Value(link, selection, 3, VALUE_RD_COUNT, 64), 0);
  EXPECT_EQ(Message(), "Nth (5) adapter past end of adapter list!");
  EXPECT_EQ(Get_Nth_Adapter(1, link->LinkID)->RdCount, 64);
  EXPECT_EQ(Get_Nth_Adapter(0, link->LinkID)->RdCount, 0) << "elements after the failing one are not set";
}

#include "model_fixture.h"

class PriorityList : public ModelTest {
protected:
  PriorityTrunk* Rule(int32_t ports)
  {
    PriorityTrunk* rule = New_Priority(ports);
    EXPECT_NE(rule, nullptr);
    return rule;
  }
  // Rules A, B, C (ports 1, 2, 3) added in this order, then the default D (ports 4): C, B, A, D.
  void Build_CBAD()
  {
    for (int32_t p = 1; p <= 3; ++p) ASSERT_EQ(Add_Priority(&list, Rule(p)), 1);
    PriorityTrunk* d = Rule(4);
    Make_Default_Priority(d);
    ASSERT_EQ(Add_Priority(&list, d), 1);
  }
  std::vector<int32_t> Order() const
  {
    std::vector<int32_t> ports;
    for (PriorityTrunk* r = list; r; r = r->next) ports.push_back(r->ports);
    return ports;
  }
  void TearDown() override
  {
    Delete_Priority_List(&list);
    ModelTest::TearDown();
  }
  PriorityTrunk* list = nullptr;
};

TEST_F(PriorityList, NewRuleIsProvisional)
{
  PriorityTrunk* rule = Rule(3);
  EXPECT_EQ(rule->cancel, 1);
  EXPECT_EQ(rule->defFlag, 0);
  EXPECT_EQ(rule->ports, 3);
  EXPECT_STREQ(rule->priorityinfo, "");
  Make_Default_Priority(rule);
  EXPECT_EQ(rule->cancel, 0);
  EXPECT_EQ(rule->defFlag, 1);
  EXPECT_STREQ(rule->priorityinfo, "Default priority: ports: 3");
  Free_Priority(rule);
}

TEST_F(PriorityList, NewestFirstDefaultLastAndOnlyOneDefault)
{
  Build_CBAD();
  EXPECT_EQ(Order(), (std::vector<int32_t>{3, 2, 1, 4}));
  PriorityTrunk* second = Rule(5);
  Make_Default_Priority(second);
  EXPECT_EQ(Add_Priority(&list, second), 0);
  EXPECT_EQ(Message(), "Add_Priority: cannot add a default when one already exists!");
  EXPECT_EQ(Order().size(), 4u);
  Free_Priority(second);
  EXPECT_EQ(Add_Priority(nullptr, list), 0);
  EXPECT_EQ(Message(), "Cannot add PriorityTrunk to non-existent list!");
}

TEST_F(PriorityList, MovesRespectTheDefault)
{
  Build_CBAD();
  EXPECT_EQ(Move_Up_Nth_Priority(&list, 0), 1) << "moving the first rule up changes nothing";
  EXPECT_EQ(Order(), (std::vector<int32_t>{3, 2, 1, 4}));
  EXPECT_EQ(Move_Down_Nth_Priority(&list, 2), 0);
  EXPECT_EQ(Message(), "Moving default PriorityTrunk not allowed!");
  EXPECT_EQ(Move_Up_Nth_Priority(&list, 3), 0);
  EXPECT_EQ(Message(), "Moving default PriorityTrunk not allowed!");
  EXPECT_EQ(Move_Down_Nth_Priority(&list, 0), 1);
  EXPECT_EQ(Order(), (std::vector<int32_t>{2, 3, 1, 4}));
  EXPECT_EQ(Move_Up_Nth_Priority(&list, 2), 1);
  EXPECT_EQ(Order(), (std::vector<int32_t>{2, 1, 3, 4}));
  EXPECT_EQ(Move_Up_Nth_Priority(&list, -1), 0);
  EXPECT_EQ(Message(), "Invalid Parameters to Move_Up_Nth_Priority!");
  EXPECT_EQ(Move_Down_Nth_Priority(nullptr, 0), 0);
  EXPECT_EQ(Message(), "Invalid Parameters to Move_Down_Nth_Priority!");
}

TEST_F(PriorityList, MovingPastTheEnd)
{
  for (int32_t p = 1; p <= 2; ++p) Add_Priority(&list, Rule(p));
  EXPECT_EQ(Move_Down_Nth_Priority(&list, 1), 0);
  EXPECT_EQ(Message(), "Move PriorityTrunks: N+1 (2) entry does not exist!");
  EXPECT_EQ(Move_Down_Nth_Priority(&list, 4), 0);
  EXPECT_EQ(Message(), "Nth (4) PriorityTrunk does not exist in list!");
  EXPECT_EQ(Swap_Next_Two_Entries(nullptr, 0), 0);
  EXPECT_EQ(Message(), "Internal Error in Swap_Next_Two_Entries!");
  PriorityTrunk* empty = nullptr;
  EXPECT_EQ(Swap_Next_Two_Entries(&empty, 3), 0);
  EXPECT_EQ(Message(), "Move PriorityTrunks: Nth (3) entry does not exist!");
}

TEST_F(PriorityList, RemovalAndLookups)
{
  EXPECT_EQ(Get_Nth_Priority(list, 0), nullptr);
  EXPECT_EQ(Message(), "Cannot Get Nth PriorityTrunk from non-existent list!");
  EXPECT_EQ(Remove_Nth_Priority(&list, 0), 0);
  EXPECT_EQ(Message(), "Nth (0) PriorityTrunk does not exist in list!");
  Build_CBAD();
  EXPECT_EQ(Get_Nth_Priority(list, 2)->ports, 1);
  EXPECT_EQ(Get_Nth_Priority(list, -1), nullptr);
  EXPECT_EQ(Message(), "Nth (-1) PriorityTrunk does not exist in list!");
  EXPECT_EQ(Remove_Nth_Priority(&list, 3), 0);
  EXPECT_EQ(Message(), "Removing default PriorityTrunk not allowed!");
  EXPECT_EQ(Remove_Nth_Priority(&list, 7), 0);
  EXPECT_EQ(Message(), "Nth (7) PriorityTrunk does not exist in list!");
  EXPECT_EQ(Remove_Nth_Priority(&list, 0), 1);
  EXPECT_EQ(Order(), (std::vector<int32_t>{2, 1, 4}));
  EXPECT_EQ(Get_Nth_Priority_Slot(nullptr, 0), nullptr);
  EXPECT_EQ(Message(), "Cannot Get Nth PriorityTrunk from non-existent list!");
}

TEST_F(PriorityList, LimitingPortsRewritesTheDefaultText)
{
  Add_Priority(&list, Rule(1));
  Add_Priority(&list, Rule(3));
  PriorityTrunk* d = Rule(4);
  Make_Default_Priority(d);
  Add_Priority(&list, d);
  Limit_Priority_Ports(list, 2);
  EXPECT_EQ(Order(), (std::vector<int32_t>{2, 1, 2}));
  EXPECT_STREQ(d->priorityinfo, "Default priority: ports: 2");
}

TEST_F(PriorityList, FinishingTheEditKeepsOrDropsProvisionalRulesOfEveryTrunk)
{
  Link* first = Add_Link();
  Link* second = Add_Link();
  PriorityTrunk* kept = Rule(1);
  kept->cancel = 0;
  Add_Priority(&first->Priorities, kept);
  Add_Priority(&first->Priorities, Rule(2));
  Add_Priority(&second->Priorities, Rule(3));
  Add_Priority(&first->Priorities, Rule(4));
  Finish_Priority_Edit(7);
  EXPECT_EQ(Rule_Ports(first).size(), 3u) << "other modes do nothing";
  Finish_Priority_Edit(0);
  EXPECT_EQ(Rule_Ports(first), (std::vector<int32_t>{1}));
  EXPECT_EQ(second->Priorities, nullptr);

  Add_Priority(&second->Priorities, Rule(5));
  Finish_Priority_Edit(1);
  ASSERT_NE(second->Priorities, nullptr);
  EXPECT_EQ(second->Priorities->cancel, 0);
  Finish_Priority_Edit(0);
  EXPECT_EQ(Rule_Ports(second), (std::vector<int32_t>{5})) << "confirmed rules survive a later cancel";
}

TEST_F(PriorityList, OutOfMemory)
{
  Fail_Allocation_After(0);
  EXPECT_EQ(New_Priority(1), nullptr);
  EXPECT_EQ(Message(), "Failure to allocate PriorityTrunk structure!");
}

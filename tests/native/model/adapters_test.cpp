#include "model_fixture.h"

using Adapters = ModelTest;

TEST_F(Adapters, FirstAdapterIsNumberOneAndNamedSo)
{
  Adapter* a = Adapter_At(MODEL_K100TX, 0, 9);
  ASSERT_NE(a, nullptr);
  EXPECT_EQ(a->adapter_id, 1);
  EXPECT_EQ(a->link_id, 0);
  EXPECT_STREQ(a->msg, "[1] Tamrix K100TX Controller (bus:0, dev:9) ");
  EXPECT_EQ(Adapter_Count(), 1);
  EXPECT_EQ(Adapter_At(MODEL_K100TX, 0, 10)->adapter_id, 2);
}

TEST_F(Adapters, SameLocationUpdatesOnlyPortConnectionAndCounts)
{
  Adapter* first = Add_Adapter(AdapterValues{MODEL_K250, 5, 32, 0, 4, 4, 0, 1, 0, 0, 0});
  Link* link = Add_Link();
  Add_Adapter_Entry_to_Link(link, first);
  Adapter* again = Add_Adapter(AdapterValues{MODEL_K1000, 7, 64, 0, 8, 4, 0, 2, 3, 100, 200});
  EXPECT_EQ(again, first) << "bus, slot and function identify an adapter";
  EXPECT_EQ(Adapter_Count(), 1);
  EXPECT_EQ(first->PortNumber, 2);
  EXPECT_EQ(first->ConnectionType, 3);
  EXPECT_EQ(first->RdCount, 100);
  EXPECT_EQ(first->TdCount, 200);
  EXPECT_EQ(first->Model, MODEL_K250) << "model, bus type, width and device stay";
  EXPECT_EQ(first->BusType, 5);
  EXPECT_EQ(first->BusWidth, 32);
  EXPECT_EQ(first->DeviceNumber, 4);
  EXPECT_EQ(first->link_id, link->LinkID);
  EXPECT_STREQ(first->msg, "[1] Tamrix K250   Controller (bus:0, dev:1) ");
}

TEST_F(Adapters, UnknownModelCreatesNothing)
{
  Set_Model_Message("earlier");
  EXPECT_EQ(Adapter_At(14, 0, 1), nullptr);
  EXPECT_EQ(Adapter_Count(), 0);
  EXPECT_EQ(Message(), "earlier") << "an unknown code writes no message";
}

TEST_F(Adapters, OutOfMemoryLeavesTheListAsItWas)
{
  Adapter_At(MODEL_K250, 0, 4);
  Fail_Allocation_After(0);
  EXPECT_EQ(Adapter_At(MODEL_K250, 0, 5), nullptr);
  EXPECT_EQ(Message(), "Failure to allocate Adapter structure!");
  Fail_Allocation_After(1);
  EXPECT_EQ(Adapter_At(MODEL_K250, 0, 5), nullptr);
  EXPECT_EQ(Message(), "Failure to allocate message buffer!");
  Fail_Allocation_After(-1);
  EXPECT_EQ(Adapter_Count(), 1);
  EXPECT_EQ(First_Adapter()->next, nullptr);
  EXPECT_EQ(Adapter_At(MODEL_K250, 0, 5)->adapter_id, 2) << "the list still appends after the failures";
}

TEST_F(Adapters, IdsStayUniqueWhenTheHighestIsNotLast)
{
  Adapter_At(MODEL_K250, 0, 4)->adapter_id = 7;   // as a registry load may leave them
  Adapter_At(MODEL_K250, 0, 5);
  EXPECT_EQ(Adapter_At(MODEL_K250, 0, 6)->adapter_id, 9);
  Set_Adapter_Id(Get_Nth_Adapter(2, 0), INT32_MAX);
  EXPECT_EQ(Adapter_At(MODEL_K250, 0, 7)->adapter_id, 1) << "past the 32-bit range, the lowest free id";
  EXPECT_EQ(Adapter_At(MODEL_K250, 0, 8)->adapter_id, 2) << "and then the next free one";
}

TEST_F(Adapters, NthAdapterCountsOnlyTheGivenTrunk)
{
  Adapter_At(MODEL_K250, 0, 4);
  Adapter* b = Adapter_At(MODEL_K250, 0, 5);
  Adapter* c = Adapter_At(MODEL_K250, 0, 6);
  b->link_id = 1;
  EXPECT_EQ(Get_Nth_Adapter(1, 0), c);
  EXPECT_EQ(Get_Nth_Adapter(0, 1), b);
  EXPECT_EQ(Get_Nth_Adapter(-1, 0), nullptr);
  EXPECT_EQ(Message(), "Invalid list position (-1) in Get_Nth_Adapter!");
  EXPECT_EQ(Get_Nth_Adapter(2, 0), nullptr);
  EXPECT_EQ(Message(), "Nth (2) adapter past end of adapter list!");
}

TEST_F(Adapters, SetValueByType)
{
  Adapter* a = Adapter_At(MODEL_K250, 0, 4);
  EXPECT_EQ(Set_Adapter_Value(a, VALUE_CONNECTION_TYPE, 4), 1);
  EXPECT_EQ(Set_Adapter_Value(a, VALUE_RD_COUNT, 64), 1);
  EXPECT_EQ(Set_Adapter_Value(a, VALUE_TD_COUNT, 32), 1);
  EXPECT_EQ(a->ConnectionType, 4);
  EXPECT_EQ(a->RdCount, 64);
  EXPECT_EQ(a->TdCount, 32);
  EXPECT_EQ(Set_Adapter_Value(a, 4, 1), 0);
  EXPECT_EQ(Message(), "Unknown value type (4) to set!");
  EXPECT_EQ(Set_Adapter_Value(nullptr, VALUE_RD_COUNT, 1), 0);
  EXPECT_EQ(Message(), "No adapter to set value!");
}

TEST_F(Adapters, ReplacedDisplayNameIsCutTo79)
{
  Adapter* a = Adapter_At(MODEL_K250, 0, 4);
  ASSERT_EQ(Replace_Display_Name(a, std::string(100, 'x').c_str()), 1);
  EXPECT_EQ(std::string(a->msg), std::string(79, 'x'));
}

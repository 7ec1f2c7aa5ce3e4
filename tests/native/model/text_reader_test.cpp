#include "model_fixture.h"
#include "sample_lists.h"

class TextReaderTest : public ModelTest {
protected:
  // Reads a list holding one trunk entry (and nothing else).
  static Link* Read_Trunk(const std::string& entry)
  {
    std::string text = "{{TmrxLink,{" + entry + "}}}";
    EXPECT_EQ(Read_Text_List(text.c_str()), 1) << Model_Message();
    return First_Link();
  }
};

TEST_F(TextReaderTest, ExampleBuildsTheModel)
{
  ASSERT_EQ(Read_Text_List(EXAMPLE_LIST), 1) << Message();
  ASSERT_EQ(Adapter_Count(), 3);
  ASSERT_EQ(Link_Count(), 1);
  Link* trunk = First_Link();
  EXPECT_STREQ(trunk->TrunkName, "Main trunk");
  EXPECT_EQ(trunk->TrunkType, 2);
  EXPECT_EQ(trunk->TransType, 1);
  EXPECT_EQ(trunk->NumAdapters, 2);
  EXPECT_EQ(Slots_In(trunk->LinkID), (std::vector<int32_t>{4, 5}));
  ASSERT_NE(trunk->Priorities, nullptr);
  EXPECT_EQ(trunk->Priorities->defFlag, 1);
  EXPECT_STREQ(trunk->Priorities->priorityinfo, "Default priority: ports: 2");
  Adapter* k100 = Get_Nth_Adapter(0, 0);
  EXPECT_EQ(k100->Model, MODEL_K100TX);
  EXPECT_EQ(k100->BusWidth, 32);
  EXPECT_EQ(k100->DeviceNumber, 9);
  EXPECT_EQ(First_Adapter()->PortNumber, 1);
}

TEST_F(TextReaderTest, EmptyListsInEveryDress)
{
  for (const char* text : {"{}", " { } ", "\"{\"\"}\"", "{\t\r\n\v\f}", "\"\"{\"}\"\""}) {
    EXPECT_EQ(Read_Text_List(text), 1) << "text [" << text << "]: " << Message();
    EXPECT_EQ(Adapter_Count() + Link_Count(), 0);
  }
}

TEST_F(TextReaderTest, TrailingCommasAreAccepted)
{
  const char* text =
      "{{K250,{{0 4 0 1 32 1 0},},{{0 5 0},}},"
      "{TmrxLink,{{T,2,1,{1 0 0 0 0 0,2 0 0 0 0 0,},{{K250,5,32,0,4,4,0,1,0,0,0},}},}},}";
  ASSERT_EQ(Read_Text_List(text), 1) << Message();
  EXPECT_EQ(Adapter_Count(), 2);
  EXPECT_EQ(Rule_Ports(First_Link()), (std::vector<int32_t>{2, 1}));
}

TEST_F(TextReaderTest, TrunkNameWordsAreJoinedByOneBlank)
{
  EXPECT_STREQ(Read_Trunk("{\"Main  trunk\",2,1,{},{}}")->TrunkName, "Main trunk");
  Reset();
  EXPECT_STREQ(Read_Trunk("{,2,1,{},{}}")->TrunkName, "") << "an entry that starts with the comma has no name";
  Reset();
  std::string longName;
  for (int i = 0; i < 10; ++i) longName += "word" + std::to_string(i) + "xxxx ";
  EXPECT_EQ(std::string(Read_Trunk("{" + longName + ",2,1,{},{}}")->TrunkName), longName.substr(0, 79))
      << "names are cut to 79 characters";
  Reset();
  std::string word63(63, 'w');
  EXPECT_EQ(std::string(Read_Trunk("{" + word63 + ",2,1,{},{}}")->TrunkName), word63);
}

TEST_F(TextReaderTest, UnknownTypesAreStoredAsZero)
{
  Link* trunk = Read_Trunk("{T,7,3,{},{}}");
  EXPECT_EQ(trunk->TrunkType, 0);
  EXPECT_EQ(trunk->TransType, 3);
  Reset();
  EXPECT_EQ(Read_Trunk("{T,1,-4,{},{}}")->TransType, 0);
}

TEST_F(TextReaderTest, RulesEndUpReversedWithTheLastReadAsDefault)
{
  Link* trunk = Read_Trunk("{T,2,1,{1 2048 6 3232235776 4294967040 80 2 33079 0 0 0 0, 3 2048 0 0 0 0},{}}");
  ASSERT_EQ(Rule_Ports(trunk), (std::vector<int32_t>{3, 2, 1}));
  PriorityTrunk* last = trunk->Priorities;
  EXPECT_EQ(last->defFlag, 1);
  EXPECT_STREQ(last->priorityinfo, "Default priority: ports: 3");
  PriorityTrunk* first = last->next->next;
  EXPECT_EQ(first->defFlag, 0);
  EXPECT_EQ(first->netproto, 2048u);
  EXPECT_EQ(first->prototype, 6u);
  EXPECT_EQ(first->destaddr, 3232235776u);
  EXPECT_EQ(first->netmask, 4294967040u);
  EXPECT_EQ(first->socket, 80u);
  EXPECT_EQ(first->typeenable, 1) << "prototype 6 given: matched";
  EXPECT_EQ(first->destenable, 1) << "destaddr given: matched";
  EXPECT_EQ(first->sockenable, 1) << "socket 80 given: matched";
  PriorityTrunk* middle = last->next;
  EXPECT_EQ(middle->typeenable + middle->destenable + middle->sockenable, 0) << "zeros leave the marks off";

  char* returned = Set_Return_String(1);
  ASSERT_NE(returned, nullptr) << Model_Message();
  EXPECT_NE(std::string(returned).find(R"("1 2048 6 3232235776 4294967040 80"",""end")"), std::string::npos)
      << "the rule is written back as it was read: " << returned;
  std::free(returned);
}

TEST_F(TextReaderTest, RulesFromTheTextSurviveACancelledPriorityDialog)
{
  Link* trunk = Read_Trunk("{T,2,1,{1 2048 0 0 0 0 2 0 0 0 0 0},{}}");
  Finish_Priority_Edit(0);
  EXPECT_EQ(Rule_Ports(trunk), (std::vector<int32_t>{2, 1}));
}

TEST_F(TextReaderTest, PortsListFindsInstalledAdapterAndUpdatesIt)
{
  ASSERT_EQ(Read_Text_List("{{K250,{{0 4 0 1 32 1 0}},{}},{TmrxLink,{{T,2,1,{},{{K250,5,64,0,6,4,0,3,4,16,32}}}}}}"),
            1)
      << Message();
  ASSERT_EQ(Adapter_Count(), 1) << "no second adapter for the same location";
  Adapter* a = First_Adapter();
  EXPECT_EQ(a->PortNumber, 3);
  EXPECT_EQ(a->ConnectionType, 4);
  EXPECT_EQ(a->RdCount, 16);
  EXPECT_EQ(a->TdCount, 32);
  EXPECT_EQ(a->BusWidth, 32) << "width and device stay from the Installed entry";
  EXPECT_EQ(a->DeviceNumber, 4);
  EXPECT_EQ(a->link_id, First_Link()->LinkID);
  EXPECT_EQ(First_Link()->NumAdapters, 1);
}

TEST_F(TextReaderTest, ListEntryResetsAnInstalledAdapter)
{
  ASSERT_EQ(Read_Text_List("{{K100FX,{{1 7 0 1 64 3 2}},{{1 7 0}}}}"), 1) << Message();
  ASSERT_EQ(Adapter_Count(), 1);
  EXPECT_EQ(First_Adapter()->PortNumber, 0);
  EXPECT_EQ(First_Adapter()->ConnectionType, 4) << "the K100FX default";
  EXPECT_EQ(First_Adapter()->BusWidth, 64);
}

TEST_F(TextReaderTest, AggregateKeywordAsAdapterName)
{
  Read_Trunk("{T,2,1,{},{{TmrxLink,5,32,0,4,4,0,1,0,0,0}}}");
  ASSERT_EQ(Adapter_Count(), 1);
  EXPECT_EQ(First_Adapter()->Model, MODEL_TMRXLINK);
  EXPECT_STREQ(First_Adapter()->msg, "[1] TamrixLink Controller");
}

TEST_F(TextReaderTest, SublistsRepeatInAnyOrder)
{
  ASSERT_EQ(Read_Text_List("{{TmrxLink,{{A,2,1,{},{}}}},{K250,{},{{0 4 0}}},{TmrxLink,{{B,2,1,{},{}},{C,2,1,{},{}}}}}"), 1)
      << Message();
  ASSERT_EQ(Link_Count(), 3);
  EXPECT_STREQ(Get_Nth_Link(1)->TrunkName, "B");
  EXPECT_EQ(Get_Nth_Link(2)->LinkID, 3);
}

TEST_F(TextReaderTest, AdapterNamedTwiceIsCountedOnce)
{
  const char* member = "{K250,5,32,0,4,4,0,1,0,0,0}";
  std::string text = std::string("{{TmrxLink,{{A,2,1,{2 0 0 0 0 0},{") + member + "," + member + "}},{B,2,1,{},{" +
                     member + "}}}}}";
  ASSERT_EQ(Read_Text_List(text.c_str()), 1) << Message();
  Link* a = Get_Nth_Link(0);
  Link* b = Get_Nth_Link(1);
  EXPECT_EQ(a->NumAdapters, 0) << "the adapter moved on to the trunk that names it last";
  EXPECT_EQ(a->Priorities, nullptr) << "a trunk left without members keeps no rules";
  EXPECT_EQ(b->NumAdapters, 1);
  EXPECT_EQ(First_Adapter()->link_id, b->LinkID);
}

TEST_F(TextReaderTest, NumbersReadFromTheStartOfTheWord)
{
  ASSERT_EQ(Read_Text_List("{{K250,{{+0 12x 0 1 32 1 -2147483648}},{}}}"), 1) << Message();
  EXPECT_EQ(First_Adapter()->SlotNumber, 12);
  EXPECT_EQ(First_Adapter()->ConnectionType, INT32_MIN);
}

TEST_F(TextReaderTest, ReadingAppendsToTheModel)
{
  Adapter_At(MODEL_K250, 3, 3);
  ASSERT_EQ(Read_Text_List("{{K250,{},{{0 4 0}}}}"), 1);
  EXPECT_EQ(Adapter_Count(), 2);
  EXPECT_EQ(Get_Nth_Adapter(1, 0)->adapter_id, 2);
}

TEST_F(TextReaderTest, OutOfMemoryEndsTheReadWithAnEmptyModel)
{
  Fail_Allocation_After(3);   // the location index, then the first adapter's record and name
  EXPECT_EQ(Read_Text_List(EXAMPLE_LIST), 0);
  EXPECT_EQ(Message(), "Failure to allocate Adapter structure!");
  EXPECT_EQ(Adapter_Count() + Link_Count(), 0);
}

// LoadConfiguration over damaged stores and a model that runs out of memory:
// fields are never overrun, undefined numbers never reach the model, and the
// load always ends.
#include <random>

#include "model_snapshot.h"
#include "registry_fixture.h"

using DamagedStore = RegistryTest;

TEST_F(DamagedStore, TextsLongerThanTheirFieldsAreCut)
{
  hostreg::PutDword(Service(), "TrunkCount", 1);
  hostreg::PutText(Trunk(0), "TrunkName", std::u16string(120, u'n'));
  hostreg::PutDword(Trunk(0), "PriorityCount", 1);
  hostreg::PutText(Rule(0, 0), "netmsg", std::u16string(40, u'a'));
  hostreg::PutText(Rule(0, 0), "priorityinfo", std::u16string(300, u'p'));
  hostreg::PutDword(Service(), "AdapterCount", 1);
  hostreg::PutValue(AdapterKey(0), "reg_info", REG_BINARY, RegInfo(MODEL_K250, 0, 4));
  hostreg::PutText(AdapterKey(0), "msg", std::u16string(100, u'm'));

  EXPECT_EQ(ERROR_SUCCESS, LoadConfiguration());
  ASSERT_NE(nullptr, First_Link());
  EXPECT_EQ(std::string(79, 'n'), First_Link()->TrunkName);
  const PriorityTrunk* rule = First_Link()->Priorities;
  ASSERT_NE(nullptr, rule);
  EXPECT_EQ(std::string(31, 'a'), rule->netmsg);
  EXPECT_EQ(std::string(255, 'p'), rule->priorityinfo);
  ASSERT_NE(nullptr, First_Adapter());
  EXPECT_EQ(std::string(79, 'm'), First_Adapter()->msg);
}

TEST_F(DamagedStore, TextWithoutTerminatorEndsWithItsBuffer)
{
  hostreg::PutDword(Service(), "TrunkCount", 1);
  hostreg::PutValue(Trunk(0), "TrunkName", REG_SZ, std::vector<uint8_t>(256, 'x'));
  hostreg::PutDword(Trunk(0), "PriorityCount", 1);
  hostreg::PutValue(Rule(0, 0), "sockmsg", REG_SZ, std::vector<uint8_t>(1024, 's'));
  LoadConfiguration();
  ASSERT_NE(nullptr, First_Link());
  EXPECT_EQ(std::string(79, 'x'), First_Link()->TrunkName);
  ASSERT_NE(nullptr, First_Link()->Priorities);
  EXPECT_EQ(std::string(31, 's'), First_Link()->Priorities->sockmsg);
}

TEST_F(DamagedStore, AdapterWithoutAWholeRegInfoOrWithAnUnknownModelIsSkipped)
{
  hostreg::PutDword(Service(), "TrunkCount", 0);
  hostreg::PutDword(Service(), "AdapterCount", 5);
  hostreg::PutDword(AdapterKey(0), "adapter_id", 9);                                  // no reg_info
  hostreg::PutValue(AdapterKey(1), "reg_info", REG_BINARY, std::vector<uint8_t>(40, 1));   // short
  hostreg::PutValue(AdapterKey(2), "reg_info", REG_BINARY, std::vector<uint8_t>(48, 1));   // long
  hostreg::PutValue(AdapterKey(3), "reg_info", REG_BINARY, RegInfo(99, 0, 5));                // unknown model
  hostreg::PutValue(AdapterKey(4), "reg_info", REG_BINARY, RegInfo(MODEL_K100TX, 0, 6));
  hostreg::PutText(AdapterKey(3), "msg", u"must not be written anywhere");

  EXPECT_EQ(ERROR_SUCCESS, LoadConfiguration());
  ASSERT_EQ(1, Adapter_Count());
  EXPECT_EQ(MODEL_K100TX, First_Adapter()->Model);
  EXPECT_EQ(6, First_Adapter()->SlotNumber);
  EXPECT_EQ(1, First_Adapter()->adapter_id) << "no value of a skipped key reached the model";
}

TEST_F(DamagedStore, SecondDefaultRuleIsKeptAsAnOrdinaryRule)
{
  hostreg::PutDword(Service(), "TrunkCount", 1);
  hostreg::PutDword(Trunk(0), "PriorityCount", 3);
  hostreg::PutDword(Rule(0, 0), "defFlag", 1);
  hostreg::PutDword(Rule(0, 0), "netproto", 1);
  hostreg::PutDword(Rule(0, 1), "defFlag", 1);
  hostreg::PutDword(Rule(0, 1), "netproto", 2);
  hostreg::PutDword(Rule(0, 2), "netproto", 3);
  LoadConfiguration();
  ASSERT_NE(nullptr, First_Link());
  EXPECT_EQ((std::vector<uint32_t>{2, 3, 1}), Netprotos(First_Link())) << "the first default stays last";
  int defaults = 0;
  for (const PriorityTrunk* rule = First_Link()->Priorities; rule; rule = rule->next) defaults += rule->defFlag;
  EXPECT_EQ(1, defaults) << "a trunk has at most one default rule";
}

// Ids that collide, a link_id naming no stored trunk and a wrong member count:
// the model keeps unique ids, members only of trunks it holds, true counts.
TEST_F(DamagedStore, CollidingIdsAndMemberCountsAreMadeConsistent)
{
  hostreg::PutDword(Service(), "TrunkCount", 2);
  hostreg::PutDword(Trunk(0), "LinkID", 3);
  hostreg::PutDword(Trunk(0), "NumAdapters", 5);
  hostreg::PutDword(Trunk(1), "LinkID", 3);
  hostreg::PutDword(Service(), "AdapterCount", 3);
  const int32_t ids[3] = {2, 2, 0};
  const uint32_t linkIds[3] = {3, 9, 3};
  for (int k = 0; k < 3; ++k) {
    hostreg::PutValue(AdapterKey(k), "reg_info", REG_BINARY, RegInfo(MODEL_K100TX, 0, 4 + k));
    hostreg::PutDword(AdapterKey(k), "adapter_id", static_cast<uint32_t>(ids[k]));
    hostreg::PutDword(AdapterKey(k), "link_id", linkIds[k]);
  }

  EXPECT_EQ(ERROR_SUCCESS, LoadConfiguration());
  ASSERT_EQ(2, Link_Count());
  const Link* first = First_Link();
  EXPECT_EQ(3, first->LinkID) << "the first trunk keeps its stored id";
  EXPECT_NE(3, first->next->LinkID) << "the second trunk with id 3 gets an id of its own";
  EXPECT_GT(first->next->LinkID, 0);
  EXPECT_EQ(2, first->NumAdapters) << "the members that were loaded, not the stored 5";
  EXPECT_EQ(0, first->next->NumAdapters);
  ASSERT_EQ(3, Adapter_Count());
  const Adapter* adapter = First_Adapter();
  EXPECT_EQ(2, adapter->adapter_id);
  EXPECT_NE(2, adapter->next->adapter_id) << "adapter id 2 is taken";
  EXPECT_EQ(0, adapter->next->link_id) << "no trunk 9 is stored: available";
  EXPECT_GT(adapter->next->next->adapter_id, 0) << "a stored id of 0 is refused";
  EXPECT_NE(adapter->next->adapter_id, adapter->next->next->adapter_id);
  EXPECT_EQ(3, adapter->next->next->link_id);

  const Adapter* later = Add_Test_Adapter(MODEL_K250, 1, 4);
  const Link* added = Add_Link();
  ASSERT_TRUE(later && added);
  for (const Adapter* a = First_Adapter(); a != later; a = a->next)
    EXPECT_NE(a->adapter_id, later->adapter_id) << "adapter ids handed out later are new";
  EXPECT_GT(added->LinkID, 3) << "LinkIDs handed out later are new";
}

// Records stored behind one with the highest possible id still load: they
// get the lowest free ids, so that a save of this model loads back whole.
TEST_F(DamagedStore, RecordsBehindTheHighestIdStillLoad)
{
  hostreg::PutDword(Service(), "TrunkCount", 2);
  hostreg::PutDword(Trunk(0), "LinkID", 0x7FFFFFFF);
  hostreg::PutText(Trunk(1), "TrunkName", u"second");
  hostreg::PutDword(Service(), "AdapterCount", 2);
  for (int k = 0; k < 2; ++k) hostreg::PutValue(AdapterKey(k), "reg_info", REG_BINARY, RegInfo(MODEL_K100TX, 0, 4 + k));
  hostreg::PutDword(AdapterKey(0), "adapter_id", 0x7FFFFFFF);

  EXPECT_EQ(ERROR_SUCCESS, LoadConfiguration());
  ASSERT_EQ(2, Link_Count()) << "the trunk behind LinkID 2147483647 is loaded";
  EXPECT_EQ(1, First_Link()->next->LinkID);
  ASSERT_EQ(2, Adapter_Count()) << "the adapters are loaded too";
  EXPECT_EQ(0x7FFFFFFF, First_Adapter()->adapter_id);
  EXPECT_EQ(1, First_Adapter()->next->adapter_id);
}

TEST_F(DamagedStore, HugeCountsStillEnd)
{
  hostreg::PutDword(Service(), "TrunkCount", 0xFFFFFFFF);
  hostreg::PutText(Trunk(0), "TrunkName", u"only");
  hostreg::PutDword(Trunk(0), "PriorityCount", 0x80000000);
  EXPECT_EQ(1, LoadConfiguration());
  EXPECT_EQ(1, Link_Count());
}

// Every allocation of the load, failed in turn: the load ends with
// ERROR_NOT_ENOUGH_MEMORY and every key closed, and once nothing fails it
// gives the whole model.
TEST_F(DamagedStore, AllocationFailureAnywhereEndsTheLoadCleanly)
{
  std::mt19937 random(7);
  do {
    Empty_Model();
    Fill_Random_Model(random);
  } while (Link_Count() < 2 || Adapter_Count() < 2);
  const ModelSnapshot saved = Take_Snapshot();
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());

  LONG result = ERROR_NOT_ENOUGH_MEMORY;
  int allowed = 0;
  for (; result == ERROR_NOT_ENOUGH_MEMORY && allowed < 1000; ++allowed) {
    Empty_Model();
    Fail_Allocation_After(allowed);
    result = LoadConfiguration();
    Fail_Allocation_After(-1);
    ASSERT_TRUE(result == ERROR_SUCCESS || result == ERROR_NOT_ENOUGH_MEMORY)
        << "after " << allowed << " allocations: " << result;
    ASSERT_EQ(0, hostreg::OpenHandles()) << "after " << allowed << " allocations";
  }
  EXPECT_GT(allowed, 5) << "the load allocates for trunks, rules, adapters and texts";
  Expect_Same_Model(saved, Take_Snapshot(), "once the allocations succeed");
}

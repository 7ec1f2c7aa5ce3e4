// LoadConfiguration over stores written by a save or laid out by hand.
#include <random>

#include "model_snapshot.h"
#include "registry_fixture.h"

using Loading = RegistryTest;

TEST_F(Loading, MissingServiceKeyReturnsItsStatusAndLeavesTheModel)
{
  Add_Link();
  EXPECT_EQ(ERROR_FILE_NOT_FOUND, LoadConfiguration());
  EXPECT_EQ(1, Link_Count());
  EXPECT_EQ(0, Adapter_Count());
}

TEST_F(Loading, MissingTrunkCountLoadsNothingAsSuccess)
{
  hostreg::PutText(Trunk(0), "TrunkName", u"ignored");
  hostreg::PutDword(Service(), "AdapterCount", 1);
  hostreg::PutValue(AdapterKey(0), "reg_info", REG_BINARY, RegInfo(MODEL_K250, 0, 4, 0, 0));
  EXPECT_EQ(ERROR_SUCCESS, LoadConfiguration());
  EXPECT_EQ(0, Link_Count());
  EXPECT_EQ(0, Adapter_Count()) << "the loader stops before the adapters";
}

TEST_F(Loading, MissingTrunkKeyIsSkipped)
{
  hostreg::PutDword(Service(), "TrunkCount", 3);
  hostreg::PutText(Trunk(0), "TrunkName", u"zero");
  hostreg::PutText(Trunk(2), "TrunkName", u"two");
  EXPECT_EQ(1, LoadConfiguration()) << "no AdapterCount: nothing usable for the page";
  ASSERT_EQ(2, Link_Count());
  EXPECT_STREQ("zero", First_Link()->TrunkName);
  EXPECT_STREQ("two", First_Link()->next->TrunkName);
}

TEST_F(Loading, AbsentTrunkValuesKeepTheNewTrunkDefaults)
{
  hostreg::PutDword(Service(), "TrunkCount", 2);
  hostreg::PutKey(Trunk(0));
  std::u16string longName(128, u'x');   // 256 bytes and the terminator: more than 256
  hostreg::PutText(Trunk(1), "TrunkName", longName);
  EXPECT_EQ(1, LoadConfiguration());
  ASSERT_EQ(2, Link_Count());
  const Link* first = First_Link();
  EXPECT_STREQ(first->DisplayName, first->TrunkName) << "no TrunkName: the display name";
  EXPECT_STREQ(first->next->DisplayName, first->next->TrunkName) << "TrunkName over 256 bytes: the display name";
  EXPECT_EQ(2, first->TrunkType);
  EXPECT_EQ(1, first->TransType);
  EXPECT_EQ(0, first->NumAdapters);
  EXPECT_EQ(nullptr, first->Priorities) << "no PriorityCount: no rules";
}

// The stored order is the priority order the driver applies, so a load keeps
// it (index 0 first) and the default rule, wherever stored, ends up last.
TEST_F(Loading, RulesKeepTheirStoredOrderWithTheDefaultLast)
{
  hostreg::PutDword(Service(), "TrunkCount", 1);
  hostreg::PutDword(Trunk(0), "PriorityCount", 3);
  hostreg::PutDword(Rule(0, 0), "defFlag", 1);
  hostreg::PutDword(Rule(0, 0), "netproto", 0x809B);
  hostreg::PutDword(Rule(0, 1), "netproto", 0x0800);
  hostreg::PutDword(Rule(0, 2), "netproto", 0x8137);
  LoadConfiguration();
  ASSERT_EQ(1, Link_Count());
  EXPECT_EQ((std::vector<uint32_t>{0x0800, 0x8137, 0x809B}), Netprotos(First_Link()));

  hostreg::Reset();
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());
  EXPECT_EQ(0x0800u, Dword(Rule(0, 0), "netproto")) << "saved again in list order";
  EXPECT_EQ(0x809Bu, Dword(Rule(0, 2), "netproto"));
}

TEST_F(Loading, RuleWithoutValuesKeepsTheNewRuleDefaults)
{
  hostreg::PutDword(Service(), "TrunkCount", 1);
  hostreg::PutDword(Trunk(0), "NumAdapters", 3);
  hostreg::PutDword(Trunk(0), "PriorityCount", 1);
  hostreg::PutDword(Rule(0, 0), "netproto", 0x0800);
  LoadConfiguration();
  ASSERT_NE(nullptr, First_Link());
  const PriorityTrunk* rule = First_Link()->Priorities;
  ASSERT_NE(nullptr, rule);
  EXPECT_EQ(1, rule->cancel) << "no \"cancel\": provisional";
  EXPECT_EQ(0, rule->defFlag);
  EXPECT_EQ(3, rule->ports) << "no \"ports\": the trunk's member count";
  EXPECT_STREQ("", rule->priorityinfo);
}

TEST_F(Loading, DefaultRuleWithoutCancelIsSettled)
{
  hostreg::PutDword(Service(), "TrunkCount", 1);
  hostreg::PutDword(Trunk(0), "PriorityCount", 2);
  hostreg::PutDword(Rule(0, 0), "netproto", 0x0800);
  hostreg::PutDword(Rule(0, 1), "defFlag", 1);
  hostreg::PutDword(Rule(0, 1), "netproto", 0x8137);
  LoadConfiguration();
  ASSERT_NE(nullptr, First_Link());
  Finish_Priority_Edit(0);
  ASSERT_EQ((std::vector<uint32_t>{0x8137}), Netprotos(First_Link()))
      << "a cancelled priority dialog drops the provisional rule and keeps the default";
  EXPECT_EQ(0, First_Link()->Priorities->cancel) << "the default rule is not provisional";
}

TEST_F(Loading, NumbersComeFromAnyValueOfAtMostFourBytes)
{
  hostreg::PutDword(Service(), "TrunkCount", 1);
  hostreg::PutDword(Trunk(0), "PriorityCount", 1);
  hostreg::PutValue(Trunk(0), "TrunkType", REG_BINARY, {3, 0});
  hostreg::PutValue(Trunk(0), "TransType", REG_BINARY, {3, 0, 0, 0, 0, 0, 0, 0});
  hostreg::PutDword(Rule(0, 0), "typeenable", 5);
  hostreg::PutDword(Rule(0, 0), "destenable", 0);
  hostreg::PutValue(Rule(0, 0), "netproto", REG_SZ, {0x37, 0x81, 0, 0});
  LoadConfiguration();
  ASSERT_NE(nullptr, First_Link());
  EXPECT_EQ(3, First_Link()->TrunkType) << "two bytes are a number";
  EXPECT_EQ(1, First_Link()->TransType) << "eight bytes are too long: the default stays";
  const PriorityTrunk* rule = First_Link()->Priorities;
  ASSERT_NE(nullptr, rule);
  EXPECT_EQ(1, rule->typeenable) << "any non-zero number is a set flag";
  EXPECT_EQ(0, rule->destenable);
  EXPECT_EQ(0x8137u, rule->netproto) << "the value's type is not checked";
}

TEST_F(Loading, AdaptersAtOneLocationLoadAsOneWithTheLastKeysValues)
{
  hostreg::PutDword(Service(), "TrunkCount", 1);
  hostreg::PutDword(Trunk(0), "LinkID", 2);
  hostreg::PutDword(Service(), "AdapterCount", 2);
  hostreg::PutValue(AdapterKey(0), "reg_info", REG_BINARY, RegInfo(MODEL_K250, 1, 4, 0, 0));
  hostreg::PutDword(AdapterKey(0), "adapter_id", 5);
  hostreg::PutText(AdapterKey(0), "msg", u"first");
  hostreg::PutValue(AdapterKey(1), "reg_info", REG_BINARY, RegInfo(MODEL_K250FX, 1, 4, 0, 2));
  hostreg::PutDword(AdapterKey(1), "adapter_id", 7);
  hostreg::PutDword(AdapterKey(1), "link_id", 2);
  hostreg::PutText(AdapterKey(1), "msg", u"second");

  EXPECT_EQ(ERROR_SUCCESS, LoadConfiguration());
  ASSERT_EQ(1, Adapter_Count());
  const Adapter* adapter = First_Adapter();
  EXPECT_EQ(7, adapter->adapter_id);
  EXPECT_EQ(2, adapter->link_id);
  EXPECT_STREQ("second", adapter->msg);
  EXPECT_EQ(2, adapter->PortNumber) << "updated from the second key's reg_info";
  EXPECT_EQ(MODEL_K250, adapter->Model) << "the model code stays the first one's";
}

// A page initialised again after a load that found no adapters, and a second
// notify object in the same process, load into a model that holds the store.
TEST_F(Loading, LoadingAgainAddsNothingTheModelHolds)
{
  std::mt19937 random(11);
  do {
    Empty_Model();
    Fill_Random_Model(random);
  } while (Link_Count() < 2 || Adapter_Count() < 2);
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());
  Empty_Model();
  ASSERT_EQ(ERROR_SUCCESS, LoadConfiguration());
  const ModelSnapshot once = Take_Snapshot();
  EXPECT_EQ(ERROR_SUCCESS, LoadConfiguration());
  Expect_Same_Model(once, Take_Snapshot(), "after a second load");

  Empty_Model();
  hostreg::Reset();
  hostreg::PutDword(Service(), "TrunkCount", 1);
  hostreg::PutDword(Trunk(0), "LinkID", 1);
  hostreg::PutDword(Trunk(0), "PriorityCount", 1);
  hostreg::PutDword(Rule(0, 0), "defFlag", 1);
  EXPECT_EQ(1, LoadConfiguration()) << "no adapters stored";
  EXPECT_EQ(1, LoadConfiguration()) << "no adapters stored";
  ASSERT_EQ(1, Link_Count()) << "the stored trunk once";
  EXPECT_EQ(1, First_Link()->LinkID);
  EXPECT_EQ((std::vector<uint32_t>{0}), Netprotos(First_Link())) << "its one rule once";

  hostreg::PutDword(Service(), "TrunkCount", 2);
  hostreg::PutDword(Trunk(1), "LinkID", 4);
  LoadConfiguration();
  EXPECT_EQ(2, Link_Count()) << "a stored trunk the model lacks is still added";
}

TEST_F(Loading, NoAdapterCountReturnsOneButKeepsTheTrunks)
{
  hostreg::PutDword(Service(), "TrunkCount", 1);
  hostreg::PutText(Trunk(0), "TrunkName", u"kept");
  EXPECT_EQ(1, LoadConfiguration());
  ASSERT_EQ(1, Link_Count());
  EXPECT_STREQ("kept", First_Link()->TrunkName);
}

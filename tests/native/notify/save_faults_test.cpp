// SaveConfiguration when the store refuses keys or values, or the model
// cannot widen a text: what is still stored, and what the result says.
#include "registry_fixture.h"

using SaveFaults = RegistryTest;

TEST_F(SaveFaults, RefusedServiceKeyWritesNothing)
{
  Add_Link();
  hostreg::RefuseKey(Service());
  EXPECT_EQ(ERROR_ACCESS_DENIED, SaveConfiguration());
  EXPECT_TRUE(Writes().empty());
  EXPECT_FALSE(hostreg::HasKey(Trunk(0)));
}

TEST_F(SaveFaults, RefusedTrunkCountStopsTheSave)
{
  Add_Link();
  Add_Test_Adapter(MODEL_K250, 0, 4);
  hostreg::RefuseValue(Service(), "TrunkCount");
  EXPECT_EQ(ERROR_ACCESS_DENIED, SaveConfiguration()) << "nothing stored must not look like success";
  EXPECT_FALSE(hostreg::HasKey(Trunk(0)));
  EXPECT_FALSE(hostreg::HasKey(AdapterKey(0)));
}

TEST_F(SaveFaults, RefusedAdapterCountIsReported)
{
  Add_Link();
  Add_Test_Adapter(MODEL_K250, 0, 4);
  hostreg::RefuseValue(Service(), "AdapterCount");
  EXPECT_EQ(ERROR_ACCESS_DENIED, SaveConfiguration());
  EXPECT_TRUE(hostreg::HasKey(Trunk(0)));
  EXPECT_TRUE(hostreg::HasKey(AdapterKey(0)));
}

TEST_F(SaveFaults, RefusedPriorityCountIsReported)
{
  Link* link = Add_Link();
  Add_Test_Rule(link, 0x0800, 1);
  hostreg::RefuseValue(Trunk(0), "PriorityCount");
  EXPECT_EQ(ERROR_ACCESS_DENIED, SaveConfiguration()) << "without its count the rule is lost to the driver";
}

TEST_F(SaveFaults, OtherRefusedValuesAreNotLookedAt)
{
  Add_Link();
  hostreg::RefuseValue(Trunk(0), "TrunkType");
  EXPECT_EQ(ERROR_SUCCESS, SaveConfiguration());
  EXPECT_FALSE(hostreg::Value(Trunk(0), "TrunkType"));
  EXPECT_TRUE(hostreg::Value(Trunk(0), "TransType")) << "the values after it are still written";
}

// A refused trunk key spends its index; the trunk goes under the next index,
// and so does every later trunk, so that none is lost, and the count covers
// the indices spent.
TEST_F(SaveFaults, RefusedTrunkKeyMovesTrunksUpWithoutLosingOne)
{
  Link* first = Add_Link();
  Set_Trunk_Name(first, "first");
  Link* second = Add_Link();
  Set_Trunk_Name(second, "second");
  Add_Test_Adapter(MODEL_K250, 0, 4);
  hostreg::RefuseKey(Trunk(0));

  EXPECT_EQ(ERROR_SUCCESS, SaveConfiguration()) << "the last trunk key tried was created";
  EXPECT_FALSE(hostreg::HasKey(Trunk(0)));
  EXPECT_EQ(u"first", Units(Trunk(1), "TrunkName"));
  EXPECT_EQ(u"second", Units(Trunk(2), "TrunkName"));
  EXPECT_EQ(3u, Dword(Service(), "TrunkCount"));

  Empty_Model();
  EXPECT_EQ(ERROR_SUCCESS, LoadConfiguration());
  ASSERT_EQ(2, Link_Count()) << "the refused index is skipped";
  EXPECT_STREQ("first", First_Link()->TrunkName);
  EXPECT_STREQ("second", First_Link()->next->TrunkName);
}

TEST_F(SaveFaults, RefusedRuleAndAdapterKeysSpendTheirIndex)
{
  Link* link = Add_Link();
  Add_Test_Rule(link, 0x0800, 1);
  Add_Test_Rule(link, 0x8137, 1);
  Add_Test_Adapter(MODEL_K250, 0, 4);
  Add_Test_Adapter(MODEL_K250, 0, 5);
  hostreg::RefuseKey(Rule(0, 0));
  hostreg::RefuseKey(AdapterKey(1));

  EXPECT_EQ(ERROR_SUCCESS, SaveConfiguration());
  EXPECT_EQ(0x8137u, Dword(Rule(0, 1), "netproto"));
  EXPECT_EQ(0x0800u, Dword(Rule(0, 2), "netproto"));
  EXPECT_EQ(3u, Dword(Trunk(0), "PriorityCount"));
  EXPECT_EQ(1u, Dword(AdapterKey(0), "adapter_id")) << "first adapter under index 0";
  EXPECT_EQ(2u, Dword(AdapterKey(2), "adapter_id")) << "second adapter moved to index 2";
  EXPECT_EQ(3u, Dword(Service(), "AdapterCount"));
}

// A record whose key is refused under eight indices in a row is given up;
// the save still ends, stores the rest and reports the loss.
TEST_F(SaveFaults, KeyRefusedUnderEveryIndexEndsAndIsReported)
{
  Add_Link();
  Link* kept = Add_Link();
  Set_Trunk_Name(kept, "kept");
  for (int i = 0; i < 8; ++i) hostreg::RefuseKey(Trunk(i));
  for (int k = 0; k < 8; ++k) hostreg::RefuseKey(AdapterKey(k));
  Add_Test_Adapter(MODEL_K250, 0, 4);

  EXPECT_EQ(ERROR_ACCESS_DENIED, SaveConfiguration()) << "a lost trunk is reported although later keys were created";
  EXPECT_EQ(u"kept", Units(Trunk(8), "TrunkName"));
  EXPECT_EQ(9u, Dword(Service(), "TrunkCount"));
  EXPECT_EQ(8u, Dword(Service(), "AdapterCount")) << "eight indices spent on the lost adapter";
  EXPECT_FALSE(hostreg::HasKey(AdapterKey(8)));
}

TEST_F(SaveFaults, RuleRefusedUnderEveryIndexIsReported)
{
  Link* link = Add_Link();
  Add_Test_Rule(link, 0x0800, 1);
  Add_Link();
  for (int j = 0; j < 8; ++j) hostreg::RefuseKey(Rule(0, j));
  EXPECT_EQ(ERROR_ACCESS_DENIED, SaveConfiguration()) << "a lost rule is reported although a later trunk key was created";
  EXPECT_EQ(8u, Dword(Trunk(0), "PriorityCount"));
}

TEST_F(SaveFaults, TextThatCannotBeWidenedIsReportedAsLost)
{
  Add_Link();
  Fail_Allocation_After(0);
  const LONG result = SaveConfiguration();
  Fail_Allocation_After(-1);
  EXPECT_EQ(ERROR_NOT_ENOUGH_MEMORY, result);
  EXPECT_FALSE(hostreg::Value(Trunk(0), "TrunkName")) << "no half-made name is written";
  EXPECT_EQ(1u, Dword(Trunk(0), "LinkID")) << "the other values still are";
}

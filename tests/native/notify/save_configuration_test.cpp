// The layout SaveConfiguration writes: paths, value names, types, lengths and order.
#include "registry_fixture.h"

using Saving = RegistryTest;

TEST_F(Saving, EmptyModelWritesTheTwoCountsAndLeavesEarlierKeys)
{
  Add_Link();
  Add_Test_Adapter(MODEL_K250, 0, 4);
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());
  Empty_Model();
  hostreg::ClearCalls();

  EXPECT_EQ(ERROR_SUCCESS, SaveConfiguration());
  EXPECT_EQ((std::vector<std::string>{":TrunkCount", ":AdapterCount"}), Writes()) << "nothing else is written";
  EXPECT_EQ(0u, Dword(Service(), "TrunkCount"));
  EXPECT_EQ(0u, Dword(Service(), "AdapterCount"));
  EXPECT_TRUE(hostreg::HasKey(Trunk(0))) << "keys are never deleted";
  EXPECT_TRUE(hostreg::HasKey(AdapterKey(0)));

  EXPECT_EQ(1, LoadConfiguration()) << "no adapters stored";
  EXPECT_EQ(nullptr, First_Link()) << "the stale trunk key is above the count and not read";
}

TEST_F(Saving, ValuesFollowTheLayoutInOrder)
{
  Link* link = Add_Link();
  Add_Test_Rule(link, 0x0800, 1);
  Add_Test_Adapter(MODEL_K100TX, 0, 6);
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());

  const std::vector<std::string> expected = {
      ":TrunkCount",
      "\\Trunk0:TrunkName", "\\Trunk0:TrunkType", "\\Trunk0:TransType", "\\Trunk0:LinkID", "\\Trunk0:NumAdapters",
      "\\Trunk0\\Priority0:cancel", "\\Trunk0\\Priority0:defFlag", "\\Trunk0\\Priority0:netproto",
      "\\Trunk0\\Priority0:netmsg", "\\Trunk0\\Priority0:typeenable", "\\Trunk0\\Priority0:prototype",
      "\\Trunk0\\Priority0:protomsg", "\\Trunk0\\Priority0:destenable", "\\Trunk0\\Priority0:destaddr",
      "\\Trunk0\\Priority0:netmask", "\\Trunk0\\Priority0:sockenable", "\\Trunk0\\Priority0:socket",
      "\\Trunk0\\Priority0:sockmsg", "\\Trunk0\\Priority0:ports", "\\Trunk0\\Priority0:priorityinfo",
      "\\Trunk0:PriorityCount",
      "\\Adapter0:adapter_id", "\\Adapter0:link_id", "\\Adapter0:msg", "\\Adapter0:reg_info",
      ":AdapterCount"};
  EXPECT_EQ(expected, Writes());
}

TEST_F(Saving, KeysAreCreatedByFullPathWithFullAccessAndClosed)
{
  Link* link = Add_Link();
  Add_Test_Rule(link, 0x0800, 1);
  Add_Test_Adapter(MODEL_K250, 0, 4);
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());

  std::vector<std::string> created;
  int closed = 0;
  for (const auto& call : hostreg::Calls()) {
    if (call.call == hostreg::Call::Close) ++closed;
    if (call.call != hostreg::Call::Create) continue;
    created.push_back(call.path);
    EXPECT_TRUE(call.fromRoot) << call.path << " is created from HKEY_LOCAL_MACHINE, not from its parent";
    EXPECT_EQ(0xF003Fu, call.access) << call.path;
    EXPECT_EQ(REG_OPTION_NON_VOLATILE, call.options) << call.path;
  }
  EXPECT_EQ((std::vector<std::string>{Service(), Trunk(0), Rule(0, 0), AdapterKey(0)}), created);
  EXPECT_EQ(4, closed) << "each key created is closed";
}

TEST_F(Saving, TrunkValuesHoldTheLinkFields)
{
  Link* link = Add_Link();
  Set_Trunk_Name(link, "Backbone");
  link->TrunkType = 3;
  link->TransType = 2;
  link->NumAdapters = 2;
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());

  auto name = hostreg::Value(Trunk(0), "TrunkName");
  ASSERT_TRUE(name);
  EXPECT_EQ(REG_SZ, name->type);
  EXPECT_EQ(256u, name->data.size()) << "TrunkName always has 256 bytes";
  EXPECT_EQ(u"Backbone", Units(Trunk(0), "TrunkName"));
  for (std::size_t i = 2 * 8; i < name->data.size(); ++i)
    ASSERT_EQ(0, name->data[i]) << "terminator and filler are zero bytes, byte " << i;
  EXPECT_EQ(3u, Dword(Trunk(0), "TrunkType"));
  EXPECT_EQ(2u, Dword(Trunk(0), "TransType"));
  EXPECT_EQ(1u, Dword(Trunk(0), "LinkID"));
  EXPECT_EQ(2u, Dword(Trunk(0), "NumAdapters"));
  EXPECT_EQ(0u, Dword(Trunk(0), "PriorityCount"));
  EXPECT_EQ(1u, Dword(Service(), "TrunkCount"));
}

TEST_F(Saving, RuleValuesHoldTheRuleFields)
{
  Link* link = Add_Link();
  PriorityTrunk* rule = Add_Test_Rule(link, 0x0806, 3);
  rule->cancel = 0;
  rule->typeenable = 1;
  rule->prototype = 0x17;
  rule->destenable = 1;
  rule->destaddr = 0x0A000001;
  rule->netmask = 0xFFFFFF00;
  rule->sockenable = 1;
  rule->socket = 80;
  Copy_Text_Field(rule->netmsg, "ARP");
  Copy_Text_Field(rule->protomsg, "proto");
  Copy_Text_Field(rule->sockmsg, "sock");
  Render_Priority(rule);
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());

  const std::string key = Rule(0, 0);
  EXPECT_EQ(0u, Dword(key, "cancel"));
  EXPECT_EQ(0u, Dword(key, "defFlag"));
  EXPECT_EQ(0x806u, Dword(key, "netproto"));
  EXPECT_EQ(1u, Dword(key, "typeenable"));
  EXPECT_EQ(0x17u, Dword(key, "prototype"));
  EXPECT_EQ(1u, Dword(key, "destenable"));
  EXPECT_EQ(0x0A000001u, Dword(key, "destaddr"));
  EXPECT_EQ(0xFFFFFF00u, Dword(key, "netmask"));
  EXPECT_EQ(1u, Dword(key, "sockenable"));
  EXPECT_EQ(80u, Dword(key, "socket"));
  EXPECT_EQ(3u, Dword(key, "ports"));
  EXPECT_EQ(u"ARP", Units(key, "netmsg"));
  EXPECT_EQ(u"proto", Units(key, "protomsg"));
  EXPECT_EQ(u"sock", Units(key, "sockmsg"));
  EXPECT_EQ(u"(806)ARP ports: 3", Units(key, "priorityinfo"));
  for (const char* text : {"netmsg", "protomsg", "sockmsg", "priorityinfo"}) {
    auto value = hostreg::Value(key, text);
    ASSERT_TRUE(value) << text;
    EXPECT_EQ(REG_SZ, value->type) << text;
    EXPECT_EQ(1024u, value->data.size()) << text << " always has 1024 bytes";
  }
  EXPECT_EQ(1u, Dword(Trunk(0), "PriorityCount"));
}

TEST_F(Saving, AdapterValuesHoldIdsNameAndRegInfo)
{
  Link* link = Add_Link();
  Add_Test_Adapter(MODEL_K100TX, 2, 7, 1);
  Adapter* member = Add_Adapter(AdapterValues{MODEL_K250FX, 5, 64, 2, 9, 8, 3, 1, 4, 128, 256});
  Add_Adapter_Entry_to_Link(link, member);
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());

  EXPECT_EQ(2u, Dword(Service(), "AdapterCount"));
  EXPECT_EQ(2u, Dword(AdapterKey(1), "adapter_id"));
  EXPECT_EQ(1u, Dword(AdapterKey(1), "link_id"));
  EXPECT_EQ(0u, Dword(AdapterKey(0), "link_id")) << "0 = in no trunk";
  auto msg = hostreg::Value(AdapterKey(1), "msg");
  ASSERT_TRUE(msg);
  EXPECT_EQ(1024u, msg->data.size());
  std::u16string expectedName;
  for (const char* c = member->msg; *c; ++c) expectedName.push_back(static_cast<char16_t>(*c));
  EXPECT_EQ(expectedName, Units(AdapterKey(1), "msg"));

  auto regInfo = hostreg::Value(AdapterKey(1), "reg_info");
  ASSERT_TRUE(regInfo);
  EXPECT_EQ(REG_BINARY, regInfo->type);
  const std::vector<uint8_t> expected = {4, 0, 0, 0, 5, 0, 0, 0, 64, 0, 0, 0, 2, 0, 0, 0, 9, 0, 0, 0, 8, 0, 0, 0,
                                         3, 0, 0, 0, 1, 0, 0, 0, 4, 0, 0, 0, 128, 0, 0, 0, 0, 1, 0, 0};
  EXPECT_EQ(expected, regInfo->data) << "eleven little-endian numbers from Model to TdCount";
}

TEST_F(Saving, HighBytesAreStoredSignExtendedAndComeBack)
{
  Link* link = Add_Link();
  Set_Trunk_Name(link, "\x41\xE9");
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());

  auto name = hostreg::Value(Trunk(0), "TrunkName");
  ASSERT_TRUE(name);
  ASSERT_EQ(256u, name->data.size());
  EXPECT_EQ((std::vector<uint8_t>{0x41, 0x00, 0xE9, 0xFF, 0x00, 0x00}),
            std::vector<uint8_t>(name->data.begin(), name->data.begin() + 6))
      << "units 0x0041 0xFFE9 and the terminator";

  Empty_Model();
  EXPECT_EQ(1, LoadConfiguration()) << "no adapters stored";
  ASSERT_NE(nullptr, First_Link());
  EXPECT_STREQ("\x41\xE9", First_Link()->TrunkName);
}

TEST_F(Saving, RulesAreStoredHeadFirst)
{
  Link* link = Add_Link();
  Add_Test_Rule(link, 0x0800, 1);
  Add_Test_Rule(link, 0x8137, 1);
  Add_Test_Rule(link, 0x809B, 2, true);
  ASSERT_EQ((std::vector<uint32_t>{0x8137, 0x0800, 0x809B}), Netprotos(link));
  ASSERT_EQ(ERROR_SUCCESS, SaveConfiguration());

  EXPECT_EQ(0x8137u, Dword(Rule(0, 0), "netproto"));
  EXPECT_EQ(0x0800u, Dword(Rule(0, 1), "netproto"));
  EXPECT_EQ(0x809Bu, Dword(Rule(0, 2), "netproto"));
  EXPECT_EQ(1u, Dword(Rule(0, 2), "defFlag"));
  EXPECT_EQ(3u, Dword(Trunk(0), "PriorityCount"));
}

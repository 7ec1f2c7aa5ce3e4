#include "model_snapshot.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace {

std::string Field(const char* field, std::size_t size) { return std::string(field, Field_Text_Length(field, size)); }

RuleSnapshot Snapshot_Of(const PriorityTrunk& rule)
{
  return RuleSnapshot{rule.cancel,
                      rule.defFlag,
                      rule.netproto,
                      Field(rule.netmsg, sizeof rule.netmsg),
                      rule.typeenable,
                      rule.prototype,
                      Field(rule.protomsg, sizeof rule.protomsg),
                      rule.destenable,
                      rule.destaddr,
                      rule.netmask,
                      rule.sockenable,
                      rule.socket,
                      Field(rule.sockmsg, sizeof rule.sockmsg),
                      rule.ports,
                      Field(rule.priorityinfo, sizeof rule.priorityinfo)};
}

// Texts of random length whose bytes are anything but the terminator.
std::string Random_Text(std::mt19937& random, std::size_t maxLength)
{
  std::uniform_int_distribution<std::size_t> length(0, maxLength);
  std::uniform_int_distribution<int> byte(1, 255);
  std::string text(length(random), '\0');
  for (char& c : text) c = static_cast<char>(byte(random));
  return text;
}

void Random_Rule(std::mt19937& random, PriorityTrunk* rule)
{
  auto number = [&] { return static_cast<uint32_t>(random()); };
  auto flag = [&] { return static_cast<uint8_t>(random() & 1); };
  rule->cancel = flag();
  rule->netproto = number();
  Copy_Text_Field(rule->netmsg, Random_Text(random, 31).c_str());
  rule->typeenable = flag();
  rule->prototype = number();
  Copy_Text_Field(rule->protomsg, Random_Text(random, 31).c_str());
  rule->destenable = flag();
  rule->destaddr = number();
  rule->netmask = number();
  rule->sockenable = flag();
  rule->socket = number();
  Copy_Text_Field(rule->sockmsg, Random_Text(random, 31).c_str());
  rule->ports = static_cast<int32_t>(number());
  Copy_Text_Field(rule->priorityinfo, Random_Text(random, 255).c_str());
}

}  // namespace

ModelSnapshot Take_Snapshot()
{
  ModelSnapshot snapshot;
  for (const Link* link = First_Link(); link; link = link->next) {
    LinkSnapshot entry{Field(link->TrunkName, sizeof link->TrunkName), link->LinkID, link->NumAdapters,
                       link->TrunkType, link->TransType, {}};
    for (const PriorityTrunk* rule = link->Priorities; rule; rule = rule->next)
      entry.rules.push_back(Snapshot_Of(*rule));
    snapshot.links.push_back(entry);
  }
  for (const Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next)
    snapshot.adapters.push_back(
        AdapterSnapshot{*adapter, adapter->adapter_id, adapter->link_id, adapter->msg ? adapter->msg : ""});
  return snapshot;
}

void Expect_Same_Model(const ModelSnapshot& expected, const ModelSnapshot& actual, const std::string& context)
{
  ASSERT_EQ(expected.links.size(), actual.links.size()) << context << ": number of trunks";
  for (std::size_t i = 0; i < expected.links.size(); ++i) {
    const LinkSnapshot& e = expected.links[i];
    const LinkSnapshot& a = actual.links[i];
    const std::string where = context + ", trunk " + std::to_string(i);
    EXPECT_EQ(e.TrunkName, a.TrunkName) << where;
    EXPECT_EQ(e.LinkID, a.LinkID) << where;
    EXPECT_EQ(e.NumAdapters, a.NumAdapters) << where;
    EXPECT_EQ(e.TrunkType, a.TrunkType) << where;
    EXPECT_EQ(e.TransType, a.TransType) << where;
    ASSERT_EQ(e.rules.size(), a.rules.size()) << where << ": number of rules";
    for (std::size_t j = 0; j < e.rules.size(); ++j) {
      const RuleSnapshot& er = e.rules[j];
      const RuleSnapshot& ar = a.rules[j];
      const std::string rule = where + ", rule " + std::to_string(j);
      EXPECT_EQ(er.cancel, ar.cancel) << rule;
      EXPECT_EQ(er.defFlag, ar.defFlag) << rule;
      EXPECT_EQ(er.netproto, ar.netproto) << rule;
      EXPECT_EQ(er.netmsg, ar.netmsg) << rule;
      EXPECT_EQ(er.typeenable, ar.typeenable) << rule;
      EXPECT_EQ(er.prototype, ar.prototype) << rule;
      EXPECT_EQ(er.protomsg, ar.protomsg) << rule;
      EXPECT_EQ(er.destenable, ar.destenable) << rule;
      EXPECT_EQ(er.destaddr, ar.destaddr) << rule;
      EXPECT_EQ(er.netmask, ar.netmask) << rule;
      EXPECT_EQ(er.sockenable, ar.sockenable) << rule;
      EXPECT_EQ(er.socket, ar.socket) << rule;
      EXPECT_EQ(er.sockmsg, ar.sockmsg) << rule;
      EXPECT_EQ(er.ports, ar.ports) << rule;
      EXPECT_EQ(er.priorityinfo, ar.priorityinfo) << rule;
    }
  }
  ASSERT_EQ(expected.adapters.size(), actual.adapters.size()) << context << ": number of adapters";
  for (std::size_t k = 0; k < expected.adapters.size(); ++k) {
    const AdapterSnapshot& e = expected.adapters[k];
    const AdapterSnapshot& a = actual.adapters[k];
    const std::string where = context + ", adapter " + std::to_string(k);
    auto values = [](const AdapterValues& v) {
      return std::make_tuple(v.Model, v.BusType, v.BusWidth, v.BusNumber, v.DeviceNumber, v.SlotNumber,
                             v.FunctionNumber, v.PortNumber, v.ConnectionType, v.RdCount, v.TdCount);
    };
    EXPECT_TRUE(values(e.values) == values(a.values)) << where << ": creation values differ";
    EXPECT_EQ(e.adapter_id, a.adapter_id) << where;
    EXPECT_EQ(e.link_id, a.link_id) << where;
    EXPECT_EQ(e.msg, a.msg) << where;
  }
}

void Fill_Random_Model(std::mt19937& random)
{
  auto below = [&](int limit) { return static_cast<int>(random() % static_cast<unsigned>(limit)); };

  std::set<std::tuple<int32_t, int32_t, int32_t>> locations;
  const int adapters = below(7);
  while (static_cast<int>(locations.size()) < adapters) {
    AdapterValues values{below(13), PCI_BUS_TYPE, below(2) ? 32 : 64, below(4), below(32), below(32), below(8),
                         below(4), below(5), below(512), below(512)};
    if (!locations.emplace(values.BusNumber, values.SlotNumber, values.FunctionNumber).second) continue;
    Adapter* adapter = Add_Adapter(values);
    ASSERT_NE(nullptr, adapter) << "random adapter with model " << values.Model;
    Replace_Display_Name(adapter, Random_Text(random, DISPLAY_NAME_MAX).c_str());
  }

  const int links = below(5);
  for (int i = 0; i < links; ++i) {
    Link* link = Add_Link();
    ASSERT_NE(nullptr, link);
    Set_Trunk_Name(link, Random_Text(random, TRUNK_NAME_MAX).c_str());
    link->TrunkType = below(4);
    link->TransType = below(4);
    // Each unassigned adapter joins this trunk with even odds.
    for (Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next)
      if (adapter->link_id == 0 && below(2)) Add_Adapter_Entry_to_Link(link, adapter);
    const int rules = below(4);
    for (int j = 0; j < rules; ++j) {
      PriorityTrunk* rule = New_Priority(0);
      ASSERT_NE(nullptr, rule);
      Random_Rule(random, rule);
      ASSERT_EQ(1, Add_Priority(&link->Priorities, rule));
    }
    if (rules > 0 && below(2)) {
      PriorityTrunk* fallback = New_Priority(link->NumAdapters);
      ASSERT_NE(nullptr, fallback);
      Random_Rule(random, fallback);
      Make_Default_Priority(fallback);
      ASSERT_EQ(1, Add_Priority(&link->Priorities, fallback));
    }
  }
}

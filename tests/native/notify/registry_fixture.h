// Every test starts with an empty model and an empty in-memory registry, and
// must end with every key handle it opened closed.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include <hostreg/registry_testing.h>

#include "model/model.h"
#include "model/adapters.h"
#include "model/model_alloc.h"
#include "notify/configuration_store.h"

class RegistryTest : public ::testing::Test {
protected:
  void SetUp() override { Reset(); }
  void TearDown() override
  {
    EXPECT_EQ(0, hostreg::OpenHandles()) << "every key handle opened is closed again";
    Reset();
  }

  static void Reset()
  {
    Fail_Allocation_After(-1);
    Empty_Model();
    Clear_Model_Message();
    hostreg::Reset();
  }

  static const std::string& Service()
  {
    static const std::string path = "System\\CurrentControlSet\\Services\\TmrxLink";
    return path;
  }
  static std::string Trunk(int i) { return Service() + "\\Trunk" + std::to_string(i); }
  static std::string Rule(int i, int j) { return Trunk(i) + "\\Priority" + std::to_string(j); }
  static std::string AdapterKey(int k) { return Service() + "\\Adapter" + std::to_string(k); }

  // A "reg_info" value: the eleven numbers of an adapter on a 32-bit PCI bus.
  static std::vector<uint8_t> RegInfo(int32_t model, int32_t bus, int32_t slot, int32_t function = 0,
                                      int32_t port = 0)
  {
    const int32_t numbers[11] = {model, PCI_BUS_TYPE, 32, bus, slot, slot, function, port, 0, 0, 0};
    std::vector<uint8_t> data;
    for (int32_t number : numbers)
      for (int shift = 0; shift < 32; shift += 8) data.push_back(static_cast<uint8_t>(number >> shift));
    return data;
  }

  // A stored REG_DWORD; fails the test when the value is missing or not one.
  static uint32_t Dword(const std::string& path, const std::string& name)
  {
    auto value = hostreg::Value(path, name);
    EXPECT_TRUE(value) << path << "\\" << name << " is stored";
    if (!value) return 0xDEADBEEF;
    EXPECT_EQ(REG_DWORD, value->type) << name << " is a REG_DWORD";
    EXPECT_EQ(4u, value->data.size()) << name << " has 4 bytes";
    if (value->data.size() != 4) return 0xDEADBEEF;
    return value->data[0] | value->data[1] << 8 | value->data[2] << 16 | static_cast<uint32_t>(value->data[3]) << 24;
  }

  // The units of a stored text up to its terminator.
  static std::u16string Units(const std::string& path, const std::string& name)
  {
    auto value = hostreg::Value(path, name);
    EXPECT_TRUE(value) << path << "\\" << name << " is stored";
    std::u16string units;
    if (!value) return units;
    for (std::size_t i = 0; i + 1 < value->data.size(); i += 2) {
      const char16_t unit = static_cast<char16_t>(value->data[i] | value->data[i + 1] << 8);
      if (unit == 0) break;
      units.push_back(unit);
    }
    return units;
  }

  static Adapter* Add_Test_Adapter(int32_t model, int32_t bus, int32_t slot, int32_t function = 0)
  {
    return Add_Adapter(AdapterValues{model, PCI_BUS_TYPE, 32, bus, slot, slot, function, 1, 4, 64, 32});
  }

  static PriorityTrunk* Add_Test_Rule(Link* link, uint32_t netproto, int32_t ports, bool isDefault = false)
  {
    PriorityTrunk* rule = New_Priority(ports);
    rule->netproto = netproto;
    if (isDefault) Make_Default_Priority(rule);
    Add_Priority(&link->Priorities, rule);
    return rule;
  }

  static std::vector<uint32_t> Netprotos(const Link* link)
  {
    std::vector<uint32_t> protos;
    for (const PriorityTrunk* rule = link->Priorities; rule; rule = rule->next) protos.push_back(rule->netproto);
    return protos;
  }

  // The sequence of values the calls wrote, as "key suffix:value name".
  static std::vector<std::string> Writes()
  {
    std::vector<std::string> writes;
    for (const auto& call : hostreg::Calls())
      if (call.call == hostreg::Call::SetValue)
        writes.push_back(call.path.substr(Service().size()) + ":" + call.valueName);
    return writes;
  }
};

#pragma once
#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>
#include "model/model.h"
#include "model/model_alloc.h"

// Every test starts and ends with an empty model, an empty message buffer
// and allocation working.
class ModelTest : public ::testing::Test {
protected:
  void SetUp() override { Reset(); }
  void TearDown() override { Reset(); }

  static void Reset()
  {
    Fail_Allocation_After(-1);
    Empty_Model();
    Clear_Model_Message();
  }

  static Adapter* Adapter_At(int32_t model, int32_t bus, int32_t slot, int32_t connection = 0)
  {
    return Add_Adapter(AdapterValues{model, PCI_BUS_TYPE, 32, bus, slot, slot, 0, 0, connection, 0, 0});
  }

  // The written text, or "<none>" when the writer failed.
  static std::string Written(int flag = 1)
  {
    char* text = Set_Return_String(flag);
    std::string result = text ? text : "<none>";
    std::free(text);
    return result;
  }

  static std::vector<int32_t> Slots_In(int32_t linkId)
  {
    std::vector<int32_t> slots;
    for (Adapter* a = First_Adapter(); a; a = a->next)
      if (a->link_id == linkId) slots.push_back(a->SlotNumber);
    return slots;
  }

  static std::vector<int32_t> Rule_Ports(const Link* link)
  {
    std::vector<int32_t> ports;
    for (PriorityTrunk* rule = link->Priorities; rule; rule = rule->next) ports.push_back(rule->ports);
    return ports;
  }

  static std::string Message() { return Model_Message(); }
};

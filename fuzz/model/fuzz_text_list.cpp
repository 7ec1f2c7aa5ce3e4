// libFuzzer target: any bytes through Read_Text_List, then Set_Return_String
// and member removal, checking the model's invariants on the way.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "model/model.h"

namespace {
void Fail(const char* what)
{
  std::fprintf(stderr, "model invariant broken: %s\n", what);
  std::abort();
}

void Check(bool holds, const char* what)
{
  if (!holds) Fail(what);
}

void Check_Rules(const Link& link)
{
  int defaults = 0;
  for (const PriorityTrunk* rule = link.Priorities; rule; rule = rule->next) {
    defaults += rule->defFlag;
    Check(std::memchr(rule->priorityinfo, '\0', sizeof rule->priorityinfo) != nullptr, "priorityinfo terminated");
  }
  Check(defaults <= 1, "at most one default rule");
}

void Check_Model()
{
  int adapters = 0;
  int32_t lastAdapterId = 0;
  for (const Adapter* a = First_Adapter(); a; a = a->next, ++adapters) {
    Check(a->adapter_id > lastAdapterId, "adapter ids increase");
    lastAdapterId = a->adapter_id;
    Check(a->msg && std::strlen(a->msg) <= DISPLAY_NAME_MAX, "display name fits");
    Check(a->link_id == 0 || First_Link() != nullptr, "link_id names a trunk");
  }
  Check(adapters == Adapter_Count(), "adapter count");
  int links = 0;
  int32_t lastLinkId = 0;
  for (const Link* link = First_Link(); link; link = link->next, ++links) {
    Check(link->LinkID > lastLinkId, "link ids increase");
    lastLinkId = link->LinkID;
    Check(std::strlen(link->TrunkName) <= TRUNK_NAME_MAX, "trunk name fits");
    int members = 0;
    for (const Adapter* a = First_Adapter(); a; a = a->next) members += a->link_id == link->LinkID;
    Check(members == link->NumAdapters, "NumAdapters counts the members");
    Check_Rules(*link);
  }
  Check(links == Link_Count(), "link count");
  for (const Adapter* a = First_Adapter(); a; a = a->next) {
    bool known = a->link_id == 0;
    for (const Link* link = First_Link(); link && !known; link = link->next) known = link->LinkID == a->link_id;
    Check(known, "every link_id names an existing trunk");
  }
}

void Write_Model()
{
  char* text = Set_Return_String(1);
  if (text) {
    std::size_t length = std::strlen(text);
    Check(length >= 2 && text[0] == '{' && text[length - 1] == '}', "returned text is braced");
    std::free(text);
  } else {
    Check(Model_Message()[0] != '\0', "a refused write leaves a message");
  }
}

// Every member leaves its trunk; the last one takes the rules with it.
void Empty_Trunks()
{
  for (Link* link = First_Link(); link; link = link->next) {
    // A trunk read without members may keep its rules; one that loses its
    // last member may not.
    bool hadMembers = link->NumAdapters > 0;
    while (link->NumAdapters > 0) Check(Remove_Nth_Adapter_from_Link(link, 0) == 1, "member removal");
    Check(!hadMembers || link->Priorities == nullptr, "rules freed with the last member");
  }
  Check_Model();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
  std::string text(reinterpret_cast<const char*>(data), size);
  Empty_Model();
  Clear_Model_Message();
  if (Read_Text_List(text.c_str())) {
    Check_Model();
    Write_Model();
    Finish_Priority_Edit(0);
    Empty_Trunks();
  } else {
    Check(First_Adapter() == nullptr && First_Link() == nullptr, "failed read leaves the model empty");
    Check(Adapter_Count() == 0 && Link_Count() == 0, "failed read leaves the counts 0");
    Check(Model_Message()[0] != '\0', "every refusal leaves a message");
  }
  Empty_Model();
  return 0;
}

#include "model_invariants.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/model.h"

void Fuzz_Check(bool holds, const char* what)
{
  if (holds) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

namespace {

bool Terminated(const char* field, std::size_t size) { return std::memchr(field, '\0', size) != nullptr; }

void Check_Rules(const Link& link)
{
  int defaults = 0;
  for (const PriorityTrunk* rule = link.Priorities; rule; rule = rule->next) {
    defaults += rule->defFlag;
    Fuzz_Check(Terminated(rule->netmsg, sizeof rule->netmsg) && Terminated(rule->protomsg, sizeof rule->protomsg) &&
                   Terminated(rule->sockmsg, sizeof rule->sockmsg) &&
                   Terminated(rule->priorityinfo, sizeof rule->priorityinfo),
               "rule texts within their fields");
  }
  Fuzz_Check(defaults <= 1, "at most one default rule");
}

}  // namespace

void Check_Model_Invariants(IdOrder order)
{
  int adapters = 0;
  int32_t lastAdapterId = 0;
  for (const Adapter* a = First_Adapter(); a; a = a->next, ++adapters) {
    Fuzz_Check(a->adapter_id > 0, "adapter ids positive");
    if (order == IdOrder::Increasing) Fuzz_Check(a->adapter_id > lastAdapterId, "adapter ids increase");
    lastAdapterId = a->adapter_id;
    for (const Adapter* b = a->next; b; b = b->next) Fuzz_Check(a->adapter_id != b->adapter_id, "adapter ids unique");
    Fuzz_Check(a->msg && std::strlen(a->msg) <= DISPLAY_NAME_MAX, "display name fits");
    Fuzz_Check(a->link_id == 0 || Find_Link(a->link_id), "every link_id names a trunk");
  }
  Fuzz_Check(adapters == Adapter_Count(), "adapter count");

  int links = 0;
  int32_t lastLinkId = 0;
  for (const Link* link = First_Link(); link; link = link->next, ++links) {
    Fuzz_Check(link->LinkID > 0, "link ids positive");
    if (order == IdOrder::Increasing) Fuzz_Check(link->LinkID > lastLinkId, "link ids increase");
    lastLinkId = link->LinkID;
    for (const Link* other = link->next; other; other = other->next)
      Fuzz_Check(link->LinkID != other->LinkID, "link ids unique");
    Fuzz_Check(Terminated(link->TrunkName, TRUNK_NAME_MAX + 1), "trunk name fits");
    int members = 0;
    for (const Adapter* a = First_Adapter(); a; a = a->next) members += a->link_id == link->LinkID;
    Fuzz_Check(members == link->NumAdapters, "NumAdapters counts the members");
    Check_Rules(*link);
  }
  Fuzz_Check(links == Link_Count(), "link count");
}

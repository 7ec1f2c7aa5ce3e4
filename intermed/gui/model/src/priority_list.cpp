#include <cstdio>
#include "default_text.h"
#include "model/links.h"
#include "model/message_buffer.h"
#include "model/priority.h"
#include "model_lists.h"

void Write_Default_Text(PriorityTrunk* rule)
{
  std::snprintf(rule->priorityinfo, sizeof rule->priorityinfo, "Default priority: ports: %d", rule->ports);
}

PriorityTrunk* New_Priority(int32_t ports)
{
  PriorityTrunk* rule = Alloc_Record<PriorityTrunk>();
  if (!rule) {
    Set_Model_Message("Failure to allocate PriorityTrunk structure!");
    return nullptr;
  }
  rule->cancel = 1;
  rule->ports = ports;
  return rule;
}

void Free_Priority(PriorityTrunk* rule) { Model_Free(rule); }

void Make_Default_Priority(PriorityTrunk* rule)
{
  if (!rule) return;
  rule->cancel = 0;
  rule->defFlag = 1;
  Write_Default_Text(rule);
}

int Add_Priority(PriorityTrunk** list, PriorityTrunk* rule)
{
  if (!list) {
    Set_Model_Message("Cannot add PriorityTrunk to non-existent list!");
    return 0;
  }
  if (!rule) {
    Set_Model_Message("Cannot add non-existent PriorityTrunk to list!");
    return 0;
  }
  if (!rule->defFlag) {
    rule->next = *list;
    *list = rule;
    return 1;
  }
  PriorityTrunk** slot = list;
  for (; *slot; slot = &(*slot)->next) {
    if ((*slot)->defFlag) {
      Set_Model_Message("Add_Priority: cannot add a default when one already exists!");
      return 0;
    }
  }
  rule->next = nullptr;
  *slot = rule;
  return 1;
}

PriorityTrunk* Get_Nth_Priority(PriorityTrunk* first, int n)
{
  if (!first) {
    Set_Model_Message("Cannot Get Nth PriorityTrunk from non-existent list!");
    return nullptr;
  }
  PriorityTrunk* rule = n >= 0 ? first : nullptr;
  for (int i = 0; rule && i < n; ++i) rule = rule->next;
  if (!rule) Set_Model_Message("Nth (%d) PriorityTrunk does not exist in list!", n);
  return rule;
}

PriorityTrunk** Get_Nth_Priority_Slot(PriorityTrunk** list, int n)
{
  if (!list) {
    Set_Model_Message("Cannot Get Nth PriorityTrunk from non-existent list!");
    return nullptr;
  }
  PriorityTrunk** slot = list;
  for (int i = 0; *slot && i < n; ++i) slot = &(*slot)->next;
  if (n < 0 || !*slot) {
    Set_Model_Message("Nth (%d) PriorityTrunk does not exist in list!", n);
    return nullptr;
  }
  return slot;
}

int Remove_Nth_Priority(PriorityTrunk** list, int n)
{
  PriorityTrunk** slot = Get_Nth_Priority_Slot(list, n);
  if (!slot) return 0;
  PriorityTrunk* rule = *slot;
  if (rule->defFlag) {
    Set_Model_Message("Removing default PriorityTrunk not allowed!");
    return 0;
  }
  *slot = rule->next;
  Free_Priority(rule);
  return 1;
}

void Delete_Priority_List(PriorityTrunk** list)
{
  if (!list) return;
  PriorityTrunk* rule = *list;
  while (rule) {
    PriorityTrunk* next = rule->next;
    Free_Priority(rule);
    rule = next;
  }
  *list = nullptr;
}

void Limit_Priority_Ports(PriorityTrunk* first, int32_t memberCount)
{
  for (PriorityTrunk* rule = first; rule; rule = rule->next) {
    if (rule->ports <= memberCount) continue;
    rule->ports = memberCount;
    if (rule->defFlag) Write_Default_Text(rule);
  }
}

void Finish_Priority_Edit(int mode)
{
  if (mode != 0 && mode != 1) return;
  for (Link* link = Model_Lists().firstLink; link; link = link->next) {
    PriorityTrunk** slot = &link->Priorities;
    while (*slot) {
      PriorityTrunk* rule = *slot;
      if (mode == 1) {
        rule->cancel = 0;
        slot = &rule->next;
      } else if (rule->cancel) {
        *slot = rule->next;
        Free_Priority(rule);
      } else {
        slot = &rule->next;
      }
    }
  }
}

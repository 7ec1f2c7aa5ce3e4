#include "model/message_buffer.h"
#include "model/priority.h"

// The one step behind both moves: the rule in `slot` and its successor change places.
int Swap_Next_Two_Entries(PriorityTrunk** slot, int n)
{
  if (!slot) {
    Set_Model_Message("Internal Error in Swap_Next_Two_Entries!");
    return 0;
  }
  PriorityTrunk* rule = *slot;
  if (!rule) {
    Set_Model_Message("Move PriorityTrunks: Nth (%d) entry does not exist!", n);
    return 0;
  }
  if (rule->defFlag) {
    Set_Model_Message("Moving default PriorityTrunk not allowed!");
    return 0;
  }
  PriorityTrunk* successor = rule->next;
  if (!successor) {
    Set_Model_Message("Move PriorityTrunks: N+1 (%d) entry does not exist!", n + 1);
    return 0;
  }
  if (successor->defFlag) {
    Set_Model_Message("Moving default PriorityTrunk not allowed!");
    return 0;
  }
  rule->next = successor->next;
  successor->next = rule;
  *slot = successor;
  return 1;
}

int Move_Up_Nth_Priority(PriorityTrunk** list, int n)
{
  if (!list || n < 0) {
    Set_Model_Message("Invalid Parameters to Move_Up_Nth_Priority!");
    return 0;
  }
  if (n == 0) return 1;
  PriorityTrunk** slot = Get_Nth_Priority_Slot(list, n - 1);
  return slot ? Swap_Next_Two_Entries(slot, n - 1) : 0;
}

int Move_Down_Nth_Priority(PriorityTrunk** list, int n)
{
  if (!list || n < 0) {
    Set_Model_Message("Invalid Parameters to Move_Down_Nth_Priority!");
    return 0;
  }
  PriorityTrunk** slot = Get_Nth_Priority_Slot(list, n);
  return slot ? Swap_Next_Two_Entries(slot, n) : 0;
}

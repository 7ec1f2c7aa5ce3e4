#pragma once
#include <cstdint>

// One priority trunking rule of a trunk. Field names are the registry value names.
struct PriorityTrunk {
  uint8_t cancel;        // provisional: deleted when the priority dialog is cancelled
  uint8_t defFlag;       // the trunk's default rule
  uint32_t netproto;     // Ethernet type, 0x0800 for IP
  char netmsg[32];
  uint8_t typeenable;
  uint32_t prototype;
  char protomsg[32];
  uint8_t destenable;
  uint32_t destaddr;     // first octet in the most significant byte
  uint32_t netmask;      // 0 = none
  uint8_t sockenable;
  uint32_t socket;
  char sockmsg[32];
  int32_t ports;         // ports of the trunk the matching traffic may use
  char priorityinfo[256];
  PriorityTrunk* next;
};

// A rule list is the head pointer of a trunk's Priorities; operations that
// may change the head take its address.
PriorityTrunk* New_Priority(int32_t ports);
void Free_Priority(PriorityTrunk* rule);   // a rule that is in no list
void Make_Default_Priority(PriorityTrunk* rule);
int Add_Priority(PriorityTrunk** list, PriorityTrunk* rule);
PriorityTrunk* Get_Nth_Priority(PriorityTrunk* first, int n);
PriorityTrunk** Get_Nth_Priority_Slot(PriorityTrunk** list, int n);
int Swap_Next_Two_Entries(PriorityTrunk** slot, int n);
int Move_Up_Nth_Priority(PriorityTrunk** list, int n);
int Move_Down_Nth_Priority(PriorityTrunk** list, int n);
int Remove_Nth_Priority(PriorityTrunk** list, int n);
void Delete_Priority_List(PriorityTrunk** list);
void Limit_Priority_Ports(PriorityTrunk* first, int32_t memberCount);

// Over every trunk: 1 confirms every rule, 0 drops every provisional rule.
void Finish_Priority_Edit(int mode);

// Rebuilds priorityinfo from the rule's fields (left alone when netproto is 0).
void Render_Priority(PriorityTrunk* rule);

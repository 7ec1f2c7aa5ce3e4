#pragma once
#include <cstdint>

struct PriorityTrunk;

constexpr int TRUNK_NAME_MAX = 79;

// One trunk. Field names are the registry value names.
struct Link {
  char TrunkName[84];        // at most 79 characters
  int32_t LinkID;            // members carry it in link_id
  int32_t NumAdapters;
  int32_t TrunkType;         // 1 failover, 2 symmetric, 3 asymmetric, 0 not set
  int32_t TransType;         // 1 round robin, 2 fixed, 3 adaptive, 0 not set
  char* DisplayName;         // "[LinkID] TamrixLink Controller", owned
  PriorityTrunk* Priorities; // owned rule list
  Link* next;
};

Link* Add_Link();
Link* Get_Nth_Link(int n);
Link* Get_Link_from_Id(int32_t linkId);
// The trunk holding `linkId`, or null; the message buffer is left alone.
Link* Find_Link(int32_t linkId);
int Delete_Link(Link* link);
void Delete_All_Links();

// Gives the trunk a stored LinkID: refused (0, message) when it is not above
// 0 or another trunk holds it. Ids handed out later stay above it.
int Set_Link_Id(Link* link, int32_t id);
// Sets TrunkName to `text` cut to 79 characters.
void Set_Trunk_Name(Link* link, const char* text);

Link* First_Link();
int Link_Count();

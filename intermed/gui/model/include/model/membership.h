#pragma once
#include <cstdint>

struct Adapter;
struct Link;

// Membership of adapters in trunks. Positions are 0-based: among the
// unassigned adapters for the Add operations, among the trunk's members for
// the Remove and Sel operations, always in adapter-list order. The arrays are
// the ascending selection of a list box; membership changes work from the
// last element down so that the lower positions stay valid.
int Add_Adapter_Entry_to_Link(Link* link, Adapter* adapter);
int Add_Nth_Adapter_to_Link(Link* link, int position);
int Add_Adapters_to_Link(Link* link, const int* positions, int count);
int Remove_Adapter_Entry_from_Link(Link* link, Adapter* adapter);
int Remove_Nth_Adapter_from_Link(Link* link, int position);
int Remove_Adapters_from_Link(Link* link, const int* positions, int count);

// Per-member values (value types of Set_Adapter_Value).
int Set_Link_All_Adapters_Value(Link* link, int valueType, int32_t value);
int Set_Link_Sel_Adapters_Value(Link* link, const int* positions, int count, int valueType, int32_t value);

// Common ConnectionType of a trunk's members: NO_MEMBER_VALUE without
// members, MIXED_MEMBER_VALUE when they differ.
constexpr int32_t NO_MEMBER_VALUE = -1;
constexpr int32_t MIXED_MEMBER_VALUE = 99;
int32_t Merge_Value(int32_t a, int32_t b);
int32_t Get_Link_Adapters_Value(int32_t linkId);
int32_t Get_Link_Sel_Adapters_Value(int32_t linkId, const int* positions, int count);

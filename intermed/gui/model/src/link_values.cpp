#include "model/adapters.h"
#include "model/links.h"
#include "model/membership.h"
#include "model/message_buffer.h"

int Set_Link_All_Adapters_Value(Link* link, int valueType, int32_t value)
{
  if (!link) {
    Set_Model_Message("Invalid parameters supplied to Set_Link_All_Adapters_Value!");
    return 0;
  }
  for (Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next)
    if (adapter->link_id == link->LinkID && !Set_Adapter_Value(adapter, valueType, value)) return 0;
  return 1;
}

int Set_Link_Sel_Adapters_Value(Link* link, const int* positions, int count, int valueType, int32_t value)
{
  if (!link || !positions || count < 0) {
    Set_Model_Message("Invalid parameters supplied to Set_Link_Sel_Adapters_Value!");
    return 0;
  }
  for (int i = 0; i < count; ++i) {
    Adapter* adapter = Get_Nth_Adapter(positions[i], link->LinkID);
    if (!adapter || !Set_Adapter_Value(adapter, valueType, value)) return 0;
  }
  return 1;
}

int32_t Merge_Value(int32_t a, int32_t b)
{
  if (a == MIXED_MEMBER_VALUE || b == MIXED_MEMBER_VALUE) return MIXED_MEMBER_VALUE;
  if (a == NO_MEMBER_VALUE) return b;
  if (b == NO_MEMBER_VALUE) return a;
  return a == b ? a : MIXED_MEMBER_VALUE;
}

int32_t Get_Link_Adapters_Value(int32_t linkId)
{
  int32_t common = NO_MEMBER_VALUE;
  for (Adapter* adapter = First_Adapter(); adapter && common != MIXED_MEMBER_VALUE; adapter = adapter->next)
    if (adapter->link_id == linkId) common = Merge_Value(common, adapter->ConnectionType);
  return common;
}

int32_t Get_Link_Sel_Adapters_Value(int32_t linkId, const int* positions, int count)
{
  int32_t common = NO_MEMBER_VALUE;
  if (!positions || count <= 0) return common;
  int position = 0;
  int taken = 0;
  for (Adapter* adapter = First_Adapter(); adapter && common != MIXED_MEMBER_VALUE; adapter = adapter->next) {
    if (adapter->link_id != linkId) continue;
    if (position++ != positions[taken]) continue;
    common = Merge_Value(common, adapter->ConnectionType);
    if (++taken == count) break;
  }
  return common;
}

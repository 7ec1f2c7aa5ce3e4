#include "model/membership.h"
#include "model/adapters.h"
#include "model/links.h"
#include "model/message_buffer.h"
#include "model/priority.h"
#include "model_lists.h"

int Add_Adapter_Entry_to_Link(Link* link, Adapter* adapter)
{
  if (!link || !adapter) {
    Set_Model_Message("Invalid parameter(s) to Add_Adapter_Entry_to_Link!");
    return 0;
  }
  // An adapter is counted once per trunk: already a member, nothing changes;
  // a member of another trunk leaves that trunk first, so both counts stay true.
  if (adapter->link_id == link->LinkID) return 1;
  if (adapter->link_id != 0) {
    if (Link* previous = Find_Link(adapter->link_id))
      Remove_Adapter_Entry_from_Link(previous, adapter);
  }
  adapter->link_id = link->LinkID;
  ++link->NumAdapters;
  return 1;
}

int Add_Nth_Adapter_to_Link(Link* link, int position)
{
  if (!link || position < 0) {
    Set_Model_Message("Invalid parameters supplied to Add_Nth_Adapter_to_Link!");
    return 0;
  }
  Adapter* adapter = Get_Nth_Adapter(position, 0);
  return adapter ? Add_Adapter_Entry_to_Link(link, adapter) : 0;
}

int Add_Adapters_to_Link(Link* link, const int* positions, int count)
{
  if (!link || count < 0 || (count > 0 && !positions)) {
    Set_Model_Message("Invalid parameters supplied to Add_Adapters_to_Link!");
    return 0;
  }
  for (int i = count - 1; i >= 0; --i)
    if (!Add_Nth_Adapter_to_Link(link, positions[i])) return 0;
  return 1;
}

int Remove_Adapter_Entry_from_Link(Link* link, Adapter* adapter)
{
  // Only a member can leave: anything else would make NumAdapters wrong.
  if (!link || !adapter || adapter->link_id != link->LinkID) {
    Set_Model_Message("Invalid parameter(s) to Remove_Adapter_Entry_from_Link!");
    return 0;
  }
  adapter->link_id = 0;
  --link->NumAdapters;
  if (link->NumAdapters > 0)
    Limit_Priority_Ports(link->Priorities, link->NumAdapters);
  else
    Delete_Priority_List(&link->Priorities);
  return 1;
}

int Remove_Nth_Adapter_from_Link(Link* link, int position)
{
  if (!link || position < 0) {
    Set_Model_Message("Invalid parameters supplied to Remove_Nth_Adapter_from_Link!");
    return 0;
  }
  Adapter* adapter = Get_Nth_Adapter(position, link->LinkID);
  return adapter ? Remove_Adapter_Entry_from_Link(link, adapter) : 0;
}

int Remove_Adapters_from_Link(Link* link, const int* positions, int count)
{
  if (!link || count < 0 || (count > 0 && !positions)) {
    Set_Model_Message("Invalid parameters supplied to Remove_Adapters_from_Link!");
    return 0;
  }
  for (int i = count - 1; i >= 0; --i)
    if (!Remove_Nth_Adapter_from_Link(link, positions[i])) return 0;
  return 1;
}

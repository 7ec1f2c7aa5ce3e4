#include "model/adapters.h"
#include <cstring>
#include "model/message_buffer.h"
#include "model/model_codes.h"
#include "model/text_field.h"
#include "model_lists.h"

Adapter* Add_Adapter(const AdapterValues& values)
{
  ModelLists& lists = Model_Lists();
  if (Adapter* adapter = lists.adapterLocations.Find(values.BusNumber, values.SlotNumber, values.FunctionNumber)) {
    adapter->PortNumber = values.PortNumber;
    adapter->ConnectionType = values.ConnectionType;
    adapter->RdCount = values.RdCount;
    adapter->TdCount = values.TdCount;
    return adapter;
  }
  // The last adapter's id plus one. A registry load overwrites the id of the
  // adapter it just added; taking the highest id handed out as well keeps ids
  // unique when that broke their order.
  int64_t highestId = lists.highestAdapterId;
  if (lists.lastAdapter && lists.lastAdapter->adapter_id > highestId) highestId = lists.lastAdapter->adapter_id;
  const int32_t id = Next_Record_Id(lists.firstAdapter, lists.adapterCount, highestId, &Adapter::adapter_id);
  if (id == 0 || !lists.adapterLocations.Reserve_One()) {
    Set_Model_Message("Failure to allocate Adapter structure!");
    return nullptr;
  }

  Adapter* adapter = Alloc_Record<Adapter>();
  if (!adapter) {
    Set_Model_Message("Failure to allocate Adapter structure!");
    return nullptr;
  }
  adapter->adapter_id = id;
  adapter->msg = Make_Display_Name(adapter->adapter_id, values.Model, values.BusNumber, values.SlotNumber);
  if (!adapter->msg) {
    Model_Free(adapter);
    return nullptr;
  }
  static_cast<AdapterValues&>(*adapter) = values;
  lists.adapterLocations.Insert(adapter);
  if (id > lists.highestAdapterId) lists.highestAdapterId = id;

  if (lists.lastAdapter)
    lists.lastAdapter->next = adapter;
  else
    lists.firstAdapter = adapter;
  lists.lastAdapter = adapter;
  ++lists.adapterCount;
  return adapter;
}

Adapter* Get_Nth_Adapter(int n, int32_t linkId)
{
  if (n < 0) {
    Set_Model_Message("Invalid list position (%d) in Get_Nth_Adapter!", n);
    return nullptr;
  }
  int position = 0;
  for (Adapter* adapter = Model_Lists().firstAdapter; adapter; adapter = adapter->next)
    if (adapter->link_id == linkId && position++ == n) return adapter;
  Set_Model_Message("Nth (%d) adapter past end of adapter list!", n);
  return nullptr;
}

int Set_Adapter_Value(Adapter* adapter, int valueType, int32_t value)
{
  if (!adapter) {
    Set_Model_Message("No adapter to set value!");
    return 0;
  }
  switch (valueType) {
    case VALUE_CONNECTION_TYPE: adapter->ConnectionType = value; return 1;
    case VALUE_RD_COUNT: adapter->RdCount = value; return 1;
    case VALUE_TD_COUNT: adapter->TdCount = value; return 1;
    default:
      Set_Model_Message("Unknown value type (%d) to set!", valueType);
      return 0;
  }
}

int Set_Adapter_Id(Adapter* adapter, int32_t id)
{
  ModelLists& lists = Model_Lists();
  if (!adapter || id <= 0) {
    Set_Model_Message("Invalid adapter id (%d) to set!", id);
    return 0;
  }
  for (const Adapter* other = lists.firstAdapter; other; other = other->next)
    if (other != adapter && other->adapter_id == id) {
      Set_Model_Message("Adapter id (%d) already in use!", id);
      return 0;
    }
  adapter->adapter_id = id;
  if (id > lists.highestAdapterId) lists.highestAdapterId = id;
  return 1;
}

int Replace_Display_Name(Adapter* adapter, const char* text)
{
  if (!adapter) return 0;
  char* name = static_cast<char*>(Model_Alloc(DISPLAY_NAME_MAX + 1));
  if (!name) {
    Set_Model_Message("Failure to allocate message buffer!");
    return 0;
  }
  Copy_Text_Field(name, DISPLAY_NAME_MAX + 1, text);
  Model_Free(adapter->msg);
  adapter->msg = name;
  return 1;
}

void Delete_All_Adapters()
{
  ModelLists& lists = Model_Lists();
  Adapter* adapter = lists.firstAdapter;
  while (adapter) {
    Adapter* next = adapter->next;
    Model_Free(adapter->msg);
    Model_Free(adapter);
    adapter = next;
  }
  lists.firstAdapter = lists.lastAdapter = nullptr;
  lists.adapterCount = 0;
  lists.adapterLocations.Clear();
  lists.highestAdapterId = 0;
}

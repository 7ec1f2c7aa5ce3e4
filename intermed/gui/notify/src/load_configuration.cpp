// Rebuilds the model from the configuration tree, adding to what it holds.
#include "model/adapters.h"
#include "model/links.h"
#include "model/model_alloc.h"
#include "model/model_codes.h"
#include "model/priority.h"
#include "model/text_field.h"
#include "notify/configuration_store.h"
#include "reg_info.h"
#include "registry_values.h"

namespace {

// Counts beyond this are taken as this: a damaged count must not keep the
// loader opening missing keys for hours. A save spends far fewer indices.
constexpr uint32_t MAX_LOADED_INDICES = 65536;

int Capped(uint32_t count) { return static_cast<int>(count < MAX_LOADED_INDICES ? count : MAX_LOADED_INDICES); }

// A count that cannot be read is 0.
int Read_Count(HKEY key, LPCWSTR name)
{
  uint32_t count = 0;
  return Read_Number(key, name, &count) ? Capped(count) : 0;
}

void Read_Int(HKEY key, LPCWSTR name, int32_t* field)
{
  uint32_t number;
  if (Read_Number(key, name, &number)) *field = static_cast<int32_t>(number);
}

void Read_Unsigned(HKEY key, LPCWSTR name, uint32_t* field) { Read_Number(key, name, field); }

// A stored text longer than its field is cut to the field.
bool Read_Field_Text(HKEY key, LPCWSTR name, DWORD bufferSize, char* field, std::size_t fieldSize)
{
  char* text = nullptr;
  const TextRead read = Read_Text(key, name, bufferSize, &text);
  if (read == TextRead::Read) {
    Copy_Text_Field(field, fieldSize, text);
    Model_Free(text);
  }
  return read != TextRead::OutOfMemory;
}

bool Read_Rule(HKEY key, PriorityTrunk* rule)
{
  Read_Flag(key, REG_TEXT("cancel"), &rule->cancel);
  Read_Flag(key, REG_TEXT("defFlag"), &rule->defFlag);
  Read_Unsigned(key, REG_TEXT("netproto"), &rule->netproto);
  bool ok = Read_Field_Text(key, REG_TEXT("netmsg"), TEXT_DATA_LENGTH, rule->netmsg, sizeof rule->netmsg);
  Read_Flag(key, REG_TEXT("typeenable"), &rule->typeenable);
  Read_Unsigned(key, REG_TEXT("prototype"), &rule->prototype);
  ok = Read_Field_Text(key, REG_TEXT("protomsg"), TEXT_DATA_LENGTH, rule->protomsg, sizeof rule->protomsg) && ok;
  Read_Int(key, REG_TEXT("ports"), &rule->ports);
  Read_Flag(key, REG_TEXT("destenable"), &rule->destenable);
  Read_Unsigned(key, REG_TEXT("destaddr"), &rule->destaddr);
  Read_Unsigned(key, REG_TEXT("netmask"), &rule->netmask);
  Read_Flag(key, REG_TEXT("sockenable"), &rule->sockenable);
  Read_Unsigned(key, REG_TEXT("socket"), &rule->socket);
  ok = Read_Field_Text(key, REG_TEXT("sockmsg"), TEXT_DATA_LENGTH, rule->sockmsg, sizeof rule->sockmsg) && ok;
  ok = Read_Field_Text(key, REG_TEXT("priorityinfo"), TEXT_DATA_LENGTH, rule->priorityinfo,
                       sizeof rule->priorityinfo) && ok;
  return ok;
}

// Keeps the stored order, which is the priority order: each rule goes behind
// those read before it, and the default rule stays last. A second default
// (a damaged store) is kept as an ordinary rule. The default rule is settled
// whatever "cancel" says: cancelling the priority dialog must not leave the
// trunk with rules but no default.
void Append_Loaded_Rule(Link* link, PriorityTrunk* rule)
{
  if (rule->defFlag) {
    if (Add_Priority(&link->Priorities, rule)) {
      rule->cancel = 0;
      return;
    }
    rule->defFlag = 0;
  }
  PriorityTrunk** slot = &link->Priorities;
  while (*slot && !(*slot)->defFlag) slot = &(*slot)->next;
  rule->next = *slot;
  *slot = rule;
}

// False when the model ran out of memory.
bool Load_Rules(HKEY trunkKey, int trunk, Link* link)
{
  const int count = Read_Count(trunkKey, REG_TEXT("PriorityCount"));
  for (int j = 0; j < count; ++j) {
    HKEY key;
    if (Open_Key(Rule_Key_Path(trunk, j), &key) != ERROR_SUCCESS) continue;
    PriorityTrunk* rule = New_Priority(link->NumAdapters);
    const bool read = rule && Read_Rule(key, rule);
    RegCloseKey(key);
    if (!read) {
      if (rule) Free_Priority(rule);
      return false;
    }
    Append_Loaded_Rule(link, rule);
  }
  return true;
}

// What the model held before this load began: the lists' heads up to these
// records. Records are only ever appended, so they stay a prefix.
struct HeldBefore {
  const Link* lastLink;
  const Adapter* lastAdapter;
};

bool Link_Held(const HeldBefore& held, int32_t id)
{
  if (!held.lastLink) return false;
  for (const Link* link = First_Link(); link; link = link->next) {
    if (link->LinkID == id) return true;
    if (link == held.lastLink) break;
  }
  return false;
}

bool Adapter_Held(const HeldBefore& held, const AdapterValues& at)
{
  if (!held.lastAdapter) return false;
  for (const Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next) {
    if (adapter->BusNumber == at.BusNumber && adapter->SlotNumber == at.SlotNumber &&
        adapter->FunctionNumber == at.FunctionNumber)
      return true;
    if (adapter == held.lastAdapter) break;
  }
  return false;
}

// A trunk whose stored LinkID the model already held is that trunk: it is
// not added again, so loading twice adds nothing the second time.
bool Load_Trunk(HKEY key, int trunk, const HeldBefore& held)
{
  uint32_t storedId = 0;
  const bool hasId = Read_Number(key, REG_TEXT("LinkID"), &storedId);
  if (hasId && Link_Held(held, static_cast<int32_t>(storedId))) return true;

  Link* link = Add_Link();
  if (!link) return false;
  char* name = nullptr;
  switch (Read_Text(key, REG_TEXT("TrunkName"), TRUNK_NAME_DATA_LENGTH, &name)) {
    case TextRead::Read:
      Set_Trunk_Name(link, name);
      Model_Free(name);
      break;
    case TextRead::Absent: Set_Trunk_Name(link, link->DisplayName); break;
    case TextRead::OutOfMemory: return false;
  }
  Read_Int(key, REG_TEXT("TrunkType"), &link->TrunkType);
  Read_Int(key, REG_TEXT("TransType"), &link->TransType);
  // An id that is not above 0 or that another trunk holds (a damaged store)
  // is refused: the trunk keeps the one it was given.
  if (hasId) Set_Link_Id(link, static_cast<int32_t>(storedId));
  Read_Int(key, REG_TEXT("NumAdapters"), &link->NumAdapters);
  return Load_Rules(key, trunk, link);
}

enum class AdapterLoad { Loaded, Skipped, OutOfMemory };

// An adapter key without a whole "reg_info", or with a model code the model
// does not know, is skipped: the model never gets numbers that were not stored.
// An adapter at a location the model already held is left as the model has it.
AdapterLoad Load_Adapter(HKEY key, const HeldBefore& held)
{
  uint8_t regInfo[REG_INFO_SIZE];
  if (!Read_Binary(key, REG_TEXT("reg_info"), regInfo, REG_INFO_SIZE)) return AdapterLoad::Skipped;
  const AdapterValues values = Unpack_Reg_Info(regInfo);
  if (!Model_Code_Row(values.Model)) return AdapterLoad::Skipped;
  if (Adapter_Held(held, values)) return AdapterLoad::Skipped;
  Adapter* adapter = Add_Adapter(values);
  if (!adapter) return AdapterLoad::OutOfMemory;
  uint32_t number;
  // A refused id (not above 0, or held by another adapter) keeps the adapter's own.
  if (Read_Number(key, REG_TEXT("adapter_id"), &number)) Set_Adapter_Id(adapter, static_cast<int32_t>(number));
  // A trunk that is not in the model leaves the adapter available.
  if (Read_Number(key, REG_TEXT("link_id"), &number))
    adapter->link_id = Find_Link(static_cast<int32_t>(number)) ? static_cast<int32_t>(number) : 0;
  char* name = nullptr;
  const TextRead read = Read_Text(key, REG_TEXT("msg"), TEXT_DATA_LENGTH, &name);
  if (read == TextRead::OutOfMemory) return AdapterLoad::OutOfMemory;
  if (read == TextRead::Read) {
    const int replaced = Replace_Display_Name(adapter, name);
    Model_Free(name);
    if (!replaced) return AdapterLoad::OutOfMemory;
  }
  return AdapterLoad::Loaded;
}

// A stored member count may disagree with the members that were loaded (an
// adapter key lost, a damaged store): each trunk counts its members.
void Count_Members()
{
  for (Link* link = First_Link(); link; link = link->next) {
    int members = 0;
    for (const Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next)
      members += adapter->link_id == link->LinkID;
    link->NumAdapters = members;
  }
}

LONG Load_Tree(HKEY service, const HeldBefore& held)
{
  uint32_t storedTrunks = 0;
  if (!Read_Number(service, REG_TEXT("TrunkCount"), &storedTrunks)) return ERROR_SUCCESS;

  const int trunkCount = Capped(storedTrunks);
  for (int i = 0; i < trunkCount; ++i) {
    HKEY key;
    if (Open_Key(Trunk_Key_Path(i), &key) != ERROR_SUCCESS) continue;
    const bool loaded = Load_Trunk(key, i, held);
    RegCloseKey(key);
    if (!loaded) return ERROR_NOT_ENOUGH_MEMORY;
  }

  const int adapterCount = Read_Count(service, REG_TEXT("AdapterCount"));
  for (int k = 0; k < adapterCount; ++k) {
    HKEY key;
    if (Open_Key(Adapter_Key_Path(k), &key) != ERROR_SUCCESS) continue;
    const AdapterLoad loaded = Load_Adapter(key, held);
    RegCloseKey(key);
    if (loaded == AdapterLoad::OutOfMemory) return ERROR_NOT_ENOUGH_MEMORY;
  }
  return adapterCount == 0 ? 1 : ERROR_SUCCESS;
}

}  // namespace

LONG LoadConfiguration()
{
  HKEY service;
  const LONG status = Open_Key(Service_Key_Path(), &service);
  if (status != ERROR_SUCCESS) return status;
  HeldBefore held = {nullptr, nullptr};
  for (const Link* link = First_Link(); link; link = link->next) held.lastLink = link;
  for (const Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next) held.lastAdapter = adapter;
  const LONG result = Load_Tree(service, held);
  RegCloseKey(service);
  Count_Members();
  return result;
}

// Writes the model into the configuration tree, in the order the driver's
// layout fixes: counts, trunks with their rules, adapters.
#include "model/adapters.h"
#include "model/links.h"
#include "model/priority.h"
#include "notify/configuration_store.h"
#include "reg_info.h"
#include "registry_values.h"

namespace {

// A record whose key is refused under this many indices in a row is given
// up, so that a store that refuses every key still ends the save.
constexpr int MAX_REFUSED_INDICES = 8;

// The status of the last service, trunk or rule key tried, unless something
// could not be stored at all: a lost record or count must not look like success.
class SaveResult {
public:
  void Key_Tried(LONG status) { last_ = status; }
  void Lost(LONG status) { lost_ = status; }
  // Only a text that could not be widened is a loss; other value writes are not looked at.
  void Text_Written(LONG status)
  {
    if (status == ERROR_NOT_ENOUGH_MEMORY) Lost(status);
  }
  LONG Value() const { return lost_ != ERROR_SUCCESS ? lost_ : last_; }

private:
  LONG last_ = ERROR_SUCCESS;
  LONG lost_ = ERROR_SUCCESS;
};

// Creates the key of one record under the next index, trying the following
// index while the store refuses. *index ends after the last index spent.
template <typename PathOf>
LONG Create_Record_Key(PathOf pathOf, int* index, HKEY* key)
{
  LONG status = ERROR_SUCCESS;
  for (int attempt = 0; attempt < MAX_REFUSED_INDICES; ++attempt) {
    status = Create_Key(pathOf((*index)++), key);
    if (status == ERROR_SUCCESS) break;
  }
  return status;
}

void Write_Rule(HKEY key, const PriorityTrunk& rule, SaveResult& result)
{
  Write_Number(key, REG_TEXT("cancel"), rule.cancel);
  Write_Number(key, REG_TEXT("defFlag"), rule.defFlag);
  Write_Number(key, REG_TEXT("netproto"), rule.netproto);
  result.Text_Written(Write_Fixed_Text(key, REG_TEXT("netmsg"), rule.netmsg, sizeof rule.netmsg, TEXT_DATA_LENGTH));
  Write_Number(key, REG_TEXT("typeenable"), rule.typeenable);
  Write_Number(key, REG_TEXT("prototype"), rule.prototype);
  result.Text_Written(
      Write_Fixed_Text(key, REG_TEXT("protomsg"), rule.protomsg, sizeof rule.protomsg, TEXT_DATA_LENGTH));
  Write_Number(key, REG_TEXT("destenable"), rule.destenable);
  Write_Number(key, REG_TEXT("destaddr"), rule.destaddr);
  Write_Number(key, REG_TEXT("netmask"), rule.netmask);
  Write_Number(key, REG_TEXT("sockenable"), rule.sockenable);
  Write_Number(key, REG_TEXT("socket"), rule.socket);
  result.Text_Written(Write_Fixed_Text(key, REG_TEXT("sockmsg"), rule.sockmsg, sizeof rule.sockmsg, TEXT_DATA_LENGTH));
  Write_Number(key, REG_TEXT("ports"), static_cast<uint32_t>(rule.ports));
  result.Text_Written(Write_Fixed_Text(key, REG_TEXT("priorityinfo"), rule.priorityinfo, sizeof rule.priorityinfo,
                                       TEXT_DATA_LENGTH));
}

void Save_Trunk(HKEY key, int trunk, const Link& link, SaveResult& result)
{
  result.Text_Written(
      Write_Fixed_Text(key, REG_TEXT("TrunkName"), link.TrunkName, sizeof link.TrunkName, TRUNK_NAME_DATA_LENGTH));
  Write_Number(key, REG_TEXT("TrunkType"), static_cast<uint32_t>(link.TrunkType));
  Write_Number(key, REG_TEXT("TransType"), static_cast<uint32_t>(link.TransType));
  Write_Number(key, REG_TEXT("LinkID"), static_cast<uint32_t>(link.LinkID));
  Write_Number(key, REG_TEXT("NumAdapters"), static_cast<uint32_t>(link.NumAdapters));

  int index = 0;
  for (const PriorityTrunk* rule = link.Priorities; rule; rule = rule->next) {
    HKEY ruleKey;
    const LONG status = Create_Record_Key([trunk](int j) { return Rule_Key_Path(trunk, j); }, &index, &ruleKey);
    result.Key_Tried(status);
    if (status != ERROR_SUCCESS) {
      result.Lost(status);
      continue;
    }
    Write_Rule(ruleKey, *rule, result);
    RegCloseKey(ruleKey);
  }
  // Without its count the driver would see none of the rules.
  const LONG status = Write_Number(key, REG_TEXT("PriorityCount"), static_cast<uint32_t>(index));
  if (status != ERROR_SUCCESS) result.Lost(status);
}

void Save_Adapter(HKEY key, const Adapter& adapter, SaveResult& result)
{
  Write_Number(key, REG_TEXT("adapter_id"), static_cast<uint32_t>(adapter.adapter_id));
  Write_Number(key, REG_TEXT("link_id"), static_cast<uint32_t>(adapter.link_id));
  result.Text_Written(Write_Fixed_Text(key, REG_TEXT("msg"), adapter.msg ? adapter.msg : "", DISPLAY_NAME_MAX,
                                       TEXT_DATA_LENGTH));
  uint8_t regInfo[REG_INFO_SIZE];
  Pack_Reg_Info(adapter, regInfo);
  Write_Binary(key, REG_TEXT("reg_info"), regInfo, REG_INFO_SIZE);
}

}  // namespace

LONG SaveConfiguration()
{
  int trunkCount = 0;
  for (const Link* link = First_Link(); link; link = link->next) ++trunkCount;

  SaveResult result;
  HKEY service;
  LONG status = Create_Key(Service_Key_Path(), &service);
  if (status != ERROR_SUCCESS) return status;
  status = Write_Number(service, REG_TEXT("TrunkCount"), static_cast<uint32_t>(trunkCount));
  if (status != ERROR_SUCCESS) {
    RegCloseKey(service);
    return status;
  }

  // A refused trunk key spends its index and the trunk goes under the next
  // one; every trunk is still stored, and the count follows the indices spent.
  int trunkIndex = 0;
  for (const Link* link = First_Link(); link; link = link->next) {
    HKEY key;
    status = Create_Record_Key(Trunk_Key_Path, &trunkIndex, &key);
    result.Key_Tried(status);
    if (status != ERROR_SUCCESS) {
      result.Lost(status);
      continue;
    }
    Save_Trunk(key, trunkIndex - 1, *link, result);
    RegCloseKey(key);
  }
  if (trunkIndex != trunkCount) {
    status = Write_Number(service, REG_TEXT("TrunkCount"), static_cast<uint32_t>(trunkIndex));
    if (status != ERROR_SUCCESS) result.Lost(status);
  }

  int adapterIndex = 0;
  for (const Adapter* adapter = First_Adapter(); adapter; adapter = adapter->next) {
    HKEY key;
    status = Create_Record_Key(Adapter_Key_Path, &adapterIndex, &key);
    if (status != ERROR_SUCCESS) {
      result.Lost(status);
      continue;
    }
    Save_Adapter(key, *adapter, result);
    RegCloseKey(key);
  }
  status = Write_Number(service, REG_TEXT("AdapterCount"), static_cast<uint32_t>(adapterIndex));
  if (status != ERROR_SUCCESS) result.Lost(status);

  RegCloseKey(service);
  return result.Value();
}

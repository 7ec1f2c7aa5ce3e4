// libFuzzer target: the bytes lay out a stored configuration tree in the
// in-memory registry (counts below 64, missing keys and values, any value types,
// over-long values, any bytes); the loader reads it into an empty model and
// again into the filled one. Afterwards the model keeps its invariants, save,
// load, save gives two identical trees, and loading a saved tree again adds
// nothing.
//
// Input: records of [key] [index] [name] [type] [length] [data...].
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <hostreg/registry_testing.h>

#include "model/model.h"
#include "fuzz_bytes.h"
#include "model_invariants.h"
#include "notify/configuration_store.h"

namespace {

const std::string kService = "System\\CurrentControlSet\\Services\\TmrxLink";

// Every name the tree holds, and one it never does.
const char* const kNames[] = {
    "TrunkCount", "AdapterCount", "PriorityCount", "TrunkName", "TrunkType",    "TransType",  "LinkID",
    "NumAdapters", "cancel",      "defFlag",       "netproto",  "netmsg",       "typeenable", "prototype",
    "protomsg",   "destenable",   "destaddr",      "netmask",   "sockenable",   "socket",     "sockmsg",
    "ports",      "priorityinfo", "adapter_id",    "link_id",   "msg",          "reg_info",   "stray",
};
constexpr std::size_t kNameCount = sizeof kNames / sizeof kNames[0];
const DWORD kTypes[] = {REG_DWORD, REG_SZ, REG_BINARY, REG_NONE};

using trx_fuzz::FuzzBytes;

// Four trunk keys with four rule keys each and eight adapter keys: room for
// every collision, small enough that a save stays quick.
std::string Key_Path(uint8_t kind, uint8_t index)
{
  switch (kind & 3) {
    case 0: return kService;
    case 1: return kService + "\\Trunk" + std::to_string(index & 3);
    case 2: return kService + "\\Trunk" + std::to_string(index & 3) + "\\Priority" + std::to_string((index >> 4) & 3);
    default: return kService + "\\Adapter" + std::to_string(index & 7);
  }
}

// Lengths up to 199 as given; beyond, in steps of 12 up to 863 bytes, and two
// lengths just past the buffers the loader reads into (256 and 1024 bytes).
std::size_t Value_Length(uint8_t code)
{
  if (code < 200) return code;
  if (code == 254) return 258;
  if (code == 255) return 1026;
  return 200 + (code - 200) * 12u;
}

bool Is_Count(const std::string& name)
{
  return name == "TrunkCount" || name == "AdapterCount" || name == "PriorityCount";
}

// The tree holds at most 8 keys of a kind, so a count past that only walks
// over missing indices, the same for any larger count; counts are kept below
// 64 so that each run stays fast (the unit tests load the huge ones). The
// value's type and length stay as given.
void Keep_Count_Small(std::vector<uint8_t>* data)
{
  if (data->size() > 4) return;
  for (std::size_t i = 1; i < data->size(); ++i) (*data)[i] = 0;
  if (!data->empty()) (*data)[0] &= 63;
}

void Lay_Out_Tree(FuzzBytes& input)
{
  hostreg::PutKey(kService);
  while (!input.empty()) {
    const uint8_t kind = input.Byte();
    const std::string path = Key_Path(kind, input.Byte());
    const char* name = kNames[input.Byte() % kNameCount];
    const DWORD type = kTypes[input.Byte() & 3];
    // Past the end of the input the bytes are 0.
    const std::size_t length = Value_Length(input.Byte());
    std::vector<uint8_t> data = input.Take(length);
    data.resize(length, 0);
    if (Is_Count(name)) Keep_Count_Small(&data);
    // A key without values is still a key the loader opens.
    if (kind & 0x80)
      hostreg::PutKey(path);
    else
      hostreg::PutValue(path, name, type, std::move(data));
  }
}

struct StoredTree {
  std::vector<std::string> entries;
  bool operator==(const StoredTree& other) const { return entries == other.entries; }
};

void Dump_Key(const std::string& path, StoredTree* tree)
{
  tree->entries.push_back("key " + path);
  for (const std::string& name : hostreg::ValueNames(path)) {
    const auto value = hostreg::Value(path, name);
    std::string entry = "value " + name + " " + std::to_string(value->type) + ":";
    entry.append(value->data.begin(), value->data.end());
    tree->entries.push_back(std::move(entry));
  }
  for (const std::string& subkey : hostreg::SubkeyNames(path)) Dump_Key(path + "\\" + subkey, tree);
}

// Saves the model into an empty store and returns what was stored.
StoredTree Save_Fresh()
{
  hostreg::Reset();
  Fuzz_Check(SaveConfiguration() == ERROR_SUCCESS, "a save into an empty store succeeds");
  StoredTree tree;
  Dump_Key(kService, &tree);
  return tree;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size)
{
  hostreg::Reset();
  Empty_Model();
  FuzzBytes input(data, size);
  Lay_Out_Tree(input);
  LoadConfiguration();
  Check_Model_Invariants(IdOrder::Unique);
  Fuzz_Check(hostreg::OpenHandles() == 0, "the load closes every key");
  // Once more, into the model that already holds the stored records.
  LoadConfiguration();
  Check_Model_Invariants(IdOrder::Unique);

  Empty_Model();
  LoadConfiguration();
  const StoredTree first = Save_Fresh();
  Empty_Model();
  LoadConfiguration();
  Check_Model_Invariants(IdOrder::Unique);
  const int adapters = Adapter_Count();
  const int links = Link_Count();
  LoadConfiguration();
  Fuzz_Check(Adapter_Count() == adapters && Link_Count() == links, "loading a saved tree again adds nothing");
  Fuzz_Check(Save_Fresh() == first, "save, load, save gives identical trees");

  hostreg::Reset();
  Empty_Model();
  return 0;
}

// The in-memory store behind the registry calls: a tree of keys from
// HKEY_LOCAL_MACHINE, the open handles, the refusals and the call log.
#pragma once

#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "hostreg/registry_testing.h"

namespace hostreg {

struct KeyNode {
  std::u16string name;  // as first created
  std::vector<std::unique_ptr<KeyNode>> subkeys;
  std::vector<std::pair<std::u16string, StoredValue>> values;  // in first-write order
};

struct OpenKey {
  KeyNode* node;
  std::u16string path;  // full path from the root, "" for the root itself
};

struct RegistryState {
  KeyNode root;
  std::map<uintptr_t, OpenKey> handles;
  uintptr_t nextHandle = 0x1000;
  std::set<std::u16string> refusedKeys;                                 // folded paths
  std::set<std::pair<std::u16string, std::u16string>> refusedValues;    // folded path, folded name
  std::vector<CallRecord> calls;
};

RegistryState& State();

std::u16string Fold(const std::u16string& text);
// Equal without regard to case, as the platform compares names.
bool SameName(const std::u16string& a, const char16_t* b, std::size_t length);
std::u16string Widen(const std::string& ascii);
std::string Narrow(const std::u16string& text);

// False, with the status, for a malformed key path (leading, trailing or
// doubled backslash, a name over 255 units).
bool CheckPath(const std::u16string& path, LONG* status);
std::u16string JoinPath(const std::u16string& base, const std::u16string& relative);

KeyNode* FindSubkey(KeyNode& parent, const char16_t* name, std::size_t length);
KeyNode* FindKey(const std::u16string& fullPath);
// Creates the missing keys on the way; the key at the end.
KeyNode* MakeKey(const std::u16string& fullPath);

StoredValue* FindValue(KeyNode& key, const std::u16string& name);
void StoreValue(KeyNode& key, const std::u16string& name, StoredValue value);

}  // namespace hostreg

// Test controls of the in-memory registry: its contents, refusals and the log
// of every call. Paths are ASCII, from HKEY_LOCAL_MACHINE, with backslashes,
// and compare without regard to case, as the platform's do.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hostreg/registry.h"

namespace hostreg {

struct StoredValue {
  DWORD type;
  std::vector<uint8_t> data;
};

enum class Call : uint8_t { Create, Open, SetValue, QueryValue, Close };

struct CallRecord {
  Call call;
  std::string path;       // full path of the key the call worked on
  bool fromRoot;          // Create, Open: the path was given from HKEY_LOCAL_MACHINE
  std::string valueName;  // SetValue, QueryValue
  REGSAM access;          // Create, Open
  DWORD options;          // Create
  LONG status;
};

// Empties the store, forgets refusals and the log; open handles become invalid.
void Reset();

// Every later create or open of exactly this key fails with ERROR_ACCESS_DENIED.
void RefuseKey(const std::string& path);
// Every later write of this value of this key fails with ERROR_ACCESS_DENIED.
void RefuseValue(const std::string& path, const std::string& name);

// Creates the key (and those above it) without going through the calls or the log.
void PutKey(const std::string& path);
void PutValue(const std::string& path, const std::string& name, DWORD type, std::vector<uint8_t> data);
void PutDword(const std::string& path, const std::string& name, uint32_t value);
void PutText(const std::string& path, const std::string& name, const std::u16string& text);

bool HasKey(const std::string& path);
std::optional<StoredValue> Value(const std::string& path, const std::string& name);
// Names in the order they were first written; subkey names as created.
std::vector<std::string> ValueNames(const std::string& path);
std::vector<std::string> SubkeyNames(const std::string& path);

const std::vector<CallRecord>& Calls();
void ClearCalls();
// Handles opened or created and not yet closed.
int OpenHandles();

}  // namespace hostreg

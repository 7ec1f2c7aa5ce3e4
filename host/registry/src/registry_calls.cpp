// The platform's registry calls over the in-memory store.
#include <cstring>

#include "registry_state.h"

using namespace hostreg;

namespace {

constexpr uintptr_t kLocalMachine = 0x80000002u;

std::u16string Text(LPCWSTR text) { return text ? std::u16string(text) : std::u16string(); }

// The key behind a handle; false for a handle that is not open.
bool Resolve(HKEY key, OpenKey* open)
{
  const uintptr_t id = reinterpret_cast<uintptr_t>(key);
  if (id == kLocalMachine) {
    *open = OpenKey{&State().root, u""};
    return true;
  }
  auto found = State().handles.find(id);
  if (found == State().handles.end()) return false;
  *open = found->second;
  return true;
}

HKEY NewHandle(KeyNode* node, const std::u16string& path)
{
  RegistryState& state = State();
  const uintptr_t id = state.nextHandle;
  state.nextHandle += 4;
  state.handles[id] = OpenKey{node, path};
  return reinterpret_cast<HKEY>(id);
}

LONG Log(Call call, const std::u16string& path, const std::u16string& valueName, REGSAM access, DWORD options,
         LONG status, HKEY base = nullptr)
{
  const bool fromRoot = reinterpret_cast<uintptr_t>(base) == kLocalMachine;
  State().calls.push_back(CallRecord{call, Narrow(path), fromRoot, Narrow(valueName), access, options, status});
  return status;
}

bool KeyRefused(const std::u16string& path)
{
  const auto& refused = State().refusedKeys;
  return !refused.empty() && refused.count(Fold(path)) != 0;
}

// Resolves `key` + `subKey` to a full path; the status on failure.
LONG TargetPath(HKEY key, LPCWSTR subKey, std::u16string* path)
{
  OpenKey base;
  if (!Resolve(key, &base)) return ERROR_INVALID_HANDLE;
  LONG status = ERROR_SUCCESS;
  if (!CheckPath(Text(subKey), &status)) return status;
  *path = JoinPath(base.path, Text(subKey));
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD options, REGSAM access,
                     const SECURITY_ATTRIBUTES*, PHKEY result, LPDWORD disposition)
{
  std::u16string path;
  LONG status = TargetPath(key, subKey, &path);
  if (status == ERROR_SUCCESS && !result) status = ERROR_INVALID_PARAMETER;
  if (status == ERROR_SUCCESS && options > REG_OPTION_VOLATILE) status = ERROR_INVALID_PARAMETER;
  if (status == ERROR_SUCCESS && KeyRefused(path)) status = ERROR_ACCESS_DENIED;
  if (status != ERROR_SUCCESS) return Log(Call::Create, path, u"", access, options, status, key);

  const bool existed = FindKey(path) != nullptr;
  KeyNode* node = MakeKey(path);
  *result = NewHandle(node, path);
  if (disposition) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
  return Log(Call::Create, path, u"", access, options, ERROR_SUCCESS, key);
}

LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM access, PHKEY result)
{
  std::u16string path;
  LONG status = TargetPath(key, subKey, &path);
  if (status == ERROR_SUCCESS && !result) status = ERROR_INVALID_PARAMETER;
  if (status == ERROR_SUCCESS && KeyRefused(path)) status = ERROR_ACCESS_DENIED;
  KeyNode* node = status == ERROR_SUCCESS ? FindKey(path) : nullptr;
  if (status == ERROR_SUCCESS && !node) status = ERROR_FILE_NOT_FOUND;
  if (status != ERROR_SUCCESS) return Log(Call::Open, path, u"", access, 0, status, key);

  *result = NewHandle(node, path);
  return Log(Call::Open, path, u"", access, 0, ERROR_SUCCESS, key);
}

LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD, DWORD type, const BYTE* data, DWORD size)
{
  OpenKey open{nullptr, u""};
  LONG status = Resolve(key, &open) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  if (status == ERROR_SUCCESS && size > 0 && !data) status = ERROR_INVALID_PARAMETER;
  if (status == ERROR_SUCCESS && !State().refusedValues.empty() && State().refusedValues.count({Fold(open.path), Fold(Text(name))}))
    status = ERROR_ACCESS_DENIED;
  if (status == ERROR_SUCCESS)
    StoreValue(*open.node, Text(name), StoredValue{type, std::vector<uint8_t>(data, data + size)});
  return Log(Call::SetValue, open.path, Text(name), 0, 0, status);
}

LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD, LPDWORD type, LPBYTE data, LPDWORD size)
{
  OpenKey open{nullptr, u""};
  LONG status = Resolve(key, &open) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
  if (status == ERROR_SUCCESS && data && !size) status = ERROR_INVALID_PARAMETER;
  const StoredValue* value = status == ERROR_SUCCESS ? FindValue(*open.node, Text(name)) : nullptr;
  if (status == ERROR_SUCCESS && !value) status = ERROR_FILE_NOT_FOUND;
  if (status == ERROR_SUCCESS) {
    const DWORD needed = static_cast<DWORD>(value->data.size());
    if (type) *type = value->type;
    if (data && *size < needed)
      status = ERROR_MORE_DATA;
    else if (data && needed > 0)
      std::memcpy(data, value->data.data(), needed);
    if (size) *size = needed;
  }
  return Log(Call::QueryValue, open.path, Text(name), 0, 0, status);
}

LONG RegCloseKey(HKEY key)
{
  const uintptr_t id = reinterpret_cast<uintptr_t>(key);
  if (id == kLocalMachine) return ERROR_SUCCESS;
  auto found = State().handles.find(id);
  if (found == State().handles.end()) return Log(Call::Close, u"", u"", 0, 0, ERROR_INVALID_HANDLE);
  const std::u16string path = found->second.path;
  State().handles.erase(found);
  return Log(Call::Close, path, u"", 0, 0, ERROR_SUCCESS);
}

#include "registry_state.h"

namespace hostreg {

RegistryState& State()
{
  static RegistryState state;
  return state;
}

namespace {
char16_t Fold_Unit(char16_t unit)
{
  return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}
}  // namespace

std::u16string Fold(const std::u16string& text)
{
  std::u16string folded = text;
  for (char16_t& unit : folded) unit = Fold_Unit(unit);
  return folded;
}

bool SameName(const std::u16string& a, const char16_t* b, std::size_t length)
{
  if (a.size() != length) return false;
  for (std::size_t i = 0; i < length; ++i)
    if (Fold_Unit(a[i]) != Fold_Unit(b[i])) return false;
  return true;
}

std::u16string Widen(const std::string& ascii)
{
  std::u16string wide(ascii.size(), u'\0');
  for (std::size_t i = 0; i < ascii.size(); ++i) wide[i] = static_cast<char16_t>(static_cast<unsigned char>(ascii[i]));
  return wide;
}

std::string Narrow(const std::u16string& text)
{
  std::string narrow;
  for (char16_t unit : text) narrow.push_back(unit < 0x80 ? static_cast<char>(unit) : '?');
  return narrow;
}

bool CheckPath(const std::u16string& path, LONG* status)
{
  if (path.empty()) return true;
  std::size_t start = 0;
  for (;;) {
    std::size_t end = path.find(u'\\', start);
    if (end == std::u16string::npos) end = path.size();
    if (end == start) {
      *status = ERROR_BAD_PATHNAME;
      return false;
    }
    if (end - start > 255) {
      *status = ERROR_INVALID_PARAMETER;
      return false;
    }
    if (end == path.size()) return true;
    start = end + 1;
  }
}

namespace {
// The end of the name that starts at `start` in a checked path.
std::size_t NameEnd(const std::u16string& path, std::size_t start)
{
  const std::size_t end = path.find(u'\\', start);
  return end == std::u16string::npos ? path.size() : end;
}
}  // namespace

std::u16string JoinPath(const std::u16string& base, const std::u16string& relative)
{
  if (base.empty()) return relative;
  if (relative.empty()) return base;
  return base + u'\\' + relative;
}

KeyNode* FindSubkey(KeyNode& parent, const char16_t* name, std::size_t length)
{
  for (auto& subkey : parent.subkeys)
    if (SameName(subkey->name, name, length)) return subkey.get();
  return nullptr;
}

KeyNode* FindKey(const std::u16string& fullPath)
{
  LONG status = ERROR_SUCCESS;
  if (!CheckPath(fullPath, &status)) return nullptr;
  KeyNode* key = &State().root;
  for (std::size_t start = 0; key && start < fullPath.size();) {
    const std::size_t end = NameEnd(fullPath, start);
    key = FindSubkey(*key, fullPath.data() + start, end - start);
    start = end + 1;
  }
  return key;
}

KeyNode* MakeKey(const std::u16string& fullPath)
{
  LONG status = ERROR_SUCCESS;
  if (!CheckPath(fullPath, &status)) return nullptr;
  KeyNode* key = &State().root;
  for (std::size_t start = 0; start < fullPath.size();) {
    const std::size_t end = NameEnd(fullPath, start);
    KeyNode* next = FindSubkey(*key, fullPath.data() + start, end - start);
    if (!next) {
      key->subkeys.push_back(std::make_unique<KeyNode>());
      next = key->subkeys.back().get();
      next->name = fullPath.substr(start, end - start);
    }
    key = next;
    start = end + 1;
  }
  return key;
}

StoredValue* FindValue(KeyNode& key, const std::u16string& name)
{
  for (auto& [valueName, value] : key.values)
    if (SameName(valueName, name.data(), name.size())) return &value;
  return nullptr;
}

void StoreValue(KeyNode& key, const std::u16string& name, StoredValue value)
{
  if (StoredValue* existing = FindValue(key, name))
    *existing = std::move(value);
  else
    key.values.emplace_back(name, std::move(value));
}

// --- test controls ---------------------------------------------------------

void Reset()
{
  State() = RegistryState();
}

void RefuseKey(const std::string& path) { State().refusedKeys.insert(Fold(Widen(path))); }

void RefuseValue(const std::string& path, const std::string& name)
{
  State().refusedValues.emplace(Fold(Widen(path)), Fold(Widen(name)));
}

void PutKey(const std::string& path) { MakeKey(Widen(path)); }

void PutValue(const std::string& path, const std::string& name, DWORD type, std::vector<uint8_t> data)
{
  if (KeyNode* key = MakeKey(Widen(path))) StoreValue(*key, Widen(name), StoredValue{type, std::move(data)});
}

void PutDword(const std::string& path, const std::string& name, uint32_t value)
{
  PutValue(path, name, REG_DWORD,
           {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)});
}

void PutText(const std::string& path, const std::string& name, const std::u16string& text)
{
  std::vector<uint8_t> data;
  for (char16_t unit : text) {
    data.push_back(static_cast<uint8_t>(unit));
    data.push_back(static_cast<uint8_t>(unit >> 8));
  }
  data.push_back(0);
  data.push_back(0);
  PutValue(path, name, REG_SZ, std::move(data));
}

bool HasKey(const std::string& path) { return FindKey(Widen(path)) != nullptr; }

std::optional<StoredValue> Value(const std::string& path, const std::string& name)
{
  KeyNode* key = FindKey(Widen(path));
  if (!key) return std::nullopt;
  StoredValue* value = FindValue(*key, Widen(name));
  if (!value) return std::nullopt;
  return *value;
}

std::vector<std::string> ValueNames(const std::string& path)
{
  std::vector<std::string> names;
  if (KeyNode* key = FindKey(Widen(path)))
    for (const auto& entry : key->values) names.push_back(Narrow(entry.first));
  return names;
}

std::vector<std::string> SubkeyNames(const std::string& path)
{
  std::vector<std::string> names;
  if (KeyNode* key = FindKey(Widen(path)))
    for (const auto& subkey : key->subkeys) names.push_back(Narrow(subkey->name));
  return names;
}

const std::vector<CallRecord>& Calls() { return State().calls; }
void ClearCalls() { State().calls.clear(); }
int OpenHandles() { return static_cast<int>(State().handles.size()); }

}  // namespace hostreg

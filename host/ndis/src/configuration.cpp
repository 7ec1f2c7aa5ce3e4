// The adapter's registry keywords and the network address override. Values
// a read hands out belong to the configuration handle and live until it is
// closed, as on the platform.
#include <cctype>
#include <cstdlib>

#include "hostndis/detail/machine.h"

using hostndis::Keyword;
using hostndis::detail::ConfigHandle;
using hostndis::detail::Machine;
using hostndis::detail::Miniport;

namespace {

bool SameName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

// Registry text to a number, as NDIS converts REG_SZ values.
bool ParseNumber(const std::string& text, int base, ULONG* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  unsigned long long v = std::strtoull(text.c_str(), &end, base);
  if (end == text.c_str() || *end != '\0' || v > 0xffffffffull) return false;
  *value = static_cast<ULONG>(v);
  return true;
}

}  // namespace

extern "C" {

VOID NdisOpenConfiguration(PNDIS_STATUS Status, PNDIS_HANDLE ConfigurationHandle,
                           NDIS_HANDLE WrapperConfigurationContext) {
  const char* op = "NdisOpenConfiguration";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  if (Status == nullptr || ConfigurationHandle == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisOpenConfiguration given a null output");
    return;
  }
  *ConfigurationHandle = nullptr;
  *Status = NDIS_STATUS_FAILURE;
  Miniport* m = mc->MiniportFromConfigContext(WrapperConfigurationContext, op);
  if (m == nullptr) return;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  if (mc->InjectFault(hostndis::Op::kNdisOpenConfiguration, Status)) return;
  m->configs.push_back(std::make_unique<ConfigHandle>());
  ConfigHandle* c = m->configs.back().get();
  c->owner = m;
  c->open = true;
  *ConfigurationHandle = c;
  *Status = NDIS_STATUS_SUCCESS;
}

VOID NdisReadConfiguration(PNDIS_STATUS Status, PNDIS_CONFIGURATION_PARAMETER* ParameterValue,
                           NDIS_HANDLE ConfigurationHandle, PNDIS_STRING Keyword, NDIS_PARAMETER_TYPE ParameterType) {
  const char* op = "NdisReadConfiguration";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  if (Status == nullptr || ParameterValue == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisReadConfiguration given a null output");
    return;
  }
  *Status = NDIS_STATUS_FAILURE;
  ConfigHandle* c = mc->ConfigFromHandle(ConfigurationHandle, op);
  if (c == nullptr) return;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  if (Keyword == nullptr || (Keyword->Buffer == nullptr && Keyword->Length != 0) || (Keyword->Length & 1)) {
    mc->Report(hostndis::rule::kBadArgument, "NdisReadConfiguration given a malformed keyword string");
    return;
  }
  if (mc->InjectFault(hostndis::Op::kNdisReadConfiguration, Status)) return;
  std::string name;
  for (USHORT i = 0; i < Keyword->Length / 2; ++i) {
    char16_t ch = Keyword->Buffer[i];
    name += ch < 0x80 ? static_cast<char>(ch) : '?';
  }
  const hostndis::Keyword* value = nullptr;
  for (const auto& [key, v] : c->owner->options.keywords)
    if (SameName(key, name)) value = &v;
  if (value == nullptr) return;

  auto parameter = std::make_unique<NDIS_CONFIGURATION_PARAMETER>();
  std::memset(parameter.get(), 0, sizeof(NDIS_CONFIGURATION_PARAMETER));
  if (ParameterType == NdisParameterInteger || ParameterType == NdisParameterHexInteger) {
    ULONG number = value->integer;
    if (value->type == Keyword::Type::kString &&
        !ParseNumber(value->text, ParameterType == NdisParameterHexInteger ? 16 : 10, &number))
      return;
    parameter->ParameterType = ParameterType;
    parameter->ParameterData.IntegerData = number;
  } else if (ParameterType == NdisParameterString) {
    std::string text = value->type == Keyword::Type::kString ? value->text : std::to_string(value->integer);
    if (text.size() > 0x7ffe) text.resize(0x7ffe);
    c->strings.emplace_back(text.begin(), text.end());
    std::u16string& wide = c->strings.back();
    parameter->ParameterType = NdisParameterString;
    parameter->ParameterData.StringData.Buffer = wide.data();
    parameter->ParameterData.StringData.Length = static_cast<USHORT>(wide.size() * 2);
    parameter->ParameterData.StringData.MaximumLength = static_cast<USHORT>(wide.size() * 2 + 2);
  } else {
    return;
  }
  *ParameterValue = parameter.get();
  c->parameters.push_back(std::move(parameter));
  *Status = NDIS_STATUS_SUCCESS;
}

VOID NdisReadNetworkAddress(PNDIS_STATUS Status, PVOID* NetworkAddress, PUINT NetworkAddressLength,
                            NDIS_HANDLE ConfigurationHandle) {
  const char* op = "NdisReadNetworkAddress";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  if (Status == nullptr || NetworkAddress == nullptr || NetworkAddressLength == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisReadNetworkAddress given a null output");
    return;
  }
  *Status = NDIS_STATUS_FAILURE;
  *NetworkAddress = nullptr;
  *NetworkAddressLength = 0;
  ConfigHandle* c = mc->ConfigFromHandle(ConfigurationHandle, op);
  if (c == nullptr) return;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  if (mc->InjectFault(hostndis::Op::kNdisReadNetworkAddress, Status)) return;
  const auto& address = c->owner->options.network_address;
  if (!address) return;
  c->network_address = *address;
  c->network_address.reserve(c->network_address.size() + 1);  // a valid pointer even when empty
  *NetworkAddress = c->network_address.data();
  *NetworkAddressLength = static_cast<UINT>(c->network_address.size());
  *Status = NDIS_STATUS_SUCCESS;
}

VOID NdisCloseConfiguration(NDIS_HANDLE ConfigurationHandle) {
  const char* op = "NdisCloseConfiguration";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  ConfigHandle* c = mc->ConfigFromHandle(ConfigurationHandle, op);
  if (c == nullptr) return;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  c->open = false;
  // What the reads handed out is gone now, as on the platform.
  c->parameters.clear();
  c->strings.clear();
  c->network_address.clear();
  c->network_address.shrink_to_fit();
}

}  // extern "C"

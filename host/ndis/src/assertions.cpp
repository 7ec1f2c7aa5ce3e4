// The driver's own assertions (ASSERT): a failed one is a finding that names
// the expression and where it stands.
#include <cstring>

#include "hostndis/detail/machine.h"

using hostndis::detail::Machine;

extern "C" VOID RtlAssert(PVOID FailedAssertion, PVOID FileName, ULONG LineNumber, PCHAR Message) {
  Machine* mc = Machine::Current("RtlAssert");
  if (mc == nullptr) return;
  const char* file = static_cast<const char*>(FileName);
  const char* base = std::strrchr(file, '/');
  std::string what = "ASSERT(" + std::string(static_cast<const char*>(FailedAssertion)) + ") failed at " +
                     (base != nullptr ? base + 1 : file) + ":" + std::to_string(LineNumber);
  if (Message != nullptr) what += ": " + std::string(Message);
  mc->Report(hostndis::rule::kAssertionFailed, what);
}

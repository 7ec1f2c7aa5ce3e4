// Counted UTF-16 strings.
#include "hostndis/detail/machine.h"

using hostndis::detail::Machine;

extern "C" {

VOID NdisInitUnicodeString(PNDIS_STRING DestinationString, PCWSTR SourceString) {
  if (DestinationString == nullptr) {
    if (Machine* mc = Machine::Current("NdisInitUnicodeString"))
      mc->Report(hostndis::rule::kBadArgument, "NdisInitUnicodeString given a null destination");
    return;
  }
  size_t n = 0;
  if (SourceString != nullptr)
    while (SourceString[n] != 0 && n < 0x7ffe) ++n;
  DestinationString->Buffer = const_cast<PWSTR>(SourceString);
  DestinationString->Length = static_cast<USHORT>(n * 2);
  DestinationString->MaximumLength = static_cast<USHORT>(SourceString ? n * 2 + 2 : 0);
}

}  // extern "C"

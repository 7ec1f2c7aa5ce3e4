// The driver's entry point talks to NDIS through the wrapper: one wrapper
// handle, one miniport characteristics record.
#include "hostndis/detail/machine.h"

using hostndis::detail::Machine;

extern "C" {

VOID NdisInitializeWrapper(PNDIS_HANDLE NdisWrapperHandle, PVOID SystemSpecific1, PVOID SystemSpecific2,
                           PVOID SystemSpecific3) {
  const char* op = "NdisInitializeWrapper";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  (void)SystemSpecific3;
  if (NdisWrapperHandle == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisInitializeWrapper given a null handle output");
    return;
  }
  *NdisWrapperHandle = nullptr;
  if (SystemSpecific1 != &mc->driver_object || SystemSpecific2 != &mc->registry_path) {
    mc->Report(hostndis::rule::kBadArgument,
               "NdisInitializeWrapper needs the driver object and registry path that DriverEntry was given");
    return;
  }
  mc->wrapper_initialized = true;
  mc->wrapper_terminated = false;
  *NdisWrapperHandle = &mc->wrapper_tag;
}

NDIS_STATUS NdisMRegisterMiniport(NDIS_HANDLE NdisWrapperHandle, PNDIS_MINIPORT_CHARACTERISTICS MiniportCharacteristics,
                                  UINT CharacteristicsLength) {
  const char* op = "NdisMRegisterMiniport";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return NDIS_STATUS_FAILURE;
  if (NdisWrapperHandle != &mc->wrapper_tag || !mc->wrapper_initialized || mc->wrapper_terminated) {
    mc->Report(hostndis::rule::kBadHandle, "NdisMRegisterMiniport given no live wrapper handle");
    return NDIS_STATUS_FAILURE;
  }
  NDIS_STATUS status;
  if (mc->InjectFault(hostndis::Op::kNdisMRegisterMiniport, &status)) return status;
  if (MiniportCharacteristics == nullptr) return NDIS_STATUS_BAD_CHARACTERISTICS;
  const NDIS30_MINIPORT_CHARACTERISTICS& c30 = MiniportCharacteristics->Ndis40Chars.Ndis30Chars;
  UINT expected;
  switch (c30.MajorNdisVersion) {
    case 3: expected = sizeof(NDIS30_MINIPORT_CHARACTERISTICS); break;
    case 4: expected = sizeof(NDIS40_MINIPORT_CHARACTERISTICS); break;
    case 5: expected = sizeof(NDIS50_MINIPORT_CHARACTERISTICS); break;
    default: return NDIS_STATUS_BAD_VERSION;
  }
  if (c30.MinorNdisVersion != 0) return NDIS_STATUS_BAD_VERSION;
  if (CharacteristicsLength != expected) return NDIS_STATUS_BAD_CHARACTERISTICS;
  bool can_send = c30.SendHandler != nullptr ||
                  (c30.MajorNdisVersion >= 4 && MiniportCharacteristics->Ndis40Chars.SendPacketsHandler != nullptr);
  if (c30.InitializeHandler == nullptr || c30.HaltHandler == nullptr || c30.QueryInformationHandler == nullptr ||
      c30.SetInformationHandler == nullptr || c30.ResetHandler == nullptr || !can_send)
    return NDIS_STATUS_BAD_CHARACTERISTICS;
  std::memset(&mc->characteristics, 0, sizeof(mc->characteristics));
  std::memcpy(&mc->characteristics, MiniportCharacteristics, CharacteristicsLength);
  mc->registered = true;
  return NDIS_STATUS_SUCCESS;
}

VOID NdisTerminateWrapper(NDIS_HANDLE NdisWrapperHandle, PVOID SystemSpecific) {
  const char* op = "NdisTerminateWrapper";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  (void)SystemSpecific;
  if (NdisWrapperHandle != &mc->wrapper_tag || !mc->wrapper_initialized || mc->wrapper_terminated) {
    mc->Report(hostndis::rule::kBadHandle, "NdisTerminateWrapper given no live wrapper handle");
    return;
  }
  mc->wrapper_terminated = true;
  mc->registered = false;
}

}  // extern "C"

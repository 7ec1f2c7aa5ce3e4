// The adapter shutdown handler: one per adapter, called when the system goes
// down (Adapter::Shutdown).
#include "hostndis/detail/machine.h"

using hostndis::detail::Machine;
using hostndis::detail::Miniport;

extern "C" {

VOID NdisMRegisterAdapterShutdownHandler(NDIS_HANDLE MiniportHandle, PVOID ShutdownContext,
                                         ADAPTER_SHUTDOWN_HANDLER ShutdownHandler) {
  const char* op = "NdisMRegisterAdapterShutdownHandler";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  Miniport* m = mc->MiniportFromHandle(MiniportHandle, op);
  if (m == nullptr) return;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  mc->CheckInitializing(m, op);
  if (ShutdownHandler == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisMRegisterAdapterShutdownHandler given a null handler");
    return;
  }
  if (m->shutdown_registered)
    mc->Report(hostndis::rule::kBadArgument, "NdisMRegisterAdapterShutdownHandler called twice for one adapter");
  m->shutdown_registered = true;
  m->shutdown_handler = ShutdownHandler;
  m->shutdown_context = ShutdownContext;
}

VOID NdisMDeregisterAdapterShutdownHandler(NDIS_HANDLE MiniportHandle) {
  const char* op = "NdisMDeregisterAdapterShutdownHandler";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  Miniport* m = mc->MiniportFromHandle(MiniportHandle, op);
  if (m == nullptr) return;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  if (!m->shutdown_registered) {
    mc->Report(hostndis::rule::kFreeUnknown, "NdisMDeregisterAdapterShutdownHandler without a handler registered");
    return;
  }
  m->shutdown_registered = false;
  m->shutdown_handler = nullptr;
  m->shutdown_context = nullptr;
}

}  // extern "C"

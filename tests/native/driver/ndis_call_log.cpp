#include "ndis_call_log.h"

#include <ndis.h>

namespace trx_test {

namespace {
bool g_hide_memory = false;
}

std::vector<std::string>& CallLog() {
  static std::vector<std::string> log;
  return log;
}

int CallIndex(const std::string& name, int from) {
  const std::vector<std::string>& log = CallLog();
  for (size_t i = from < 0 ? 0 : static_cast<size_t>(from); i < log.size(); ++i)
    if (log[i] == name) return static_cast<int>(i);
  return -1;
}

void HideMemoryResource(bool hide) { g_hide_memory = hide; }

}  // namespace trx_test

using trx_test::CallLog;

extern "C" {

VOID __real_NdisMDeregisterAdapterShutdownHandler(NDIS_HANDLE MiniportHandle);
VOID __real_NdisMDeregisterInterrupt(PNDIS_MINIPORT_INTERRUPT Interrupt);
VOID __real_NdisFreeMemory(PVOID VirtualAddress, UINT Length, UINT MemoryFlags);
VOID __real_NdisMFreeSharedMemory(NDIS_HANDLE MiniportAdapterHandle, ULONG Length, BOOLEAN Cached,
                                  PVOID VirtualAddress, NDIS_PHYSICAL_ADDRESS PhysicalAddress);
VOID __real_NdisMFreeMapRegisters(NDIS_HANDLE MiniportAdapterHandle);
VOID __real_NdisMUnmapIoSpace(NDIS_HANDLE MiniportAdapterHandle, PVOID VirtualAddress, UINT Length);
VOID __real_NdisFreePacketPool(NDIS_HANDLE PoolHandle);
VOID __real_NdisFreeBufferPool(NDIS_HANDLE PoolHandle);
VOID __real_NdisMSleep(ULONG MicrosecondsToSleep);
VOID __real_NdisMSetTimer(PNDIS_MINIPORT_TIMER Timer, UINT MillisecondsToDelay);
NDIS_STATUS __real_NdisMPciAssignResources(NDIS_HANDLE MiniportHandle, ULONG SlotNumber,
                                           PNDIS_RESOURCE_LIST* AssignedResources);

VOID __wrap_NdisMDeregisterAdapterShutdownHandler(NDIS_HANDLE MiniportHandle) {
  CallLog().push_back("NdisMDeregisterAdapterShutdownHandler");
  __real_NdisMDeregisterAdapterShutdownHandler(MiniportHandle);
}

VOID __wrap_NdisMDeregisterInterrupt(PNDIS_MINIPORT_INTERRUPT Interrupt) {
  CallLog().push_back("NdisMDeregisterInterrupt");
  __real_NdisMDeregisterInterrupt(Interrupt);
}

VOID __wrap_NdisFreeMemory(PVOID VirtualAddress, UINT Length, UINT MemoryFlags) {
  CallLog().push_back("NdisFreeMemory");
  __real_NdisFreeMemory(VirtualAddress, Length, MemoryFlags);
}

VOID __wrap_NdisMFreeSharedMemory(NDIS_HANDLE MiniportAdapterHandle, ULONG Length, BOOLEAN Cached,
                                  PVOID VirtualAddress, NDIS_PHYSICAL_ADDRESS PhysicalAddress) {
  CallLog().push_back(Cached ? "NdisMFreeSharedMemory(cached)" : "NdisMFreeSharedMemory(non-cached)");
  __real_NdisMFreeSharedMemory(MiniportAdapterHandle, Length, Cached, VirtualAddress, PhysicalAddress);
}

VOID __wrap_NdisMFreeMapRegisters(NDIS_HANDLE MiniportAdapterHandle) {
  CallLog().push_back("NdisMFreeMapRegisters");
  __real_NdisMFreeMapRegisters(MiniportAdapterHandle);
}

VOID __wrap_NdisMUnmapIoSpace(NDIS_HANDLE MiniportAdapterHandle, PVOID VirtualAddress, UINT Length) {
  CallLog().push_back("NdisMUnmapIoSpace");
  __real_NdisMUnmapIoSpace(MiniportAdapterHandle, VirtualAddress, Length);
}

VOID __wrap_NdisFreePacketPool(NDIS_HANDLE PoolHandle) {
  CallLog().push_back("NdisFreePacketPool");
  __real_NdisFreePacketPool(PoolHandle);
}

VOID __wrap_NdisFreeBufferPool(NDIS_HANDLE PoolHandle) {
  CallLog().push_back("NdisFreeBufferPool");
  __real_NdisFreeBufferPool(PoolHandle);
}

VOID __wrap_NdisMSleep(ULONG MicrosecondsToSleep) {
  CallLog().push_back("NdisMSleep(" + std::to_string(MicrosecondsToSleep) + ")");
  __real_NdisMSleep(MicrosecondsToSleep);
}

VOID __wrap_NdisMSetTimer(PNDIS_MINIPORT_TIMER Timer, UINT MillisecondsToDelay) {
  CallLog().push_back("NdisMSetTimer(" + std::to_string(MillisecondsToDelay) + ")");
  __real_NdisMSetTimer(Timer, MillisecondsToDelay);
}

NDIS_STATUS __wrap_NdisMPciAssignResources(NDIS_HANDLE MiniportHandle, ULONG SlotNumber,
                                           PNDIS_RESOURCE_LIST* AssignedResources) {
  NDIS_STATUS status = __real_NdisMPciAssignResources(MiniportHandle, SlotNumber, AssignedResources);
  if (status == NDIS_STATUS_SUCCESS && trx_test::g_hide_memory) {
    for (ULONG i = 0; i < (*AssignedResources)->Count; ++i) {
      CM_PARTIAL_RESOURCE_DESCRIPTOR& d = (*AssignedResources)->PartialDescriptors[i];
      if (d.Type == CmResourceTypeMemory) d.Type = CmResourceTypeNull;
    }
  }
  return status;
}

}  // extern "C"

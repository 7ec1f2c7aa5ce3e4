// PCI configuration space, assigned resources and adapter attributes.
#include "hostndis/detail/machine.h"

namespace hostndis::detail {

namespace {
constexpr ULONG kConfigSpaceSize = 256;

Device* DeviceInSlot(Machine* mc, ULONG slot) {
  for (auto& d : mc->devices)
    if (d->resources().slot == slot) return d.get();
  return nullptr;
}
}  // namespace

}  // namespace hostndis::detail

using hostndis::detail::Machine;
using hostndis::detail::Miniport;

extern "C" {

ULONG NdisReadPciSlotInformation(NDIS_HANDLE NdisAdapterHandle, ULONG SlotNumber, ULONG Offset, PVOID Buffer,
                                 ULONG Length) {
  const char* op = "NdisReadPciSlotInformation";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return 0;
  if (mc->MiniportFromHandle(NdisAdapterHandle, op) == nullptr) return 0;
  mc->CheckIrqlAtMost(DISPATCH_LEVEL, op);
  if (Buffer == nullptr && Length != 0) {
    mc->Report(hostndis::rule::kBadArgument, "NdisReadPciSlotInformation given a null buffer");
    return 0;
  }
  NDIS_STATUS status;
  if (mc->InjectFault(hostndis::Op::kNdisReadPciSlotInformation, &status)) return 0;
  if (Offset >= hostndis::detail::kConfigSpaceSize) return 0;
  if (Length > hostndis::detail::kConfigSpaceSize - Offset) Length = hostndis::detail::kConfigSpaceSize - Offset;
  auto* out = static_cast<UCHAR*>(Buffer);
  hostndis::Device* d = hostndis::detail::DeviceInSlot(mc, SlotNumber);
  if (d == nullptr) {
    // Nobody answers: the bus reads all ones.
    std::memset(out, 0xff, Length);
    return Length;
  }
  for (ULONG i = 0; i < Length;) {
    ULONG at = Offset + i;
    uint32_t dword = d->ReadPciConfig(at & ~3u);
    for (ULONG b = at & 3u; b < 4 && i < Length; ++b, ++i) out[i] = static_cast<UCHAR>(dword >> (8 * b));
  }
  return Length;
}

ULONG NdisWritePciSlotInformation(NDIS_HANDLE NdisAdapterHandle, ULONG SlotNumber, ULONG Offset, PVOID Buffer,
                                  ULONG Length) {
  const char* op = "NdisWritePciSlotInformation";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return 0;
  if (mc->MiniportFromHandle(NdisAdapterHandle, op) == nullptr) return 0;
  mc->CheckIrqlAtMost(DISPATCH_LEVEL, op);
  if (Buffer == nullptr && Length != 0) {
    mc->Report(hostndis::rule::kBadArgument, "NdisWritePciSlotInformation given a null buffer");
    return 0;
  }
  NDIS_STATUS status;
  if (mc->InjectFault(hostndis::Op::kNdisWritePciSlotInformation, &status)) return 0;
  hostndis::Device* d = hostndis::detail::DeviceInSlot(mc, SlotNumber);
  if (d == nullptr || Offset >= hostndis::detail::kConfigSpaceSize) return 0;
  if (Length > hostndis::detail::kConfigSpaceSize - Offset) Length = hostndis::detail::kConfigSpaceSize - Offset;
  const auto* in = static_cast<const UCHAR*>(Buffer);
  for (ULONG i = 0; i < Length;) {
    ULONG at = Offset + i;
    ULONG first = at & 3u;
    uint32_t dword = (first == 0 && Length - i >= 4) ? 0 : d->ReadPciConfig(at & ~3u);
    for (ULONG b = first; b < 4 && i < Length; ++b, ++i) {
      dword &= ~(0xffu << (8 * b));
      dword |= static_cast<uint32_t>(in[i]) << (8 * b);
    }
    d->WritePciConfig(at & ~3u, dword);
  }
  return Length;
}

NDIS_STATUS NdisMPciAssignResources(NDIS_HANDLE MiniportHandle, ULONG SlotNumber,
                                    PNDIS_RESOURCE_LIST* AssignedResources) {
  const char* op = "NdisMPciAssignResources";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return NDIS_STATUS_FAILURE;
  Miniport* m = mc->MiniportFromHandle(MiniportHandle, op);
  if (m == nullptr) return NDIS_STATUS_FAILURE;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  mc->CheckInitializing(m, op);
  if (AssignedResources == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisMPciAssignResources given a null AssignedResources");
    return NDIS_STATUS_FAILURE;
  }
  *AssignedResources = nullptr;
  NDIS_STATUS status;
  if (mc->InjectFault(hostndis::Op::kNdisMPciAssignResources, &status)) return status;
  const hostndis::DeviceResources& res = m->device->resources();
  if (SlotNumber != res.slot) return NDIS_STATUS_FAILURE;

  ULONG count = 1 + (m->options.port_resource ? 1 : 0) + (res.has_interrupt ? 1 : 0);
  size_t bytes = offsetof(CM_PARTIAL_RESOURCE_LIST, PartialDescriptors) + count * sizeof(CM_PARTIAL_RESOURCE_DESCRIPTOR);
  m->resource_storage.assign((bytes + 7) / 8, 0);
  auto* list = reinterpret_cast<PNDIS_RESOURCE_LIST>(m->resource_storage.data());
  list->Version = 1;
  list->Revision = 1;
  list->Count = count;
  CM_PARTIAL_RESOURCE_DESCRIPTOR* d = list->PartialDescriptors;
  if (m->options.port_resource) {
    d->Type = CmResourceTypePort;
    d->ShareDisposition = CmResourceShareDeviceExclusive;
    d->Flags = CM_RESOURCE_PORT_IO;
    d->u.Port.Start.QuadPart = 0xe000 + 0x100 * static_cast<LONGLONG>(res.slot & 0x1f);
    d->u.Port.Length = 0x80;
    ++d;
  }
  d->Type = CmResourceTypeMemory;
  d->ShareDisposition = CmResourceShareDeviceExclusive;
  d->Flags = CM_RESOURCE_MEMORY_READ_WRITE;
  d->u.Memory.Start.QuadPart = res.csr_physical;
  d->u.Memory.Length = res.csr_length;
  ++d;
  if (res.has_interrupt) {
    d->Type = CmResourceTypeInterrupt;
    d->ShareDisposition = CmResourceShareShared;
    d->Flags = CM_RESOURCE_INTERRUPT_LEVEL_SENSITIVE;
    d->u.Interrupt.Level = res.interrupt_level;
    d->u.Interrupt.Vector = res.interrupt_vector;
    d->u.Interrupt.Affinity = 1;
  }
  m->resources_assigned = true;
  *AssignedResources = list;
  return NDIS_STATUS_SUCCESS;
}

VOID NdisMSetAttributesEx(NDIS_HANDLE MiniportAdapterHandle, NDIS_HANDLE MiniportAdapterContext,
                          UINT CheckForHangTimeInSeconds, ULONG AttributeFlags, NDIS_INTERFACE_TYPE AdapterType) {
  const char* op = "NdisMSetAttributesEx";
  Machine* mc = Machine::Current(op);
  if (mc == nullptr) return;
  Miniport* m = mc->MiniportFromHandle(MiniportAdapterHandle, op);
  if (m == nullptr) return;
  mc->CheckIrqlAtMost(PASSIVE_LEVEL, op);
  mc->CheckInitializing(m, op);
  (void)CheckForHangTimeInSeconds;
  (void)AdapterType;
  if (AttributeFlags & NDIS_ATTRIBUTE_DESERIALIZE)
    mc->Report(hostndis::rule::kBadArgument,
               "NdisMSetAttributesEx with NDIS_ATTRIBUTE_DESERIALIZE: the stand-in serializes every miniport");
  m->context = MiniportAdapterContext;
  m->attributes_set = true;
  m->attribute_flags = AttributeFlags;
}

}  // extern "C"

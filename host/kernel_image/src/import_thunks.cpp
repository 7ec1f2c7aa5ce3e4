// The imports of NDIS.SYS, ntoskrnl.exe and HAL.dll the host provides: each
// translates the image's 32-bit arguments (emulated addresses, DDK layouts)
// into a call of the stand-in's own function and writes results back.
// Calling conventions: stdcall (the thunk's `ret` pops the arguments),
// fastcall for the Kf/Kef spin lock calls (ECX, EDX), cdecl for memcpy/memset.
// An argument that should name the image's memory and does not (NULL
// included) ends the call into the image as a fault, as the processor would:
// pointer arguments are checked before the stand-in is called, anything else
// read or stored through on the way (records, output fields) when it is.
#include <cstdio>
#include <cstring>
#include <vector>

#include "hostndis/detail/machine.h"
#include "bridge.h"
#include "ddk_layouts.h"

namespace kimage {
namespace {

using Fn = void (*)(Bridge&, Cpu&);

struct Import {
  const char* name;
  uint16_t stack_bytes;
  Fn fn;
  uint8_t pointers = 0;  // bit i: stack argument i must name the image's memory
};

template <typename T>
void PutAt(Bridge& b, uint32_t address, T v) {
  uint8_t* p = b.At<uint8_t>(address, sizeof v);
  if (p == nullptr) throw Unmapped{address, sizeof v, true};
  std::memcpy(p, &v, sizeof v);
}
template <typename T>
T GetAt(Bridge& b, uint32_t address) {
  const uint8_t* p = b.At<uint8_t>(address, sizeof(T));
  if (p == nullptr) throw Unmapped{address, sizeof(T), false};
  T v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

NDIS_HANDLE Adapter(Bridge& b, Cpu& c, int i) { return b.HostAdapter(c.Arg(i)); }
void* Ptr(Bridge& b, uint32_t emu, uint32_t length = 1) { return emu == 0 ? nullptr : b.At<uint8_t>(emu, length); }
NDIS_PHYSICAL_ADDRESS Phys(Cpu& c, int i) {
  NDIS_PHYSICAL_ADDRESS a;
  a.QuadPart = static_cast<LONGLONG>(c.Arg(i) | static_cast<uint64_t>(c.Arg(i + 1)) << 32);
  return a;
}
uint8_t* RegisterHost(Bridge& b, uint32_t emu) { return b.machine().io_base + (emu - kRegisterBase); }
uint32_t RegisterEmu(Bridge& b, void* host) {
  return host == nullptr ? 0 : kRegisterBase + static_cast<uint32_t>(static_cast<uint8_t*>(host) - b.machine().io_base);
}

// --- Wrapper and registration -------------------------------------------------
void InitializeWrapper(Bridge& b, Cpu& c) {
  hostndis::detail::Machine& mc = b.machine();
  bool ours = c.Arg(1) == b.driver_object && c.Arg(2) == b.registry_path;
  NDIS_HANDLE h = nullptr;
  NdisInitializeWrapper(&h, ours ? static_cast<PVOID>(&mc.driver_object) : nullptr,
                        ours ? static_cast<PVOID>(&mc.registry_path) : nullptr, nullptr);
  PutAt<uint32_t>(b, c.Arg(0), b.HandleOf(h));
}

void RegisterMiniport(Bridge& b, Cpu& c) {
  uint32_t at = c.Arg(1), length = c.Arg(2);
  if (at == 0) return c.Return(static_cast<uint32_t>(NdisMRegisterMiniport(b.HostHandle(c.Arg(0)), nullptr, 0)));
  auto slot = [&](uint32_t offset) { return length > offset ? GetAt<uint32_t>(b, at + offset) : 0; };
  ImageHandlers& h = b.handlers;
  h.check_for_hang = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_CheckForHangHandler);
  h.disable_interrupt = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_DisableInterruptHandler);
  h.enable_interrupt = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_EnableInterruptHandler);
  h.halt = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_HaltHandler);
  h.handle_interrupt = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_HandleInterruptHandler);
  h.initialize = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_InitializeHandler);
  h.isr = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_ISRHandler);
  h.query = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_QueryInformationHandler);
  h.reconfigure = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_ReconfigureHandler);
  h.reset = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_ResetHandler);
  h.send = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_SendHandler);
  h.set = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_SetInformationHandler);
  h.transfer_data = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_TransferDataHandler);
  h.return_packet = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_ReturnPacketHandler);
  h.send_packets = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_SendPacketsHandler);
  h.allocate_complete = slot(ddk::NDIS_MINIPORT_CHARACTERISTICS_AllocateCompleteHandler);
  NDIS_MINIPORT_CHARACTERISTICS chars = HostCharacteristics(h);
  chars.Ndis40Chars.Ndis30Chars.MajorNdisVersion = GetAt<uint8_t>(b, at + ddk::NDIS_MINIPORT_CHARACTERISTICS_MajorNdisVersion);
  chars.Ndis40Chars.Ndis30Chars.MinorNdisVersion = GetAt<uint8_t>(b, at + ddk::NDIS_MINIPORT_CHARACTERISTICS_MinorNdisVersion);
  // Each record (3.0, 4.0, 5.0) in the DDK's layout is that record of the
  // stand-in; any other length goes on as it is, to be refused.
  UINT host_length = length == ddk::NDIS_MINIPORT_CHARACTERISTICS_size    ? sizeof(NDIS50_MINIPORT_CHARACTERISTICS)
                     : length == ddk::NDIS40_MINIPORT_CHARACTERISTICS_size ? sizeof(NDIS40_MINIPORT_CHARACTERISTICS)
                     : length == ddk::NDIS30_MINIPORT_CHARACTERISTICS_size ? sizeof(NDIS30_MINIPORT_CHARACTERISTICS)
                                                                           : length;
  c.Return(static_cast<uint32_t>(NdisMRegisterMiniport(b.HostHandle(c.Arg(0)), &chars, host_length)));
}

void TerminateWrapper(Bridge& b, Cpu& c) { NdisTerminateWrapper(b.HostHandle(c.Arg(0)), nullptr); }

// --- Configuration ------------------------------------------------------------
void OpenConfiguration(Bridge& b, Cpu& c) {
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  NDIS_HANDLE h = nullptr;
  NdisOpenConfiguration(&status, &h, b.HostHandle(c.Arg(2)));
  PutAt<int32_t>(b, c.Arg(0), status);
  PutAt<uint32_t>(b, c.Arg(1), b.HandleOf(h));
}

// An emulated UNICODE_STRING over a copy of `text` (bytes), in the heap.
uint32_t EmuString(Bridge& b, const void* text, uint16_t bytes, std::vector<uint32_t>* owned) {
  uint32_t s = b.heap().Allocate(ddk::UNICODE_STRING_size);
  uint32_t buffer = b.heap().Allocate(bytes + 2u);
  if (bytes != 0) std::memcpy(b.At<uint8_t>(buffer, bytes), text, bytes);
  PutAt<uint16_t>(b, s + ddk::UNICODE_STRING_Length, bytes);
  PutAt<uint16_t>(b, s + ddk::UNICODE_STRING_MaximumLength, static_cast<uint16_t>(bytes + 2));
  PutAt<uint32_t>(b, s + ddk::UNICODE_STRING_Buffer, buffer);
  owned->push_back(s);
  owned->push_back(buffer);
  return s;
}

void ReadConfiguration(Bridge& b, Cpu& c) {
  uint32_t keyword = c.Arg(3);
  std::u16string name;
  if (keyword != 0) {
    uint16_t length = GetAt<uint16_t>(b, keyword + ddk::UNICODE_STRING_Length);
    uint32_t buffer = GetAt<uint32_t>(b, keyword + ddk::UNICODE_STRING_Buffer);
    if (const auto* text = static_cast<const char16_t*>(Ptr(b, buffer, length))) name.assign(text, length / 2);
  }
  NDIS_STRING host_keyword{static_cast<USHORT>(name.size() * 2), static_cast<USHORT>(name.size() * 2),
                           const_cast<PWSTR>(name.data())};
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  PNDIS_CONFIGURATION_PARAMETER value = nullptr;
  NdisReadConfiguration(&status, &value, b.HostHandle(c.Arg(2)), keyword != 0 ? &host_keyword : nullptr,
                        static_cast<NDIS_PARAMETER_TYPE>(c.Arg(4)));
  uint32_t emu = 0;
  if (status == NDIS_STATUS_SUCCESS && value != nullptr) {
    std::vector<uint32_t>& owned = b.ConfigRecords(c.Arg(2));
    emu = b.heap().Allocate(ddk::NDIS_CONFIGURATION_PARAMETER_size);
    owned.push_back(emu);
    PutAt<uint32_t>(b, emu + ddk::NDIS_CONFIGURATION_PARAMETER_ParameterType, value->ParameterType);
    if (value->ParameterType == NdisParameterString || value->ParameterType == NdisParameterMultiString) {
      const NDIS_STRING& s = value->ParameterData.StringData;
      uint32_t str = EmuString(b, s.Buffer, s.Length, &owned);
      std::memcpy(b.At<uint8_t>(emu + ddk::NDIS_CONFIGURATION_PARAMETER_StringData, ddk::UNICODE_STRING_size),
                  b.At<uint8_t>(str, ddk::UNICODE_STRING_size), ddk::UNICODE_STRING_size);
    } else {
      PutAt<uint32_t>(b, emu + ddk::NDIS_CONFIGURATION_PARAMETER_IntegerData, value->ParameterData.IntegerData);
    }
  }
  PutAt<int32_t>(b, c.Arg(0), status);
  PutAt<uint32_t>(b, c.Arg(1), emu);
}

void ReadNetworkAddress(Bridge& b, Cpu& c) {
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  PVOID address = nullptr;
  UINT length = 0;
  NdisReadNetworkAddress(&status, &address, &length, b.HostHandle(c.Arg(3)));
  uint32_t emu = 0;
  if (status == NDIS_STATUS_SUCCESS && address != nullptr) {
    emu = b.heap().Allocate(length);
    if (length != 0) std::memcpy(b.At<uint8_t>(emu, length), address, length);
    b.ConfigRecords(c.Arg(3)).push_back(emu);
  }
  PutAt<int32_t>(b, c.Arg(0), status);
  PutAt<uint32_t>(b, c.Arg(1), emu);
  PutAt<uint32_t>(b, c.Arg(2), length);
}

void CloseConfiguration(Bridge& b, Cpu& c) {
  NdisCloseConfiguration(b.HostHandle(c.Arg(0)));
  b.DropConfigRecords(c.Arg(0));
  b.DropHandle(c.Arg(0));
}

// --- Attributes, PCI, register windows ----------------------------------------
void SetAttributesEx(Bridge& b, Cpu& c) {
  NDIS_HANDLE h = Adapter(b, c, 0);
  if (AdapterShadow* a = b.AdapterByBlock(c.Arg(0))) a->context = c.Arg(1);
  NdisMSetAttributesEx(h, reinterpret_cast<NDIS_HANDLE>(static_cast<uintptr_t>(c.Arg(1))), c.Arg(2), c.Arg(3),
                       static_cast<NDIS_INTERFACE_TYPE>(c.Arg(4)));
}

void PciAssignResources(Bridge& b, Cpu& c) {
  PNDIS_RESOURCE_LIST list = nullptr;
  NDIS_STATUS status = NdisMPciAssignResources(Adapter(b, c, 0), c.Arg(1), &list);
  uint32_t emu = 0;
  AdapterShadow* a = b.AdapterByBlock(c.Arg(0));
  if (status == NDIS_STATUS_SUCCESS && list != nullptr && a != nullptr) {
    if (a->resources == 0) {
      a->resources = b.heap().Allocate(ddk::CM_PARTIAL_RESOURCE_LIST_size +
                                       list->Count * ddk::CM_PARTIAL_RESOURCE_DESCRIPTOR_size);
    }
    emu = a->resources;
    PutAt<uint16_t>(b, emu + ddk::CM_PARTIAL_RESOURCE_LIST_Version, list->Version);
    PutAt<uint16_t>(b, emu + ddk::CM_PARTIAL_RESOURCE_LIST_Revision, list->Revision);
    PutAt<uint32_t>(b, emu + ddk::CM_PARTIAL_RESOURCE_LIST_Count, list->Count);
    for (ULONG i = 0; i < list->Count; ++i) {
      const CM_PARTIAL_RESOURCE_DESCRIPTOR& d = list->PartialDescriptors[i];
      uint32_t e = emu + ddk::CM_PARTIAL_RESOURCE_LIST_PartialDescriptors + i * ddk::CM_PARTIAL_RESOURCE_DESCRIPTOR_size;
      PutAt<uint8_t>(b, e + ddk::CM_PARTIAL_RESOURCE_DESCRIPTOR_Type, d.Type);
      PutAt<uint8_t>(b, e + ddk::CM_PARTIAL_RESOURCE_DESCRIPTOR_ShareDisposition, d.ShareDisposition);
      PutAt<uint16_t>(b, e + ddk::CM_PARTIAL_RESOURCE_DESCRIPTOR_Flags, d.Flags);
      if (d.Type == CmResourceTypeInterrupt) {
        PutAt<uint32_t>(b, e + ddk::CM_PARTIAL_RESOURCE_DESCRIPTOR_InterruptLevel, d.u.Interrupt.Level);
        PutAt<uint32_t>(b, e + ddk::CM_PARTIAL_RESOURCE_DESCRIPTOR_InterruptVector, d.u.Interrupt.Vector);
        PutAt<uint32_t>(b, e + ddk::CM_PARTIAL_RESOURCE_DESCRIPTOR_InterruptAffinity,
                        static_cast<uint32_t>(d.u.Interrupt.Affinity));
      } else if (d.Type == CmResourceTypeMemory) {
        PutAt<int64_t>(b, e + ddk::CM_PARTIAL_RESOURCE_DESCRIPTOR_MemoryStart, d.u.Memory.Start.QuadPart);
        PutAt<uint32_t>(b, e + ddk::CM_PARTIAL_RESOURCE_DESCRIPTOR_MemoryLength, d.u.Memory.Length);
      } else {
        PutAt<int64_t>(b, e + ddk::CM_PARTIAL_RESOURCE_DESCRIPTOR_PortStart, d.u.Port.Start.QuadPart);
        PutAt<uint32_t>(b, e + ddk::CM_PARTIAL_RESOURCE_DESCRIPTOR_PortLength, d.u.Port.Length);
      }
    }
  }
  PutAt<uint32_t>(b, c.Arg(2), emu);
  c.Return(static_cast<uint32_t>(status));
}

void ReadPciSlot(Bridge& b, Cpu& c) {
  c.Return(NdisReadPciSlotInformation(Adapter(b, c, 0), c.Arg(1), c.Arg(2), Ptr(b, c.Arg(3), c.Arg(4)), c.Arg(4)));
}

void WritePciSlot(Bridge& b, Cpu& c) {
  c.Return(NdisWritePciSlotInformation(Adapter(b, c, 0), c.Arg(1), c.Arg(2), Ptr(b, c.Arg(3), c.Arg(4)), c.Arg(4)));
}

void MapIoSpace(Bridge& b, Cpu& c) {
  PVOID virt = nullptr;
  NDIS_STATUS status = NdisMMapIoSpace(&virt, Adapter(b, c, 1), Phys(c, 2), c.Arg(4));
  PutAt<uint32_t>(b, c.Arg(0), RegisterEmu(b, virt));
  c.Return(static_cast<uint32_t>(status));
}

void UnmapIoSpace(Bridge& b, Cpu& c) { NdisMUnmapIoSpace(Adapter(b, c, 0), RegisterHost(b, c.Arg(1)), c.Arg(2)); }

void ReadRegister(Bridge& b, Cpu& c) {
  c.Return(READ_REGISTER_ULONG(reinterpret_cast<volatile ULONG*>(RegisterHost(b, c.Arg(0)))));
}

void WriteRegister(Bridge& b, Cpu& c) {
  WRITE_REGISTER_ULONG(reinterpret_cast<volatile ULONG*>(RegisterHost(b, c.Arg(0))), c.Arg(1));
}

// --- Memory and DMA -----------------------------------------------------------
void AllocateMemory(Bridge& b, Cpu& c) {
  PVOID p = nullptr;
  NDIS_STATUS status = NdisAllocateMemory(&p, c.Arg(1), c.Arg(2), Phys(c, 3));
  PutAt<uint32_t>(b, c.Arg(0), p != nullptr ? b.Emu(p) : 0);
  c.Return(static_cast<uint32_t>(status));
}

void FreeMemory(Bridge& b, Cpu& c) {
  uint32_t at = c.Arg(0), length = c.Arg(1);
  b.RetireRecords(at, at + length);
  NdisFreeMemory(at == 0 ? nullptr : Ptr(b, at), length, c.Arg(2));
}

void AllocateSharedMemory(Bridge& b, Cpu& c) {
  PVOID virt = nullptr;
  NDIS_PHYSICAL_ADDRESS phys{};
  NdisMAllocateSharedMemory(Adapter(b, c, 0), c.Arg(1), static_cast<BOOLEAN>(c.Arg(2)), &virt, &phys);
  PutAt<uint32_t>(b, c.Arg(3), virt != nullptr ? b.Emu(virt) : 0);
  PutAt<int64_t>(b, c.Arg(4), phys.QuadPart);
}

void FreeSharedMemory(Bridge& b, Cpu& c) {
  NdisMFreeSharedMemory(Adapter(b, c, 0), c.Arg(1), static_cast<BOOLEAN>(c.Arg(2)), Ptr(b, c.Arg(3)), Phys(c, 4));
}

void AllocateMapRegisters(Bridge& b, Cpu& c) {
  c.Return(static_cast<uint32_t>(NdisMAllocateMapRegisters(Adapter(b, c, 0), c.Arg(1),
                                                            static_cast<NDIS_DMA_SIZE>(c.Arg(2)), c.Arg(3), c.Arg(4))));
}

void FreeMapRegisters(Bridge& b, Cpu& c) { NdisMFreeMapRegisters(Adapter(b, c, 0)); }

void StartBufferMapping(Bridge& b, Cpu& c) {
  b.MdlLengthToHost(c.Arg(1));
  NDIS_PHYSICAL_ADDRESS_UNIT units[64];
  UINT count = 0;
  NdisMStartBufferPhysicalMapping(Adapter(b, c, 0), b.HostMdl(c.Arg(1)), c.Arg(2), static_cast<BOOLEAN>(c.Arg(3)),
                                  units, &count);
  uint32_t array = c.Arg(4);
  for (UINT i = 0; i < count && i < 64; ++i) {
    uint32_t e = array + i * ddk::NDIS_PHYSICAL_ADDRESS_UNIT_size;
    PutAt<int64_t>(b, e + ddk::NDIS_PHYSICAL_ADDRESS_UNIT_PhysicalAddress, units[i].PhysicalAddress.QuadPart);
    PutAt<uint32_t>(b, e + ddk::NDIS_PHYSICAL_ADDRESS_UNIT_Length, units[i].Length);
  }
  PutAt<uint32_t>(b, c.Arg(5), count);
}

void CompleteBufferMapping(Bridge& b, Cpu& c) {
  NdisMCompleteBufferPhysicalMapping(Adapter(b, c, 0), b.HostMdl(c.Arg(1)), c.Arg(2));
}

// --- Packets and buffers ------------------------------------------------------
// The (Status, PoolHandle) outputs of a pool allocation.
void PutStatusAndPool(Bridge& b, Cpu& c, NDIS_STATUS status, NDIS_HANDLE pool) {
  PutAt<int32_t>(b, c.Arg(0), status);
  PutAt<uint32_t>(b, c.Arg(1), b.HandleOf(pool));
}

// Frees a pool and the emulated records of what came from it.
void FreePool(Bridge& b, Cpu& c, VOID (*free_pool)(NDIS_HANDLE)) {
  free_pool(b.HostHandle(c.Arg(0)));
  b.DropPool(c.Arg(0));
  b.DropHandle(c.Arg(0));
}

void AllocatePacketPool(Bridge& b, Cpu& c) {
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  NDIS_HANDLE h = nullptr;
  NdisAllocatePacketPool(&status, &h, c.Arg(2), c.Arg(3));
  PutStatusAndPool(b, c, status, h);
}

void FreePacketPool(Bridge& b, Cpu& c) { FreePool(b, c, NdisFreePacketPool); }

void AllocatePacket(Bridge& b, Cpu& c) {
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  PNDIS_PACKET p = nullptr;
  NdisAllocatePacket(&status, &p, b.HostHandle(c.Arg(2)));
  PutAt<int32_t>(b, c.Arg(0), status);
  PutAt<uint32_t>(b, c.Arg(1), p != nullptr ? b.ShadowPacket(p, c.Arg(2)) : 0);
}

void AllocateBufferPool(Bridge& b, Cpu& c) {
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  NDIS_HANDLE h = nullptr;
  NdisAllocateBufferPool(&status, &h, c.Arg(2));
  PutStatusAndPool(b, c, status, h);
}

void FreeBufferPool(Bridge& b, Cpu& c) { FreePool(b, c, NdisFreeBufferPool); }

void AllocateBuffer(Bridge& b, Cpu& c) {
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  PNDIS_BUFFER buffer = nullptr;
  NdisAllocateBuffer(&status, &buffer, b.HostHandle(c.Arg(2)), Ptr(b, c.Arg(3), c.Arg(4)), c.Arg(4));
  PutAt<int32_t>(b, c.Arg(0), status);
  PutAt<uint32_t>(b, c.Arg(1), buffer != nullptr ? b.ShadowMdl(buffer, c.Arg(2)) : 0);
}

void BufferSpanPages(Bridge& b, Cpu& c) {
  uint32_t emu = c.Arg(0);
  if (b.IsShadowMdl(emu)) {
    b.MdlLengthToHost(emu);
    return c.Return(NDIS_BUFFER_TO_SPAN_PAGES(b.HostMdl(emu)));
  }
  // An MDL the bridge did not make: its span is the emulated MDL's, as NDIS
  // reads it from whatever record it is given.
  MDL mdl{};
  mdl.StartVa = reinterpret_cast<PVOID>(static_cast<uintptr_t>(GetAt<uint32_t>(b, emu + ddk::MDL_StartVa)));
  mdl.ByteOffset = GetAt<uint32_t>(b, emu + ddk::MDL_ByteOffset);
  mdl.ByteCount = GetAt<uint32_t>(b, emu + ddk::MDL_ByteCount);
  c.Return(NDIS_BUFFER_TO_SPAN_PAGES(&mdl));
}

void MapLockedPages(Bridge& b, Cpu& c) { c.Return(GetAt<uint32_t>(b, c.Arg(0) + ddk::MDL_MappedSystemVa)); }

// --- Spin locks (fastcall: the lock in ECX, the IRQL to go back to in DL) ---------
void AcquireSpinLock(Bridge& b, Cpu& c) { c.Return(b.AcquireLock(c.Ecx(), false, "KfAcquireSpinLock")); }
void ReleaseSpinLock(Bridge& b, Cpu& c) {
  b.ReleaseLock(c.Ecx(), false, static_cast<KIRQL>(c.Edx()), "KfReleaseSpinLock");
}
void DprAcquireSpinLock(Bridge& b, Cpu& c) { b.AcquireLock(c.Ecx(), true, "KefAcquireSpinLockAtDpcLevel"); }
void DprReleaseSpinLock(Bridge& b, Cpu& c) {
  b.ReleaseLock(c.Ecx(), true, DISPATCH_LEVEL, "KefReleaseSpinLockFromDpcLevel");
}

// --- Interrupt, shutdown handler, timers, time --------------------------------
void RegisterInterrupt(Bridge& b, Cpu& c) {
  c.Return(static_cast<uint32_t>(NdisMRegisterInterrupt(
      b.InterruptFor(c.Arg(0), true), Adapter(b, c, 1), c.Arg(2), c.Arg(3), static_cast<BOOLEAN>(c.Arg(4)),
      static_cast<BOOLEAN>(c.Arg(5)), static_cast<NDIS_INTERRUPT_MODE>(c.Arg(6)))));
}

void DeregisterInterrupt(Bridge& b, Cpu& c) { NdisMDeregisterInterrupt(b.InterruptFor(c.Arg(0), false)); }

VOID NTAPI ShutdownTrampoline(PVOID context) {
  Bridge* b = Bridge::Current("AdapterShutdownHandler");
  auto* a = static_cast<AdapterShadow*>(context);
  if (b != nullptr) b->Call(a->shutdown_handler, {a->shutdown_context});
}

void RegisterShutdown(Bridge& b, Cpu& c) {
  AdapterShadow* a = b.AdapterByBlock(c.Arg(0));
  if (a == nullptr) return NdisMRegisterAdapterShutdownHandler(Adapter(b, c, 0), nullptr, nullptr);
  // A null handler is refused: whatever was registered stays as it was.
  if (c.Arg(2) == 0) return NdisMRegisterAdapterShutdownHandler(a->host_handle, a, nullptr);
  a->shutdown_context = c.Arg(1);
  a->shutdown_handler = c.Arg(2);
  NdisMRegisterAdapterShutdownHandler(a->host_handle, a, ShutdownTrampoline);
}

void DeregisterShutdown(Bridge& b, Cpu& c) { NdisMDeregisterAdapterShutdownHandler(Adapter(b, c, 0)); }

VOID NTAPI TimerTrampoline(PVOID, PVOID context, PVOID, PVOID) {
  Bridge* b = Bridge::Current("timer function");
  auto* t = static_cast<TimerShadow*>(context);
  if (b != nullptr) b->Call(t->function, {t->emu + 0, t->context, 0, 0});
}

void InitializeTimer(Bridge& b, Cpu& c) {
  TimerShadow* t = b.TimerFor(c.Arg(0), true);
  t->function = c.Arg(2);
  t->context = c.Arg(3);
  NdisMInitializeTimer(&t->host, Adapter(b, c, 1), TimerTrampoline, t);
}

// The stand-in's timer behind an emulated one, or null (reported) when the
// image never initialized a timer there.
PNDIS_MINIPORT_TIMER HostTimer(Bridge& b, uint32_t emu, const char* op) {
  if (TimerShadow* t = b.TimerFor(emu, false)) return &t->host;
  b.machine().Report(hostndis::rule::kTimerMisuse, std::string(op) + " on the timer at " + hostndis::detail::Hex(emu) +
                                                       ", which NdisMInitializeTimer never set up (or whose memory was freed)");
  return nullptr;
}

void SetTimer(Bridge& b, Cpu& c) {
  if (PNDIS_MINIPORT_TIMER t = HostTimer(b, c.Arg(0), "NdisMSetTimer")) NdisMSetTimer(t, c.Arg(1));
}

void CancelTimer(Bridge& b, Cpu& c) {
  BOOLEAN cancelled = FALSE;
  if (PNDIS_MINIPORT_TIMER t = HostTimer(b, c.Arg(0), "NdisMCancelTimer")) NdisMCancelTimer(t, &cancelled);
  PutAt<uint8_t>(b, c.Arg(1), cancelled);
}

void Sleep(Bridge&, Cpu& c) { NdisMSleep(c.Arg(0)); }
void Stall(Bridge&, Cpu& c) { KeStallExecutionProcessor(c.Arg(0)); }

// --- C runtime (cdecl) ----------------------------------------------------------
// The host never touches a range that is not all in the image's memory.
uint8_t* Range(Bridge& b, uint32_t address, uint32_t n, bool store) {
  auto* p = static_cast<uint8_t*>(Ptr(b, address, n));
  if (p == nullptr) throw Unmapped{address, n, store};
  return p;
}

void Memcpy(Bridge& b, Cpu& c) {
  uint32_t n = c.Arg(2);
  if (n != 0) {
    const uint8_t* from = Range(b, c.Arg(1), n, false);
    uint8_t* to = Range(b, c.Arg(0), n, true);
    c.ImportStores(c.Arg(0), n, [from](uint32_t i) { return from[i]; });
    std::memmove(to, from, n);
  }
  c.Return(c.Arg(0));
}

void Memset(Bridge& b, Cpu& c) {
  uint32_t n = c.Arg(2);
  if (n != 0) {
    uint8_t* to = Range(b, c.Arg(0), n, true);
    auto fill = static_cast<uint8_t>(c.Arg(1));
    c.ImportStores(c.Arg(0), n, [fill](uint32_t) { return fill; });
    std::memset(to, fill, n);
  }
  c.Return(c.Arg(0));
}

const Import kImports[] = {
    {"NdisInitializeWrapper", 16, InitializeWrapper, 0b1},
    {"NdisMRegisterMiniport", 12, RegisterMiniport},
    {"NdisTerminateWrapper", 8, TerminateWrapper},
    {"NdisOpenConfiguration", 12, OpenConfiguration, 0b11},
    {"NdisReadConfiguration", 20, ReadConfiguration, 0b11},
    {"NdisReadNetworkAddress", 16, ReadNetworkAddress, 0b111},
    {"NdisCloseConfiguration", 4, CloseConfiguration},
    {"NdisMSetAttributesEx", 20, SetAttributesEx},
    {"NdisMPciAssignResources", 12, PciAssignResources, 0b100},
    {"NdisReadPciSlotInformation", 20, ReadPciSlot, 0b1000},
    {"NdisWritePciSlotInformation", 20, WritePciSlot, 0b1000},
    {"NdisMMapIoSpace", 20, MapIoSpace, 0b1},
    {"NdisMUnmapIoSpace", 12, UnmapIoSpace},
    {"READ_REGISTER_ULONG", 4, ReadRegister},
    {"WRITE_REGISTER_ULONG", 8, WriteRegister},
    {"NdisAllocateMemory", 20, AllocateMemory, 0b1},
    {"NdisFreeMemory", 12, FreeMemory},
    {"NdisMAllocateSharedMemory", 20, AllocateSharedMemory, 0b11000},
    {"NdisMFreeSharedMemory", 24, FreeSharedMemory},
    {"NdisMAllocateMapRegisters", 20, AllocateMapRegisters},
    {"NdisMFreeMapRegisters", 4, FreeMapRegisters},
    {"NdisMStartBufferPhysicalMapping", 24, StartBufferMapping, 0b110000},
    {"NdisMCompleteBufferPhysicalMapping", 12, CompleteBufferMapping},
    {"NdisAllocatePacketPool", 16, AllocatePacketPool, 0b11},
    {"NdisFreePacketPool", 4, FreePacketPool},
    {"NdisAllocatePacket", 12, AllocatePacket, 0b11},
    {"NdisAllocateBufferPool", 12, AllocateBufferPool, 0b11},
    {"NdisFreeBufferPool", 4, FreeBufferPool},
    {"NdisAllocateBuffer", 20, AllocateBuffer, 0b11},
    {"NDIS_BUFFER_TO_SPAN_PAGES", 4, BufferSpanPages},
    {"MmMapLockedPages", 8, MapLockedPages},
    {"KfAcquireSpinLock", 0, AcquireSpinLock},
    {"KfReleaseSpinLock", 0, ReleaseSpinLock},
    {"KefAcquireSpinLockAtDpcLevel", 0, DprAcquireSpinLock},
    {"KefReleaseSpinLockFromDpcLevel", 0, DprReleaseSpinLock},
    {"NdisMRegisterInterrupt", 28, RegisterInterrupt, 0b1},
    {"NdisMDeregisterInterrupt", 4, DeregisterInterrupt},
    {"NdisMRegisterAdapterShutdownHandler", 12, RegisterShutdown},
    {"NdisMDeregisterAdapterShutdownHandler", 4, DeregisterShutdown},
    {"NdisMInitializeTimer", 16, InitializeTimer, 0b1},
    {"NdisMSetTimer", 8, SetTimer},
    {"NdisMCancelTimer", 8, CancelTimer, 0b10},
    {"NdisMSleep", 4, Sleep},
    {"KeStallExecutionProcessor", 4, Stall},
    {"memcpy", 0, Memcpy},
    {"memset", 0, Memset},
};

const Import* Find(const std::string& name) {
  for (const Import& i : kImports)
    if (name == i.name) return &i;
  return nullptr;
}

// --- Indications: the miniport block's handler slots ---------------------------
void IndicateReceive(Bridge& b, Cpu& c) {
  uint32_t count = c.Arg(2);
  std::vector<PNDIS_PACKET> host(count);
  std::vector<PacketShadow*> shadows(count);
  for (uint32_t i = 0; i < count; ++i) {
    shadows[i] = b.PacketByEmu(GetAt<uint32_t>(b, c.Arg(1) + 4 * i));
    if (shadows[i] != nullptr) b.PacketToHost(*shadows[i]);
    host[i] = shadows[i] != nullptr ? shadows[i]->host : nullptr;
  }
  NdisMIndicateReceivePacket(Adapter(b, c, 0), host.data(), count);
  // The status the protocols left (pending while they keep a packet).
  for (PacketShadow* s : shadows)
    if (s != nullptr) b.PacketToEmu(*s);
}

void SendComplete(Bridge& b, Cpu& c) {
  PacketShadow* s = b.PacketByEmu(c.Arg(1));
  if (s != nullptr) b.PacketToHost(*s);
  NdisMSendComplete(Adapter(b, c, 0), s != nullptr ? s->host : nullptr, static_cast<NDIS_STATUS>(c.Arg(2)));
}

void SendResources(Bridge& b, Cpu& c) { NdisMSendResourcesAvailable(Adapter(b, c, 0)); }

void ResetComplete(Bridge& b, Cpu& c) {
  NdisMResetComplete(Adapter(b, c, 0), static_cast<NDIS_STATUS>(c.Arg(1)), static_cast<BOOLEAN>(c.Arg(2)));
}

void Status(Bridge& b, Cpu& c) {
  NdisMIndicateStatus(Adapter(b, c, 0), static_cast<NDIS_STATUS>(c.Arg(1)), Ptr(b, c.Arg(2), c.Arg(3)), c.Arg(3));
}

void StatusComplete(Bridge& b, Cpu& c) { NdisMIndicateStatusComplete(Adapter(b, c, 0)); }

// The adapter's pending request, if it has one.
void FinishPending(Bridge& b, uint32_t block) {
  AdapterShadow* a = b.AdapterByBlock(block);
  if (a != nullptr && a->request.counts != 0) FinishRequest(b, a->request);
}

void QueryComplete(Bridge& b, Cpu& c) {
  FinishPending(b, c.Arg(0));
  NdisMQueryInformationComplete(Adapter(b, c, 0), static_cast<NDIS_STATUS>(c.Arg(1)));
}

void SetComplete(Bridge& b, Cpu& c) {
  FinishPending(b, c.Arg(0));
  NdisMSetInformationComplete(Adapter(b, c, 0), static_cast<NDIS_STATUS>(c.Arg(1)));
}

struct Slot {
  uint32_t offset;
  const char* name;
  uint16_t stack_bytes;
  Fn fn;
};

const Slot kSlots[] = {
    {ddk::NDIS_MINIPORT_BLOCK_PacketIndicateHandler, "NdisMIndicateReceivePacket", 12, IndicateReceive},
    {ddk::NDIS_MINIPORT_BLOCK_SendCompleteHandler, "NdisMSendComplete", 12, SendComplete},
    {ddk::NDIS_MINIPORT_BLOCK_SendResourcesHandler, "NdisMSendResourcesAvailable", 4, SendResources},
    {ddk::NDIS_MINIPORT_BLOCK_ResetCompleteHandler, "NdisMResetComplete", 12, ResetComplete},
    {ddk::NDIS_MINIPORT_BLOCK_StatusHandler, "NdisMIndicateStatus", 16, Status},
    {ddk::NDIS_MINIPORT_BLOCK_StatusCompleteHandler, "NdisMIndicateStatusComplete", 4, StatusComplete},
    {ddk::NDIS_MINIPORT_BLOCK_QueryCompleteHandler, "NdisMQueryInformationComplete", 8, QueryComplete},
    {ddk::NDIS_MINIPORT_BLOCK_SetCompleteHandler, "NdisMSetInformationComplete", 8, SetComplete},
};

constexpr uint32_t kSlotThunks = 256;  // first thunk slot of the block's handlers

uint32_t Install(Bridge& b, uint32_t slot, const char* name, uint16_t stack_bytes, Fn fn, uint8_t pointers = 0) {
  Bridge* bridge = &b;
  return b.cpu().AddThunk(slot, stack_bytes, [bridge, name, fn, pointers](Cpu& c) {
    char what[128];
    for (int i = 0; i < 8; ++i) {
      if ((pointers >> i & 1) == 0 || bridge->At<uint8_t>(c.Arg(i)) != nullptr) continue;
      std::snprintf(what, sizeof what, "%s given 0x%x as argument %d, which names no memory of the image", name,
                    c.Arg(i), i + 1);
      return c.Fault(what);
    }
    try {
      fn(*bridge, c);
    } catch (const Unmapped& u) {
      std::snprintf(what, sizeof what, "%s %s %u bytes at 0x%x, outside the image's memory", name,
                    u.store ? "stores" : "reads", u.length, u.address);
      c.Fault(what);
    }
  });
}

}  // namespace

bool CheckImports(const PeImage& image, std::string* error) {
  std::string missing;
  for (const ImportRef& i : image.imports)
    if (Find(i.name) == nullptr) missing += (missing.empty() ? "" : ", ") + i.module + "!" + i.name;
  if (missing.empty()) return true;
  *error = "imports the host does not provide: " + missing;
  return false;
}

bool InstallImportThunks(Bridge& b, const PeImage& image, uint32_t image_base, std::string* error) {
  if (!CheckImports(image, error)) return false;
  if (image.imports.size() > kSlotThunks) {
    *error = "more imports than thunk slots";
    return false;
  }
  uint32_t next = 0;
  for (const ImportRef& i : image.imports) {
    const Import* imp = Find(i.name);
    b.cpu().Write32(image_base + i.slot_rva, Install(b, next++, imp->name, imp->stack_bytes, imp->fn, imp->pointers));
  }
  for (size_t s = 0; s < sizeof(kSlots) / sizeof(kSlots[0]); ++s)
    Install(b, kSlotThunks + static_cast<uint32_t>(s), kSlots[s].name, kSlots[s].stack_bytes, kSlots[s].fn);
  return true;
}

void FillMiniportBlock(Bridge& b, uint32_t block) {
  for (size_t s = 0; s < sizeof(kSlots) / sizeof(kSlots[0]); ++s)
    b.cpu().Write32(block + kSlots[s].offset, kThunkPage + (kSlotThunks + static_cast<uint32_t>(s)) * Cpu::kSlotSize);
}

}  // namespace kimage

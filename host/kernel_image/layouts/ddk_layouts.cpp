// Offsets and sizes of the NDIS and kernel records a miniport image reads or
// writes, as the i686 kernel build lays them out. Compiled for i686 only; each
// constant becomes an absolute symbol that ddk-layouts.sh reads back with
// objdump into a header for the host.
#include <ndis.h>

#include "layouts.h"

extern "C" void DdkLayouts(void) {
  SIZE(NDIS_PACKET);
  FIELD(NDIS_PACKET, PhysicalCount, Private.PhysicalCount);
  FIELD(NDIS_PACKET, TotalLength, Private.TotalLength);
  FIELD(NDIS_PACKET, Head, Private.Head);
  FIELD(NDIS_PACKET, Tail, Private.Tail);
  FIELD(NDIS_PACKET, Pool, Private.Pool);
  FIELD(NDIS_PACKET, Count, Private.Count);
  FIELD(NDIS_PACKET, Flags, Private.Flags);
  FIELD(NDIS_PACKET, ValidCounts, Private.ValidCounts);
  FIELD(NDIS_PACKET, NdisPacketFlags, Private.NdisPacketFlags);
  FIELD(NDIS_PACKET, NdisPacketOobOffset, Private.NdisPacketOobOffset);
  FIELD(NDIS_PACKET, MiniportReserved, MiniportReserved);
  FIELD(NDIS_PACKET, ProtocolReserved, ProtocolReserved);
  SIZE(NDIS_PACKET_OOB_DATA);
  FIELD(NDIS_PACKET_OOB_DATA, HeaderSize, HeaderSize);
  FIELD(NDIS_PACKET_OOB_DATA, Status, Status);
  SIZE(NDIS_PACKET_EXTENSION);

  SIZE(MDL);
  FIELD(MDL, Next, Next);
  FIELD(MDL, Size, Size);
  FIELD(MDL, MdlFlags, MdlFlags);
  FIELD(MDL, MappedSystemVa, MappedSystemVa);
  FIELD(MDL, StartVa, StartVa);
  FIELD(MDL, ByteCount, ByteCount);
  FIELD(MDL, ByteOffset, ByteOffset);
  LAYOUT(MdlSourceIsNonpagedPool, MDL_SOURCE_IS_NONPAGED_POOL);

  SIZE(NDIS_SPIN_LOCK);
  FIELD(NDIS_SPIN_LOCK, SpinLock, SpinLock);
  FIELD(NDIS_SPIN_LOCK, OldIrql, OldIrql);
  SIZE(NDIS_MINIPORT_INTERRUPT);
  SIZE(NDIS_MINIPORT_TIMER);

  SIZE(UNICODE_STRING);
  FIELD(UNICODE_STRING, Length, Length);
  FIELD(UNICODE_STRING, MaximumLength, MaximumLength);
  FIELD(UNICODE_STRING, Buffer, Buffer);
  SIZE(NDIS_CONFIGURATION_PARAMETER);
  FIELD(NDIS_CONFIGURATION_PARAMETER, ParameterType, ParameterType);
  FIELD(NDIS_CONFIGURATION_PARAMETER, IntegerData, ParameterData.IntegerData);
  FIELD(NDIS_CONFIGURATION_PARAMETER, StringData, ParameterData.StringData);

  SIZE(CM_PARTIAL_RESOURCE_LIST);
  FIELD(CM_PARTIAL_RESOURCE_LIST, Version, Version);
  FIELD(CM_PARTIAL_RESOURCE_LIST, Revision, Revision);
  FIELD(CM_PARTIAL_RESOURCE_LIST, Count, Count);
  FIELD(CM_PARTIAL_RESOURCE_LIST, PartialDescriptors, PartialDescriptors);
  SIZE(CM_PARTIAL_RESOURCE_DESCRIPTOR);
  FIELD(CM_PARTIAL_RESOURCE_DESCRIPTOR, Type, Type);
  FIELD(CM_PARTIAL_RESOURCE_DESCRIPTOR, ShareDisposition, ShareDisposition);
  FIELD(CM_PARTIAL_RESOURCE_DESCRIPTOR, Flags, Flags);
  FIELD(CM_PARTIAL_RESOURCE_DESCRIPTOR, PortStart, u.Port.Start);
  FIELD(CM_PARTIAL_RESOURCE_DESCRIPTOR, PortLength, u.Port.Length);
  FIELD(CM_PARTIAL_RESOURCE_DESCRIPTOR, InterruptLevel, u.Interrupt.Level);
  FIELD(CM_PARTIAL_RESOURCE_DESCRIPTOR, InterruptVector, u.Interrupt.Vector);
  FIELD(CM_PARTIAL_RESOURCE_DESCRIPTOR, InterruptAffinity, u.Interrupt.Affinity);
  FIELD(CM_PARTIAL_RESOURCE_DESCRIPTOR, MemoryStart, u.Memory.Start);
  FIELD(CM_PARTIAL_RESOURCE_DESCRIPTOR, MemoryLength, u.Memory.Length);

  SIZE(NDIS_PHYSICAL_ADDRESS_UNIT);
  FIELD(NDIS_PHYSICAL_ADDRESS_UNIT, PhysicalAddress, PhysicalAddress);
  FIELD(NDIS_PHYSICAL_ADDRESS_UNIT, Length, Length);

  SIZE(NDIS_MINIPORT_CHARACTERISTICS);
  SIZE(NDIS30_MINIPORT_CHARACTERISTICS);
  SIZE(NDIS40_MINIPORT_CHARACTERISTICS);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, MajorNdisVersion, Ndis40Chars.Ndis30Chars.MajorNdisVersion);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, MinorNdisVersion, Ndis40Chars.Ndis30Chars.MinorNdisVersion);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, CheckForHangHandler, Ndis40Chars.Ndis30Chars.CheckForHangHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, DisableInterruptHandler, Ndis40Chars.Ndis30Chars.DisableInterruptHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, EnableInterruptHandler, Ndis40Chars.Ndis30Chars.EnableInterruptHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, HaltHandler, Ndis40Chars.Ndis30Chars.HaltHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, HandleInterruptHandler, Ndis40Chars.Ndis30Chars.HandleInterruptHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, InitializeHandler, Ndis40Chars.Ndis30Chars.InitializeHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, ISRHandler, Ndis40Chars.Ndis30Chars.ISRHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, QueryInformationHandler, Ndis40Chars.Ndis30Chars.QueryInformationHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, ReconfigureHandler, Ndis40Chars.Ndis30Chars.ReconfigureHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, ResetHandler, Ndis40Chars.Ndis30Chars.ResetHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, SendHandler, Ndis40Chars.Ndis30Chars.SendHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, SetInformationHandler, Ndis40Chars.Ndis30Chars.SetInformationHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, TransferDataHandler, Ndis40Chars.Ndis30Chars.TransferDataHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, ReturnPacketHandler, Ndis40Chars.ReturnPacketHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, SendPacketsHandler, Ndis40Chars.SendPacketsHandler);
  FIELD(NDIS_MINIPORT_CHARACTERISTICS, AllocateCompleteHandler, Ndis40Chars.AllocateCompleteHandler);

  SIZE(NDIS_MINIPORT_BLOCK);
  FIELD(NDIS_MINIPORT_BLOCK, PacketIndicateHandler, PacketIndicateHandler);
  FIELD(NDIS_MINIPORT_BLOCK, SendCompleteHandler, SendCompleteHandler);
  FIELD(NDIS_MINIPORT_BLOCK, SendResourcesHandler, SendResourcesHandler);
  FIELD(NDIS_MINIPORT_BLOCK, ResetCompleteHandler, ResetCompleteHandler);
  FIELD(NDIS_MINIPORT_BLOCK, StatusHandler, StatusHandler);
  FIELD(NDIS_MINIPORT_BLOCK, StatusCompleteHandler, StatusCompleteHandler);
  FIELD(NDIS_MINIPORT_BLOCK, QueryCompleteHandler, QueryCompleteHandler);
  FIELD(NDIS_MINIPORT_BLOCK, SetCompleteHandler, SetCompleteHandler);

  SIZE(DRIVER_OBJECT);
}

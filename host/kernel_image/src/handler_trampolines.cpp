// The miniport handlers the stand-in calls: each one translates its host
// arguments into emulated ones and runs the image's handler.
#include <cstring>

#include "bridge.h"
#include "hostndis/adapter.h"
#include "ddk_layouts.h"

namespace kimage {
namespace {

uint32_t Ctx(NDIS_HANDLE context) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(context)); }

// Emulated scratch for a handler's outputs, given back when the handler returns.
class Scratch {
 public:
  Scratch(Bridge& b, uint32_t length) : b_(b), mark_(b.scratch_top()), at_(b.TakeScratch(length)) {
    std::memset(host(0, length), 0, length);
  }
  ~Scratch() { b_.GiveBackScratch(mark_); }
  uint32_t at(uint32_t offset = 0) const { return at_ + offset; }
  uint32_t U32(uint32_t offset) { return b_.cpu().Read32(at_ + offset); }
  uint8_t* host(uint32_t offset, uint32_t length) { return b_.At<uint8_t>(at_ + offset, length); }

 private:
  Bridge& b_;
  uint32_t mark_, at_;
};

NDIS_STATUS NTAPI Initialize(PNDIS_STATUS OpenErrorStatus, PUINT SelectedMediumIndex, PNDIS_MEDIUM MediumArray,
                             UINT MediumArraySize, NDIS_HANDLE MiniportAdapterHandle,
                             NDIS_HANDLE WrapperConfigurationContext) {
  Bridge* b = Bridge::Current("MiniportInitialize");
  if (b == nullptr) return NDIS_STATUS_FAILURE;
  AdapterShadow& a = b->AdapterFor(MiniportAdapterHandle);
  Scratch s(*b, 8 + 4 * MediumArraySize);
  std::memcpy(s.host(0, 4), OpenErrorStatus, 4);
  std::memcpy(s.host(4, 4), SelectedMediumIndex, 4);
  std::memcpy(s.host(8, 4 * MediumArraySize), MediumArray, 4 * MediumArraySize);
  uint32_t status = b->Call(b->handlers.initialize, {s.at(0), s.at(4), s.at(8), MediumArraySize, a.block,
                                                     b->HandleOf(WrapperConfigurationContext)});
  *OpenErrorStatus = static_cast<NDIS_STATUS>(s.U32(0));
  *SelectedMediumIndex = s.U32(4);
  return static_cast<NDIS_STATUS>(status);
}

VOID NTAPI Halt(NDIS_HANDLE context) {
  Bridge* b = Bridge::Current("MiniportHalt");
  if (b != nullptr) b->Call(b->handlers.halt, {Ctx(context)});
}

VOID NTAPI Isr(PBOOLEAN InterruptRecognized, PBOOLEAN QueueMiniportHandleInterrupt, NDIS_HANDLE context) {
  Bridge* b = Bridge::Current("MiniportIsr");
  if (b == nullptr) return;
  Scratch s(*b, 8);
  // What the stand-in preset stays unless the handler writes it.
  *s.host(0, 1) = *InterruptRecognized;
  *s.host(4, 1) = *QueueMiniportHandleInterrupt;
  b->Call(b->handlers.isr, {s.at(0), s.at(4), Ctx(context)});
  *InterruptRecognized = *s.host(0, 1);
  *QueueMiniportHandleInterrupt = *s.host(4, 1);
}

VOID NTAPI HandleInterrupt(NDIS_HANDLE context) {
  Bridge* b = Bridge::Current("MiniportHandleInterrupt");
  if (b != nullptr) b->Call(b->handlers.handle_interrupt, {Ctx(context)});
}

VOID NTAPI EnableInterrupt(NDIS_HANDLE context) {
  Bridge* b = Bridge::Current("MiniportEnableInterrupt");
  if (b != nullptr) b->Call(b->handlers.enable_interrupt, {Ctx(context)});
}

VOID NTAPI DisableInterrupt(NDIS_HANDLE context) {
  Bridge* b = Bridge::Current("MiniportDisableInterrupt");
  if (b != nullptr) b->Call(b->handlers.disable_interrupt, {Ctx(context)});
}

BOOLEAN NTAPI CheckForHang(NDIS_HANDLE context) {
  Bridge* b = Bridge::Current("MiniportCheckForHang");
  return b != nullptr && (b->Call(b->handlers.check_for_hang, {Ctx(context)}) & 0xff) != 0;
}

// Queries and sets run on an emulated copy of the information buffer and
// the guard bytes behind it. The copy is the adapter's pending request from
// before the handler runs, so that a completion made inside the handler finds
// it; a request that does not pend is finished when the handler returns.
NDIS_STATUS Request(Bridge* b, uint32_t handler, bool query, NDIS_HANDLE context, NDIS_OID Oid, PVOID Buffer,
                    ULONG Length, PULONG Done, PULONG Needed) {
  AdapterShadow* a = b->AdapterByContext(Ctx(context));
  RequestCopy own;
  RequestCopy& r = a != nullptr ? a->request : own;
  uint32_t copied = Length + static_cast<uint32_t>(hostndis::kInformationGuard);
  r.counts = b->heap().Allocate(8);
  r.emu = b->heap().Allocate(copied);
  r.length = Length;
  r.host = static_cast<uint8_t*>(Buffer);
  r.query = query;
  r.done = Done;
  r.needed = Needed;
  std::memcpy(b->At<uint8_t>(r.emu, copied), Buffer, copied);
  b->cpu().Write32(r.counts, *Done);
  b->cpu().Write32(r.counts + 4, *Needed);
  uint32_t emu = Length != 0 ? r.emu : 0;
  NDIS_STATUS status =
      static_cast<NDIS_STATUS>(b->Call(handler, {Ctx(context), Oid, emu, Length, r.counts, r.counts + 4}));
  if (r.counts == 0) return status;  // completed inside the handler
  if (status == NDIS_STATUS_PENDING && a != nullptr) {
    CopyBack(*b, r);  // what the stand-in looks at when the handler returns
    return status;
  }
  FinishRequest(*b, r);
  return status;
}

NDIS_STATUS NTAPI Query(NDIS_HANDLE context, NDIS_OID Oid, PVOID Buffer, ULONG Length, PULONG Written,
                        PULONG Needed) {
  Bridge* b = Bridge::Current("MiniportQueryInformation");
  if (b == nullptr) return NDIS_STATUS_FAILURE;
  return Request(b, b->handlers.query, true, context, Oid, Buffer, Length, Written, Needed);
}

NDIS_STATUS NTAPI Set(NDIS_HANDLE context, NDIS_OID Oid, PVOID Buffer, ULONG Length, PULONG Read, PULONG Needed) {
  Bridge* b = Bridge::Current("MiniportSetInformation");
  if (b == nullptr) return NDIS_STATUS_FAILURE;
  return Request(b, b->handlers.set, false, context, Oid, Buffer, Length, Read, Needed);
}

NDIS_STATUS NTAPI Reset(PBOOLEAN AddressingReset, NDIS_HANDLE context) {
  Bridge* b = Bridge::Current("MiniportReset");
  if (b == nullptr) return NDIS_STATUS_FAILURE;
  Scratch s(*b, 4);
  *s.host(0, 1) = *AddressingReset;
  NDIS_STATUS status = static_cast<NDIS_STATUS>(b->Call(b->handlers.reset, {s.at(0), Ctx(context)}));
  *AddressingReset = *s.host(0, 1);
  return status;
}

VOID NTAPI ReturnPacket(NDIS_HANDLE context, PNDIS_PACKET Packet) {
  Bridge* b = Bridge::Current("MiniportReturnPacket");
  if (b == nullptr) return;
  PacketShadow* p = b->PacketByHost(Packet);
  uint32_t emu = p != nullptr ? p->emu : b->ShadowPacket(Packet, 0);
  b->Call(b->handlers.return_packet, {Ctx(context), emu});
}

// A protocol's packet as it goes into the image.
uint32_t PacketToImage(Bridge* b, PNDIS_PACKET packet) {
  PacketShadow* p = b->PacketByHost(packet);
  return p != nullptr ? (b->PacketToEmu(*p), p->emu) : b->ShadowPacket(packet, 0);
}

NDIS_STATUS NTAPI Send(NDIS_HANDLE context, PNDIS_PACKET Packet, UINT Flags) {
  Bridge* b = Bridge::Current("MiniportSend");
  if (b == nullptr) return NDIS_STATUS_FAILURE;
  return static_cast<NDIS_STATUS>(b->Call(b->handlers.send, {Ctx(context), PacketToImage(b, Packet), Flags}));
}

VOID NTAPI SendPackets(NDIS_HANDLE context, PPNDIS_PACKET PacketArray, UINT NumberOfPackets) {
  Bridge* b = Bridge::Current("MiniportSendPackets");
  if (b == nullptr) return;
  Scratch s(*b, 4 * NumberOfPackets);
  for (UINT i = 0; i < NumberOfPackets; ++i) b->cpu().Write32(s.at(4 * i), PacketToImage(b, PacketArray[i]));
  b->Call(b->handlers.send_packets, {Ctx(context), s.at(0), NumberOfPackets});
  // The status each packet was left with (resources, success, pending).
  for (UINT i = 0; i < NumberOfPackets; ++i)
    if (PacketShadow* p = b->PacketByHost(PacketArray[i])) {
      const uint8_t* e = b->At<uint8_t>(p->emu, 1);
      uint16_t oob;
      std::memcpy(&oob, e + ddk::NDIS_PACKET_NdisPacketOobOffset, 2);
      int32_t status;
      std::memcpy(&status, e + oob + ddk::NDIS_PACKET_OOB_DATA_Status, 4);
      NDIS_SET_PACKET_STATUS(PacketArray[i], status);
    }
}

}  // namespace

void CopyBack(Bridge& b, const RequestCopy& r) {
  uint32_t from = r.query ? 0 : r.length;  // a set's own bytes stay the protocol's
  uint32_t to = r.length + static_cast<uint32_t>(hostndis::kInformationGuard);
  std::memcpy(r.host + from, b.At<uint8_t>(r.emu + from, to - from), to - from);
  *r.done = b.cpu().Read32(r.counts);
  *r.needed = b.cpu().Read32(r.counts + 4);
}

void FinishRequest(Bridge& b, RequestCopy& r) {
  CopyBack(b, r);
  b.heap().Free(r.counts);
  b.heap().Free(r.emu);
  r = RequestCopy();
}

NDIS_MINIPORT_CHARACTERISTICS HostCharacteristics(const ImageHandlers& h) {
  NDIS_MINIPORT_CHARACTERISTICS c{};
  NDIS30_MINIPORT_CHARACTERISTICS& c30 = c.Ndis40Chars.Ndis30Chars;
  if (h.check_for_hang) c30.CheckForHangHandler = CheckForHang;
  if (h.disable_interrupt) c30.DisableInterruptHandler = DisableInterrupt;
  if (h.enable_interrupt) c30.EnableInterruptHandler = EnableInterrupt;
  if (h.halt) c30.HaltHandler = Halt;
  if (h.handle_interrupt) c30.HandleInterruptHandler = HandleInterrupt;
  if (h.initialize) c30.InitializeHandler = Initialize;
  if (h.isr) c30.ISRHandler = Isr;
  if (h.query) c30.QueryInformationHandler = Query;
  if (h.reset) c30.ResetHandler = Reset;
  if (h.send) c30.SendHandler = Send;
  if (h.set) c30.SetInformationHandler = Set;
  if (h.return_packet) c.Ndis40Chars.ReturnPacketHandler = ReturnPacket;
  if (h.send_packets) c.Ndis40Chars.SendPacketsHandler = SendPackets;
  return c;
}

}  // namespace kimage

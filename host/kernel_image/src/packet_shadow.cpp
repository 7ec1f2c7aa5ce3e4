// Packets and MDLs: each host record has an emulated one in the DDK's layout.
// What the image may change (buffer chain, byte counts, out-of-band status and
// header size) is copied to the host record when a packet leaves the image,
// and the other way when it enters.
#include <algorithm>
#include <cstring>
#include <vector>

#include "bridge.h"
#include "ddk_layouts.h"

namespace kimage {
namespace {

constexpr uint32_t kProtocolReserved = 64;  // room the emulated packet leaves for protocols
constexpr uint32_t kOobOffset = (ddk::NDIS_PACKET_ProtocolReserved + kProtocolReserved + 7) & ~7u;
constexpr uint32_t kPacketSize = kOobOffset + ddk::NDIS_PACKET_OOB_DATA_size + ddk::NDIS_PACKET_EXTENSION_size;

template <typename T>
T Get(const uint8_t* record, uint32_t offset) {
  T v;
  std::memcpy(&v, record + offset, sizeof v);
  return v;
}
template <typename T>
void Put(uint8_t* record, uint32_t offset, T v) {
  std::memcpy(record + offset, &v, sizeof v);
}

}  // namespace

uint32_t Bridge::ShadowPacket(PNDIS_PACKET host, uint32_t pool) {
  auto it = packet_by_host_.find(host);
  if (it != packet_by_host_.end()) return it->second;
  uint32_t emu = heap_.Allocate(kPacketSize);
  uint8_t* p = At<uint8_t>(emu, kPacketSize);
  Put<uint32_t>(p, ddk::NDIS_PACKET_Pool, pool);
  Put<uint16_t>(p, ddk::NDIS_PACKET_NdisPacketOobOffset, static_cast<uint16_t>(kOobOffset));
  packets_[emu] = PacketShadow{host, emu, pool};
  packet_by_host_[host] = emu;
  PacketToEmu(packets_[emu]);
  return emu;
}

PacketShadow* Bridge::PacketByEmu(uint32_t emu) {
  auto it = packets_.find(emu);
  return it == packets_.end() ? nullptr : &it->second;
}

PacketShadow* Bridge::PacketByHost(PNDIS_PACKET host) {
  auto it = packet_by_host_.find(host);
  return it == packet_by_host_.end() ? nullptr : &packets_[it->second];
}

uint32_t Bridge::ShadowMdl(PNDIS_BUFFER host, uint32_t pool) {
  auto it = mdl_by_host_.find(host);
  uint32_t emu;
  if (it != mdl_by_host_.end()) {
    emu = it->second;
  } else {
    emu = heap_.Allocate(ddk::MDL_size);
    mdls_[emu] = MdlShadow{host, emu, pool};
    mdl_by_host_[host] = emu;
  }
  uint8_t* m = At<uint8_t>(emu, ddk::MDL_size);
  uint32_t va = Emu(host->MappedSystemVa);
  Put<uint16_t>(m, ddk::MDL_Size, static_cast<uint16_t>(ddk::MDL_size));
  Put<uint16_t>(m, ddk::MDL_MdlFlags, static_cast<uint16_t>(ddk::MdlSourceIsNonpagedPool));
  Put<uint32_t>(m, ddk::MDL_MappedSystemVa, va);
  Put<uint32_t>(m, ddk::MDL_StartVa, va & ~0xfffu);
  Put<uint32_t>(m, ddk::MDL_ByteOffset, va & 0xfffu);
  Put<uint32_t>(m, ddk::MDL_ByteCount, host->ByteCount);
  return emu;
}

PNDIS_BUFFER Bridge::HostMdl(uint32_t emu) {
  auto it = mdls_.find(emu);
  if (it != mdls_.end()) return it->second.host;
  foreign_mdl_ = NDIS_BUFFER{};
  return &foreign_mdl_;
}

namespace {

// Drops the shadows (emulated address -> shadow, host -> emulated) of `pool`.
template <typename ByEmu, typename ByHost>
void DropShadows(ByEmu& by_emu, ByHost& by_host, EmuHeap& heap, uint32_t pool) {
  for (auto it = by_emu.begin(); it != by_emu.end();) {
    if (it->second.pool != pool) {
      ++it;
      continue;
    }
    by_host.erase(it->second.host);
    heap.Free(it->first);
    it = by_emu.erase(it);
  }
}

}  // namespace

void Bridge::DropPool(uint32_t pool) {
  DropShadows(packets_, packet_by_host_, heap_, pool);
  DropShadows(mdls_, mdl_by_host_, heap_, pool);
}

void Bridge::MdlLengthToHost(uint32_t emu_mdl) {
  auto it = mdls_.find(emu_mdl);
  if (it == mdls_.end()) return;
  uint32_t count = Get<uint32_t>(At<uint8_t>(emu_mdl, ddk::MDL_size), ddk::MDL_ByteCount);
  // Through the stand-in's call, so that a length beyond the memory is caught.
  if (it->second.host->ByteCount != count) NdisAdjustBufferLength(it->second.host, count);
}

void Bridge::PacketToEmu(PacketShadow& s) {
  uint8_t* p = At<uint8_t>(s.emu, kPacketSize);
  PNDIS_PACKET h = s.host;
  uint32_t head = 0, tail = 0;
  for (PNDIS_BUFFER b = h->Private.Head; b != nullptr; b = b->Next) {
    uint32_t emu = ShadowMdl(b, 0);
    if (tail != 0) Put<uint32_t>(At<uint8_t>(tail, ddk::MDL_size), ddk::MDL_Next, emu);
    if (head == 0) head = emu;
    tail = emu;
  }
  if (tail != 0) Put<uint32_t>(At<uint8_t>(tail, ddk::MDL_size), ddk::MDL_Next, 0);
  Put<uint32_t>(p, ddk::NDIS_PACKET_Head, head);
  Put<uint32_t>(p, ddk::NDIS_PACKET_Tail, tail);
  Put<uint8_t>(p, ddk::NDIS_PACKET_ValidCounts, 0);
  Put<uint32_t>(p, ddk::NDIS_PACKET_Flags, h->Private.Flags);
  Put<uint8_t>(p, ddk::NDIS_PACKET_NdisPacketFlags, h->Private.NdisPacketFlags);
  Put<uint32_t>(p, kOobOffset + ddk::NDIS_PACKET_OOB_DATA_HeaderSize, NDIS_GET_PACKET_HEADER_SIZE(h));
  Put<int32_t>(p, kOobOffset + ddk::NDIS_PACKET_OOB_DATA_Status, NDIS_GET_PACKET_STATUS(h));
}

void Bridge::PacketToHost(PacketShadow& s) {
  uint8_t* p = At<uint8_t>(s.emu, kPacketSize);
  PNDIS_PACKET h = s.host;
  PNDIS_BUFFER head = nullptr, tail = nullptr;
  std::vector<uint32_t> seen;
  for (uint32_t emu = Get<uint32_t>(p, ddk::NDIS_PACKET_Head); emu != 0;
       emu = Get<uint32_t>(At<uint8_t>(emu, ddk::MDL_size), ddk::MDL_Next)) {
    // An MDL not of ours, or one met before (a loop), breaks the chain: it
    // ends in an MDL of no pool, as the stand-in would see it natively.
    bool broken = !IsShadowMdl(emu) || std::find(seen.begin(), seen.end(), emu) != seen.end();
    PNDIS_BUFFER b = broken ? HostMdl(0) : HostMdl(emu);
    if (tail != nullptr) tail->Next = b;
    if (head == nullptr) head = b;
    tail = b;
    if (broken) break;
    MdlLengthToHost(emu);
    seen.push_back(emu);
  }
  if (tail != nullptr) tail->Next = nullptr;
  h->Private.Head = head;
  h->Private.Tail = tail;
  h->Private.ValidCounts = FALSE;
  h->Private.Flags = Get<uint32_t>(p, ddk::NDIS_PACKET_Flags);
  h->Private.NdisPacketFlags = Get<uint8_t>(p, ddk::NDIS_PACKET_NdisPacketFlags);
  NDIS_SET_PACKET_HEADER_SIZE(h, Get<uint32_t>(p, kOobOffset + ddk::NDIS_PACKET_OOB_DATA_HeaderSize));
  NDIS_SET_PACKET_STATUS(h, Get<int32_t>(p, kOobOffset + ddk::NDIS_PACKET_OOB_DATA_Status));
}

}  // namespace kimage

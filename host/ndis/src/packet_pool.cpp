#include "hostndis/detail/packet_pool.h"

#include <cstdlib>
#include <cstring>

namespace hostndis::detail {

namespace {
constexpr uint32_t RoundUp(uint32_t value, uint32_t to) { return (value + to - 1) / to * to; }
}  // namespace

PacketPool::PacketPool(uint32_t count, uint32_t protocol_reserved, Miniport* owner) : owner_(owner) {
  uint32_t header = offsetof(NDIS_PACKET, ProtocolReserved) + (protocol_reserved ? protocol_reserved : 1);
  oob_offset_ = static_cast<uint16_t>(RoundUp(header, 8));
  stride_ = RoundUp(oob_offset_ + sizeof(NDIS_PACKET_OOB_DATA) + sizeof(NDIS_PACKET_EXTENSION), 16);
  count_ = count;
  block_ = static_cast<uint8_t*>(std::calloc(count ? count : 1, stride_));
  slots_.resize(count);
  free_.reserve(count);
  for (uint32_t i = count; i > 0; --i) free_.push_back(i - 1);
}

PacketPool::~PacketPool() { std::free(block_); }

void PacketPool::Release() {
  std::free(block_);
  block_ = nullptr;
  free_.clear();
  for (Slot& s : slots_) s = Slot();
  outstanding_ = 0;
}

PNDIS_PACKET PacketPool::Allocate() {
  if (free_.empty()) return nullptr;
  uint32_t index = free_.back();
  free_.pop_back();
  slots_[index] = Slot{true, false};
  ++outstanding_;
  PNDIS_PACKET packet = At(index);
  std::memset(packet, 0, stride_);
  packet->Private.Pool = handle();
  packet->Private.NdisPacketOobOffset = oob_offset_;
  packet->Private.NdisPacketFlags = fPACKET_ALLOCATED_BY_NDIS;
  return packet;
}

void PacketPool::Free(uint32_t index) {
  if (index >= count_ || !slots_[index].allocated) return;
  slots_[index] = Slot();
  free_.push_back(index);
  --outstanding_;
}

uint32_t PacketPool::held_by_protocol() const {
  uint32_t n = 0;
  for (const Slot& s : slots_) n += s.held_by_protocol ? 1 : 0;
  return n;
}

}  // namespace hostndis::detail

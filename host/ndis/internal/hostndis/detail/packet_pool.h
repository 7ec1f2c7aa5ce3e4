// A pool of NDIS packets laid out as NDIS lays them out: the packet, its
// protocol-reserved area, then its out-of-band data and per-packet info.
// A packet's pool and index follow from its address, with no lookup.
#pragma once

#include <cstdint>
#include <vector>

#include <ndis.h>

namespace hostndis::detail {

class Miniport;

class PacketPool {
 public:
  struct Slot {
    bool allocated = false;
    bool held_by_protocol = false;  // indicated and kept by the protocol side
  };

  PacketPool(uint32_t count, uint32_t protocol_reserved, Miniport* owner);
  ~PacketPool();
  PacketPool(const PacketPool&) = delete;
  PacketPool& operator=(const PacketPool&) = delete;

  // A fresh packet (empty chain, zeroed out-of-band data), or null.
  PNDIS_PACKET Allocate();
  void Free(uint32_t index);
  // Drops the packets' memory; the pool stays known as a dead handle.
  void Release();

  // Index of the packet that starts at `p`, or -1.
  int32_t IndexOf(const void* p) const {
    uintptr_t offset = reinterpret_cast<uintptr_t>(p) - reinterpret_cast<uintptr_t>(block_);
    if (block_ == nullptr || offset >= static_cast<uintptr_t>(stride_) * count_ || offset % stride_ != 0) return -1;
    return static_cast<int32_t>(offset / stride_);
  }
  PNDIS_PACKET At(uint32_t index) { return reinterpret_cast<PNDIS_PACKET>(block_ + static_cast<size_t>(index) * stride_); }
  Slot& slot(uint32_t index) { return slots_[index]; }

  NDIS_HANDLE handle() { return this; }
  Miniport* owner() const { return owner_; }
  bool alive() const { return block_ != nullptr; }
  uint32_t count() const { return count_; }
  uint32_t outstanding() const { return outstanding_; }
  uint32_t held_by_protocol() const;

 private:
  uint8_t* block_ = nullptr;
  uint32_t stride_ = 0;
  uint32_t count_ = 0;
  uint16_t oob_offset_ = 0;
  Miniport* owner_;
  std::vector<Slot> slots_;
  std::vector<uint32_t> free_;
  uint32_t outstanding_ = 0;
};

}  // namespace hostndis::detail

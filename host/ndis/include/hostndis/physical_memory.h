// The simulated machine's physical memory, as both sides see it: the driver
// through host virtual addresses, a bus-mastering device through 32-bit bus
// addresses (sim::DmaSpace).
//
// One host reservation holds two zones of 4 KiB pages. In the contiguous zone
// virtually adjacent pages are physically adjacent (shared memory and
// contiguous allocations come from here); in the scattered zone no two
// virtually adjacent pages are physically adjacent, and physical order runs
// backwards, so that a protocol buffer crossing a page needs two DMA
// segments, as it would on a real machine.
//
// Backed by anonymous memory, bus addresses are made up; backed by a file of
// physical memory (/dev/mem over a range the kernel leaves alone), each page
// is mapped from its own bus address, so that a real device reaches it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

#include "sim/dma.h"

namespace hostndis {

constexpr uint32_t kPageSize = 4096;

class PhysicalMemory : public sim::DmaSpace {
 public:
  struct Region {
    uint8_t* virt = nullptr;  // first byte handed out
    uint32_t phys = 0;        // its bus address
    uint32_t length = 0;      // bytes handed out
    uint32_t first_page = 0;  // page run backing it (internal)
    uint32_t pages = 0;
  };
  // One physically contiguous piece of a virtual range.
  struct Segment {
    uint32_t phys;
    uint32_t length;
  };

  // Throws std::runtime_error when `backing_fd` (>= 0) cannot be mapped.
  PhysicalMemory(uint32_t contiguous_pages, uint32_t scattered_pages, uint32_t physical_base, int backing_fd = -1);
  ~PhysicalMemory() override;
  PhysicalMemory(const PhysicalMemory&) = delete;
  PhysicalMemory& operator=(const PhysicalMemory&) = delete;

  // `length` bytes starting `offset` bytes into a fresh page run (offset below
  // one page). False when the zone has no such run.
  bool AllocateContiguous(uint32_t length, uint32_t offset, Region* out);
  bool AllocateScattered(uint32_t length, uint32_t offset, Region* out);
  void Free(const Region& region);

  // Bus address of a host address inside the reservation.
  bool Translate(const void* virt, uint32_t* phys) const;
  // Splits [virt, virt+length) into physically contiguous segments, in
  // address order. Returns the number of segments (at most max_segments are
  // written), or 0 if any byte lies outside the reservation.
  uint32_t Segments(const void* virt, uint32_t length, Segment* out, uint32_t max_segments) const;
  // Host address of a bus address, or null when nothing is there.
  uint8_t* HostAddress(uint32_t phys) const;
  bool Contains(const void* virt) const;

  uint32_t pages_in_use() const { return pages_in_use_; }
  // The whole host reservation (both zones), for mapping it elsewhere.
  uint8_t* base() const { return base_; }
  uint32_t size() const { return total_pages_ * kPageSize; }

  // Called instead of a device access that touches a page nobody holds (never
  // handed out, or freed since); the access then fails like a master abort.
  using UnallocatedAccess = std::function<void(bool write, uint32_t bus_address, uint32_t length)>;
  void SetUnallocatedAccessHook(UnallocatedAccess hook) { on_unallocated_ = std::move(hook); }

  // sim::DmaSpace
  bool DmaRead(uint32_t bus_address, void* dst, uint32_t length) override;
  bool DmaWrite(uint32_t bus_address, const void* src, uint32_t length) override;

 private:
  struct Zone {
    uint32_t first_page;                    // virtual page index of the zone
    uint32_t pages;
    std::map<uint32_t, uint32_t> free_runs; // first page -> page count
  };
  bool Allocate(Zone& zone, uint32_t length, uint32_t offset, Region* out);
  uint32_t PhysPageOf(uint32_t virt_page) const;
  int32_t VirtualPage(uint32_t phys) const;  // -1 where no page is
  bool Walk(uint32_t bus_address, uint32_t length, uint8_t* buf, bool to_memory);
  void MapBacking(int fd);

  uint8_t* base_ = nullptr;       // host reservation
  uint32_t total_pages_ = 0;
  uint32_t physical_base_page_ = 0;
  Zone contiguous_;
  Zone scattered_;
  int32_t* phys_to_virt_ = nullptr;  // by physical page index (relative), -1 for holes
  uint32_t phys_pages_ = 0;
  uint32_t pages_in_use_ = 0;
  std::vector<uint8_t> allocated_;  // by virtual page index: 1 while handed out
  UnallocatedAccess on_unallocated_;
};

}  // namespace hostndis

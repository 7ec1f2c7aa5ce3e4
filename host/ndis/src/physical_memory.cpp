#include "hostndis/physical_memory.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <new>
#include <stdexcept>
#include <string>

namespace hostndis {

// Physical layout, in pages from physical_base: the contiguous zone, then the
// scattered zone spread over twice its size (every other page a hole) with
// its pages in reverse order.
PhysicalMemory::PhysicalMemory(uint32_t contiguous_pages, uint32_t scattered_pages, uint32_t physical_base,
                               int backing_fd) {
  total_pages_ = contiguous_pages + scattered_pages;
  physical_base_page_ = physical_base / kPageSize;
  contiguous_ = Zone{0, contiguous_pages, {}};
  scattered_ = Zone{contiguous_pages, scattered_pages, {}};
  if (contiguous_pages) contiguous_.free_runs[0] = contiguous_pages;
  if (scattered_pages) scattered_.free_runs[contiguous_pages] = scattered_pages;
  phys_pages_ = contiguous_pages + 2 * scattered_pages;
  if (static_cast<uint64_t>(physical_base_page_) + phys_pages_ > (1ull << 20)) {
    std::fprintf(stderr, "hostndis: physical memory does not fit below 4 GiB; shrinking to none\n");
    total_pages_ = phys_pages_ = 0;
    contiguous_.free_runs.clear();
    scattered_.free_runs.clear();
    contiguous_.pages = scattered_.pages = 0;
    return;
  }
  if (total_pages_) {
    void* p = mmap(nullptr, static_cast<size_t>(total_pages_) * kPageSize,
                   backing_fd < 0 ? PROT_READ | PROT_WRITE : PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                   -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    base_ = static_cast<uint8_t*>(p);
    if (backing_fd >= 0) MapBacking(backing_fd);
  }
  allocated_.assign(total_pages_, 0);
  phys_to_virt_ = new int32_t[phys_pages_ ? phys_pages_ : 1];
  for (uint32_t i = 0; i < phys_pages_; ++i) phys_to_virt_[i] = -1;
  for (uint32_t v = 0; v < total_pages_; ++v) phys_to_virt_[PhysPageOf(v) - physical_base_page_] = static_cast<int32_t>(v);
}

// Over the reservation: the contiguous zone in one piece, the scattered zone
// page by page from each page's bus address.
void PhysicalMemory::MapBacking(int fd) {
  auto map = [&](uint32_t virt_page, uint32_t pages) {
    void* at = base_ + static_cast<size_t>(virt_page) * kPageSize;
    off_t offset = static_cast<off_t>(PhysPageOf(virt_page)) * kPageSize;
    if (mmap(at, static_cast<size_t>(pages) * kPageSize, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_FIXED, fd, offset) ==
        MAP_FAILED) {
      munmap(base_, static_cast<size_t>(total_pages_) * kPageSize);
      base_ = nullptr;
      char what[96];
      std::snprintf(what, sizeof(what), "hostndis: cannot map physical memory at bus address 0x%llx: ",
                    static_cast<unsigned long long>(offset));
      throw std::runtime_error(what + std::string(std::strerror(errno)));
    }
  };
  if (contiguous_.pages) map(0, contiguous_.pages);
  for (uint32_t v = scattered_.first_page; v < scattered_.first_page + scattered_.pages; ++v) map(v, 1);
}

PhysicalMemory::~PhysicalMemory() {
  if (base_) munmap(base_, static_cast<size_t>(total_pages_) * kPageSize);
  delete[] phys_to_virt_;
}

uint32_t PhysicalMemory::PhysPageOf(uint32_t virt_page) const {
  if (virt_page < scattered_.first_page) return physical_base_page_ + virt_page;
  uint32_t j = virt_page - scattered_.first_page;
  return physical_base_page_ + contiguous_.pages + 2 * (scattered_.pages - 1 - j);
}

bool PhysicalMemory::Allocate(Zone& zone, uint32_t length, uint32_t offset, Region* out) {
  if (length == 0 || offset >= kPageSize) return false;
  uint64_t bytes = static_cast<uint64_t>(length) + offset;
  uint32_t pages = static_cast<uint32_t>((bytes + kPageSize - 1) / kPageSize);
  for (auto it = zone.free_runs.begin(); it != zone.free_runs.end(); ++it) {
    if (it->second < pages) continue;
    uint32_t first = it->first;
    uint32_t left = it->second - pages;
    zone.free_runs.erase(it);
    if (left) zone.free_runs[first + pages] = left;
    pages_in_use_ += pages;
    for (uint32_t p = first; p < first + pages; ++p) allocated_[p] = 1;
    out->first_page = first;
    out->pages = pages;
    out->virt = base_ + static_cast<size_t>(first) * kPageSize + offset;
    out->phys = PhysPageOf(first) * kPageSize + offset;
    out->length = length;
    return true;
  }
  return false;
}

bool PhysicalMemory::AllocateContiguous(uint32_t length, uint32_t offset, Region* out) {
  return Allocate(contiguous_, length, offset, out);
}

bool PhysicalMemory::AllocateScattered(uint32_t length, uint32_t offset, Region* out) {
  return Allocate(scattered_, length, offset, out);
}

void PhysicalMemory::Free(const Region& region) {
  if (region.pages == 0) return;
  Zone& zone = region.first_page < scattered_.first_page ? contiguous_ : scattered_;
  auto& runs = zone.free_runs;
  uint32_t first = region.first_page, count = region.pages;
  auto next = runs.lower_bound(first);
  if (next != runs.end() && next->first < first + count) {
    std::fprintf(stderr, "hostndis: physical pages %u..%u freed twice\n", first, first + count - 1);
    return;
  }
  if (next != runs.begin()) {
    auto prev = std::prev(next);
    if (prev->first + prev->second > first) {
      std::fprintf(stderr, "hostndis: physical pages %u..%u freed twice\n", first, first + count - 1);
      return;
    }
    if (prev->first + prev->second == first) {
      first = prev->first;
      count += prev->second;
      runs.erase(prev);
    }
  }
  if (next != runs.end() && next->first == first + count) {
    count += next->second;
    runs.erase(next);
  }
  runs[first] = count;
  pages_in_use_ -= region.pages;
  for (uint32_t p = region.first_page; p < region.first_page + region.pages; ++p) allocated_[p] = 0;
}

bool PhysicalMemory::Contains(const void* virt) const {
  auto p = static_cast<const uint8_t*>(virt);
  return base_ != nullptr && p >= base_ && p < base_ + static_cast<size_t>(total_pages_) * kPageSize;
}

bool PhysicalMemory::Translate(const void* virt, uint32_t* phys) const {
  if (!Contains(virt)) return false;
  size_t offset = static_cast<const uint8_t*>(virt) - base_;
  *phys = PhysPageOf(static_cast<uint32_t>(offset / kPageSize)) * kPageSize + offset % kPageSize;
  return true;
}

uint32_t PhysicalMemory::Segments(const void* virt, uint32_t length, Segment* out, uint32_t max_segments) const {
  auto p = static_cast<const uint8_t*>(virt);
  if (length == 0 || !Contains(p) || !Contains(p + length - 1)) return 0;
  uint32_t n = 0;
  Segment last{0, 0};
  for (uint32_t done = 0; done < length;) {
    uint32_t phys;
    Translate(p + done, &phys);
    uint32_t chunk = kPageSize - phys % kPageSize;
    if (chunk > length - done) chunk = length - done;
    if (n > 0 && last.phys + last.length == phys) {
      last.length += chunk;
      if (out != nullptr && n <= max_segments) out[n - 1] = last;
    } else {
      last = Segment{phys, chunk};
      if (out != nullptr && n < max_segments) out[n] = last;
      ++n;
    }
    done += chunk;
  }
  return n;
}

int32_t PhysicalMemory::VirtualPage(uint32_t phys) const {
  uint32_t page = phys / kPageSize;
  if (page < physical_base_page_ || page - physical_base_page_ >= phys_pages_) return -1;
  return phys_to_virt_[page - physical_base_page_];
}

uint8_t* PhysicalMemory::HostAddress(uint32_t phys) const {
  int32_t v = VirtualPage(phys);
  if (v < 0) return nullptr;
  return base_ + static_cast<size_t>(v) * kPageSize + phys % kPageSize;
}

bool PhysicalMemory::Walk(uint32_t bus_address, uint32_t length, uint8_t* buf, bool to_memory) {
  if (static_cast<uint64_t>(bus_address) + length > (1ull << 32)) return false;
  // Check the whole range first: a partial transfer is a master abort.
  bool unallocated = false;
  for (uint32_t done = 0; done < length;) {
    uint32_t addr = bus_address + done;
    int32_t page = VirtualPage(addr);
    if (page < 0) return false;
    if (allocated_[page] == 0) unallocated = true;
    done += kPageSize - addr % kPageSize;
  }
  if (unallocated && on_unallocated_) {
    on_unallocated_(to_memory, bus_address, length);
    return false;
  }
  for (uint32_t done = 0; done < length;) {
    uint32_t addr = bus_address + done;
    uint32_t chunk = kPageSize - addr % kPageSize;
    if (chunk > length - done) chunk = length - done;
    uint8_t* host = HostAddress(addr);
    if (to_memory)
      std::memcpy(host, buf + done, chunk);
    else
      std::memcpy(buf + done, host, chunk);
    done += chunk;
  }
  return true;
}

bool PhysicalMemory::DmaRead(uint32_t bus_address, void* dst, uint32_t length) {
  return Walk(bus_address, length, static_cast<uint8_t*>(dst), false);
}

bool PhysicalMemory::DmaWrite(uint32_t bus_address, const void* src, uint32_t length) {
  return Walk(bus_address, length, static_cast<uint8_t*>(const_cast<void*>(src)), true);
}

}  // namespace hostndis

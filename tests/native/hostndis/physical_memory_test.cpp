#include "hostndis/physical_memory.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace {

using hostndis::kPageSize;
using hostndis::PhysicalMemory;

TEST(PhysicalMemory, ContiguousRegionIsReachableByDmaAtItsPhysicalAddress) {
  PhysicalMemory memory(16, 8, 0x00400000);
  PhysicalMemory::Region r;
  ASSERT_TRUE(memory.AllocateContiguous(3 * kPageSize, 0, &r));
  for (uint32_t i = 0; i < r.length; ++i) r.virt[i] = static_cast<uint8_t>(i * 7);
  std::vector<uint8_t> seen(r.length);
  ASSERT_TRUE(memory.DmaRead(r.phys, seen.data(), r.length)) << "a contiguous region must be one DMA range";
  EXPECT_EQ(0, std::memcmp(seen.data(), r.virt, r.length));
  uint8_t pattern[5] = {1, 2, 3, 4, 5};
  ASSERT_TRUE(memory.DmaWrite(r.phys + kPageSize - 2, pattern, 5)) << "writes may cross pages of the region";
  EXPECT_EQ(0, std::memcmp(r.virt + kPageSize - 2, pattern, 5));
}

TEST(PhysicalMemory, ScatteredPagesAreNeverPhysicallyAdjacent) {
  PhysicalMemory memory(4, 8, 0x00400000);
  PhysicalMemory::Region r;
  ASSERT_TRUE(memory.AllocateScattered(1000, kPageSize - 200, &r));
  PhysicalMemory::Segment s[4];
  ASSERT_EQ(memory.Segments(r.virt, 1000, s, 4), 2u) << "a buffer crossing a page needs two segments";
  EXPECT_EQ(s[0].length, 200u);
  EXPECT_EQ(s[1].length, 800u);
  EXPECT_NE(s[0].phys + s[0].length, s[1].phys);
  uint8_t byte = 0x5a;
  r.virt[250] = byte;
  uint8_t seen = 0;
  ASSERT_TRUE(memory.DmaRead(s[1].phys + 50, &seen, 1));
  EXPECT_EQ(seen, byte) << "segment 2 must address the bytes after the page boundary";
}

TEST(PhysicalMemory, DmaToAHoleOrOutsideIsRefusedWhole) {
  PhysicalMemory memory(2, 2, 0x00400000);
  uint8_t buf[8] = {};
  EXPECT_FALSE(memory.DmaRead(0x1000, buf, 8)) << "below the memory";
  // Pages: 2 contiguous, then the scattered zone spread over 4 with holes.
  EXPECT_FALSE(memory.DmaRead(0x00400000 + 3 * kPageSize - 4, buf, 8)) << "ends in a hole";
  EXPECT_FALSE(memory.DmaWrite(0xfffffffc, buf, 8)) << "wraps past 4 GiB";
  EXPECT_EQ(memory.HostAddress(0x00400000 + 3 * kPageSize), nullptr);
  EXPECT_TRUE(memory.DmaRead(0x00400000 + 3 * kPageSize - 8, buf, 8)) << "the page before the hole is memory";
}

TEST(PhysicalMemory, FreedRunsCoalesceAndAreReused) {
  PhysicalMemory memory(4, 0, 0x00400000);
  PhysicalMemory::Region a, b, c, big;
  ASSERT_TRUE(memory.AllocateContiguous(kPageSize, 0, &a));
  ASSERT_TRUE(memory.AllocateContiguous(kPageSize, 0, &b));
  ASSERT_TRUE(memory.AllocateContiguous(2 * kPageSize, 0, &c));
  EXPECT_FALSE(memory.AllocateContiguous(1, 0, &big)) << "the zone is full";
  memory.Free(a);
  memory.Free(b);
  ASSERT_TRUE(memory.AllocateContiguous(2 * kPageSize, 0, &big)) << "two freed neighbours make one run";
  EXPECT_EQ(big.phys, a.phys);
  EXPECT_EQ(memory.pages_in_use(), 4u);
}

TEST(PhysicalMemory, TranslatesOnlyItsOwnAddresses) {
  PhysicalMemory memory(2, 0, 0x00400000);
  PhysicalMemory::Region r;
  ASSERT_TRUE(memory.AllocateContiguous(100, 24, &r));
  uint32_t phys = 0;
  ASSERT_TRUE(memory.Translate(r.virt + 10, &phys));
  EXPECT_EQ(phys, r.phys + 10);
  EXPECT_EQ(r.phys % kPageSize, 24u) << "the offset into the first page is kept";
  int on_stack = 0;
  EXPECT_FALSE(memory.Translate(&on_stack, &phys));
  EXPECT_EQ(memory.Segments(&on_stack, 4, nullptr, 0), 0u);
}

}  // namespace

namespace {

// A sparse file standing in for /dev/mem: its byte at offset N is "physical"
// address N.
int PhysicalFile(uint64_t size) {
  int fd = memfd_create("physical", 0);
  if (fd >= 0 && ftruncate(fd, static_cast<off_t>(size)) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

TEST(PhysicalMemory, BackedByAFileEveryPageIsTheFilesPageAtItsBusAddress) {
  int fd = PhysicalFile(0x00400000 + 64 * kPageSize);
  ASSERT_GE(fd, 0) << "a memfd";
  {
    PhysicalMemory memory(8, 8, 0x00400000, fd);
    PhysicalMemory::Region contiguous, scattered;
    ASSERT_TRUE(memory.AllocateContiguous(2 * kPageSize, 16, &contiguous));
    ASSERT_TRUE(memory.AllocateScattered(1000, kPageSize - 200, &scattered));
    std::memset(contiguous.virt, 0x11, contiguous.length);
    std::memset(scattered.virt, 0x22, scattered.length);
    PhysicalMemory::Segment s[2];
    ASSERT_EQ(memory.Segments(scattered.virt, 1000, s, 2), 2u) << "the scattered zone still scatters";
    for (const PhysicalMemory::Segment& seg : {PhysicalMemory::Segment{contiguous.phys, contiguous.length}, s[0], s[1]}) {
      std::vector<uint8_t> bytes(seg.length);
      ASSERT_EQ(pread(fd, bytes.data(), seg.length, seg.phys), ssize_t(seg.length)) << "the file holds the page";
      EXPECT_EQ(bytes, std::vector<uint8_t>(seg.length, seg.phys == contiguous.phys ? 0x11 : 0x22))
          << "the file at bus address 0x" << std::hex << seg.phys << " holds what the driver wrote";
    }
  }
  close(fd);
}

TEST(PhysicalMemory, AFileThatCannotBeMappedIsRefused) {
  int pipe_ends[2];
  ASSERT_EQ(pipe(pipe_ends), 0) << "a pipe";
  EXPECT_THROW(PhysicalMemory(4, 4, 0x00400000, pipe_ends[0]), std::runtime_error) << "a pipe cannot be mapped";
  close(pipe_ends[0]);
  close(pipe_ends[1]);
}

}  // namespace

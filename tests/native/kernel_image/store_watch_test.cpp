// Stores of emulated code watched one by one: a tiny i686 routine stores
// into a watched range and beside it.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>
#include <vector>

#include "kimage/cpu.h"

namespace {

struct Seen {
  uint32_t address, size, value, eip, before;
};

uint8_t* Pages(uint32_t size) {
  void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  return static_cast<uint8_t*>(p);
}

// mov dword [address], value
void MovImmediate(std::vector<uint8_t>& code, uint32_t address, uint32_t value) {
  code.push_back(0xc7);
  code.push_back(0x05);
  for (int i = 0; i < 4; ++i) code.push_back(static_cast<uint8_t>(address >> (8 * i)));
  for (int i = 0; i < 4; ++i) code.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

TEST(StoreWatchTest, ReportsEachStoreInTheRangeBeforeItLandsWithItsInstruction) {
  constexpr uint32_t kCode = 0x00010000, kData = 0x00020000, kStack = 0x00800000, kThunks = 0x00f00000;
  uint8_t* code = Pages(4096);
  uint8_t* data = Pages(4096);
  uint8_t* stack = Pages(65536);
  uint8_t* thunks = Pages(4096);
  kimage::Cpu cpu;
  ASSERT_TRUE(cpu.Map(kCode, code, 4096) && cpu.Map(kData, data, 4096) && cpu.Map(kStack, stack, 65536) &&
              cpu.Map(kThunks, thunks, 4096))
      << "mapping";
  cpu.SetThunkArea(kThunks, 4096);
  cpu.SetStack(kStack + 65536 - 16);
  std::vector<uint8_t> routine;
  MovImmediate(routine, kData + 4, 0x11111111);    // at +0:  a word before the hand-over
  MovImmediate(routine, kData, 0x80000000);        // at +10: the hand-over
  MovImmediate(routine, kData + 0x100, 0x22222222);  // at +20: outside the watched range
  routine.push_back(0xc3);
  std::memcpy(code, routine.data(), routine.size());

  std::vector<Seen> seen;
  cpu.WatchStores(kData, kData + 16, [&](uint32_t address, uint32_t size, uint32_t value, uint32_t eip) {
    seen.push_back({address, size, value, eip, cpu.Read32(address)});
  });
  bool ok = false;
  cpu.Call(kCode, {}, &ok);
  ASSERT_TRUE(ok) << cpu.fault();
  ASSERT_EQ(seen.size(), 2u) << "the two stores inside the range";
  EXPECT_EQ(seen[0].address, kData + 4);
  EXPECT_EQ(seen[0].size, 4u);
  EXPECT_EQ(seen[0].value, 0x11111111u);
  EXPECT_EQ(seen[0].eip, kCode) << "the storing instruction, not its block";
  EXPECT_EQ(seen[0].before, 0u) << "seen before it lands";
  EXPECT_EQ(seen[1].address, kData);
  EXPECT_EQ(seen[1].value, 0x80000000u);
  EXPECT_EQ(seen[1].eip, kCode + 10) << "the second instruction";
  EXPECT_EQ(cpu.Read32(kData), 0x80000000u) << "the stores landed";
  EXPECT_EQ(cpu.Read32(kData + 0x100), 0x22222222u) << "the unwatched store landed too";

  cpu.WatchStores(0, 0, {});
  seen.clear();
  cpu.Call(kCode, {}, &ok);
  EXPECT_TRUE(seen.empty()) << "no longer watched";
  munmap(code, 4096);
  munmap(data, 4096);
  munmap(stack, 65536);
  munmap(thunks, 4096);
}

}  // namespace

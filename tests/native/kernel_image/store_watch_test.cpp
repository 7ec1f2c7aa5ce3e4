// Stores of emulated code watched one by one: a tiny i686 routine stores
// into a watched range and beside it, itself or through an import. And an
// import that cannot be carried out ends the routine as a fault.
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

constexpr uint32_t kCode = 0x00010000, kData = 0x00020000, kStack = 0x00800000, kThunks = 0x00f00000;

// Code, data, stack and thunk pages mapped into one emulated processor.
struct Machine {
  Machine() {
    code = Pages(4096);
    data = Pages(4096);
    stack = Pages(65536);
    thunks = Pages(4096);
    mapped = cpu.Map(kCode, code, 4096) && cpu.Map(kData, data, 4096) && cpu.Map(kStack, stack, 65536) &&
             cpu.Map(kThunks, thunks, 4096);
    cpu.SetThunkArea(kThunks, 4096);
    cpu.SetStack(kStack + 65536 - 16);
  }
  ~Machine() {
    munmap(code, 4096);
    munmap(data, 4096);
    munmap(stack, 65536);
    munmap(thunks, 4096);
  }
  kimage::Cpu cpu;
  uint8_t *code, *data, *stack, *thunks;
  bool mapped = false;
};

TEST(StoreWatchTest, ReportsEachStoreInTheRangeBeforeItLandsWithItsInstruction) {
  Machine m;
  ASSERT_TRUE(m.mapped) << "mapping";
  kimage::Cpu& cpu = m.cpu;
  uint8_t* code = m.code;
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
}

TEST(StoreWatchTest, AnImportsStoresForTheImageAreSeenAsTheImages) {
  Machine m;
  ASSERT_TRUE(m.mapped) << "mapping";
  // An import that fills 8 bytes from kData + 9 (not word aligned), the
  // first seven of them watched.
  uint32_t import = m.cpu.AddThunk(0, 0, [](kimage::Cpu& c) {
    c.ImportStores(kData + 9, 8, [](uint32_t i) { return static_cast<uint8_t>(0xa0 + i); });
  });
  const uint8_t routine[] = {0xb8, uint8_t(import), uint8_t(import >> 8), uint8_t(import >> 16),
                             uint8_t(import >> 24),  // mov eax, import
                             0xff, 0xd0,             // call eax (returns to +7)
                             0xc3};
  std::memcpy(m.code, routine, sizeof routine);
  std::vector<Seen> seen;
  m.cpu.WatchStores(kData, kData + 16, [&](uint32_t address, uint32_t size, uint32_t value, uint32_t eip) {
    seen.push_back({address, size, value, eip, 0});
  });
  bool ok = false;
  m.cpu.Call(kCode, {}, &ok);
  ASSERT_TRUE(ok) << m.cpu.fault();
  ASSERT_EQ(seen.size(), 2u) << "the stores inside the range, each within one word";
  EXPECT_EQ(seen[0].address, kData + 9);
  EXPECT_EQ(seen[0].size, 3u) << "up to the word boundary";
  EXPECT_EQ(seen[0].value, 0xa2a1a0u) << "the first three bytes, little-endian";
  EXPECT_EQ(seen[1].address, kData + 12);
  EXPECT_EQ(seen[1].size, 4u);
  EXPECT_EQ(seen[1].value, 0xa6a5a4a3u) << "the next word";
  for (const Seen& s : seen) EXPECT_EQ(s.eip, kCode + 7) << "where the import returns to";
}

TEST(StoreWatchTest, AnImportThatCannotBeCarriedOutEndsTheCallAsAFault) {
  Machine m;
  ASSERT_TRUE(m.mapped) << "mapping";
  uint32_t import = m.cpu.AddThunk(0, 0, [](kimage::Cpu& c) { c.Fault("memcpy of 4 bytes at 0x5000, outside"); });
  std::vector<uint8_t> routine = {0xb8, uint8_t(import), uint8_t(import >> 8), uint8_t(import >> 16),
                                  uint8_t(import >> 24),  // mov eax, import
                                  0xff, 0xd0};            // call eax
  MovImmediate(routine, kData, 0x12345678);               // never reached
  routine.push_back(0xc3);
  std::memcpy(m.code, routine.data(), routine.size());
  m.code[0x100] = 0xc3;  // a routine that only returns

  bool ok = true;
  m.cpu.Call(kCode, {}, &ok);
  EXPECT_FALSE(ok) << "the call ends as a fault";
  EXPECT_NE(m.cpu.fault().find("memcpy of 4 bytes at 0x5000"), std::string::npos) << m.cpu.fault();
  EXPECT_EQ(m.cpu.Read32(kData), 0u) << "nothing after the import ran";
  m.cpu.Call(kCode + 0x100, {}, &ok);
  EXPECT_TRUE(ok) << "the next call runs: " << m.cpu.fault();
}

}  // namespace

// The memory reserved for a user-space driver: where the kernel's command
// line puts it and how the stand-in's zones are laid over it.
#include "hostpci/reserved_memory.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

namespace {

using hostpci::Reservation;

TEST(ReservedMemoryTest, ReadsEveryMemmapRangeOfTheCommandLine) {
  std::vector<Reservation> r = hostpci::ParseMemmap(
      "console=ttyS0 memmap=64M$0x10000000 quiet memmap=4K$4096,16M$256M memmap=1G!4G memmap=$5 memmap=12Q$0");
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  for (const Reservation& one : r) ranges.emplace_back(one.base, one.size);
  EXPECT_EQ(ranges, (std::vector<std::pair<uint64_t, uint64_t>>{{0x10000000, 64u << 20}, {4096, 4096}, {256u << 20, 16u << 20}}))
      << "base and size of each '$' range; '!' is persistent memory, not a reservation; bad sizes are no range";
}

TEST(ReservedMemoryTest, LaysTheContiguousZoneOverTheFirstHalf) {
  hostndis::HostConfig config;
  std::string error;
  ASSERT_TRUE(hostpci::ConfigureMemory({0x10000000, 64u << 20}, &config, &error)) << error;
  EXPECT_EQ(config.physical_base, 0x10000000u) << "the zones start at the reservation";
  EXPECT_EQ(config.contiguous_pages, 8192u) << "32 MiB";
  EXPECT_EQ(config.scattered_pages, 4096u) << "every other page of the second 32 MiB";
  struct Case {
    Reservation range;
    const char* says;
  } cases[] = {{{0x10000800, 64u << 20}, "not page aligned"},
               {{0xff000000, 32u << 20}, "below 4 GiB"},
               {{0x10000000, 2u << 20}, "at least 4 MiB"}};
  for (const Case& c : cases) {
    EXPECT_FALSE(hostpci::ConfigureMemory(c.range, &config, &error)) << c.says;
    EXPECT_NE(error.find(c.says), std::string::npos) << error;
  }
}

TEST(ReservedMemoryTest, WithoutAReservationSaysHowToMakeOne) {
  std::string path = ::testing::TempDir() + "cmdline-" + std::to_string(getpid());
  std::ofstream(path) << "console=ttyS0 memmap=1M$0x10000000 quiet\n";
  std::string error;
  EXPECT_EQ(hostpci::ReservedMemory::Open(&error, path), nullptr) << "refused";
  EXPECT_NE(error.find("no physical memory is reserved"), std::string::npos) << error;
  EXPECT_NE(error.find("at least 4 MiB"), std::string::npos) << "why the one range given does not do: " << error;
  EXPECT_NE(error.find("memmap=64M$0x10000000"), std::string::npos) << "what to add: " << error;
  std::remove(path.c_str());
}

}  // namespace

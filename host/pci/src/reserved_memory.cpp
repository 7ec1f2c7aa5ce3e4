#include "hostpci/reserved_memory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

#include "hostpci/pci_function.h"

namespace hostpci {

namespace {

constexpr uint64_t kPage = 4096;
constexpr uint64_t kLowest = 4ull << 20;
constexpr auto kLockWait = std::chrono::seconds(120);

// "64M" -> 67108864; false for anything but a number with an optional K, M or G.
bool ParseSize(const std::string& text, uint64_t* value) {
  if (text.empty()) return false;
  char* end = nullptr;
  errno = 0;
  unsigned long long v = std::strtoull(text.c_str(), &end, 0);
  if (errno != 0 || end == text.c_str()) return false;
  std::string unit = end;
  uint64_t scale = unit.empty() ? 1 : unit == "K" || unit == "k" ? 1ull << 10 : unit == "M" || unit == "m" ? 1ull << 20
                                     : unit == "G" || unit == "g"   ? 1ull << 30
                                                                    : 0;
  if (scale == 0 || v > (~0ull) / scale) return false;
  *value = v * scale;
  return true;
}

}  // namespace

std::vector<Reservation> ParseMemmap(const std::string& command_line) {
  std::vector<Reservation> found;
  std::istringstream words(command_line);
  std::string word;
  while (words >> word) {
    if (word.rfind("memmap=", 0) != 0) continue;
    // memmap= may list several ranges separated by commas.
    std::istringstream ranges(word.substr(7));
    std::string range;
    while (std::getline(ranges, range, ',')) {
      size_t dollar = range.find('$');
      Reservation r;
      if (dollar != std::string::npos && ParseSize(range.substr(0, dollar), &r.size) &&
          ParseSize(range.substr(dollar + 1), &r.base) && r.size > 0)
        found.push_back(r);
    }
  }
  return found;
}

bool ConfigureMemory(const Reservation& range, hostndis::HostConfig* config, std::string* error) {
  char where[80];
  std::snprintf(where, sizeof(where), "the reserved range 0x%llx+0x%llx", (unsigned long long)range.base,
                (unsigned long long)range.size);
  if (range.base % kPage != 0 || range.size % kPage != 0) {
    *error = std::string(where) + " is not page aligned";
    return false;
  }
  if (range.base + range.size > (1ull << 32) || range.size < kLowest) {
    *error = std::string(where) + " must lie below 4 GiB and hold at least 4 MiB (the chip takes 32-bit addresses)";
    return false;
  }
  uint32_t pages = static_cast<uint32_t>(range.size / kPage);
  config->physical_base = static_cast<uint32_t>(range.base);
  config->contiguous_pages = pages / 2;
  config->scattered_pages = pages / 4;  // every other page of the second half
  return true;
}

std::unique_ptr<ReservedMemory> ReservedMemory::Open(std::string* error, const std::string& command_line) {
  std::ifstream in(command_line);
  std::string line;
  std::getline(in, line);
  std::unique_ptr<ReservedMemory> m(new ReservedMemory);
  hostndis::HostConfig probe;
  bool found = false;
  std::string why;
  for (const Reservation& r : ParseMemmap(line))
    if (!found && ConfigureMemory(r, &probe, &why)) {
      m->range_ = r;
      found = true;
    }
  if (!found) {
    *error = "no physical memory is reserved for a user-space driver" + (why.empty() ? "" : " (" + why + ")") +
             ": add memmap=64M$0x10000000 (a range the firmware reports as usable RAM, below 4 GiB) to the kernel "
             "command line and reboot";
    return nullptr;
  }
  if (!CheckRoot(error)) return nullptr;
  m->fd_ = open("/dev/mem", O_RDWR | O_CLOEXEC);  // cached: PCI DMA snoops the caches
  if (m->fd_ < 0) {
    *error = std::string("cannot open /dev/mem: ") + std::strerror(errno);
    return nullptr;
  }
  auto give_up = std::chrono::steady_clock::now() + kLockWait;
  bool told = false;
  while (flock(m->fd_, LOCK_EX | LOCK_NB) != 0) {
    if (std::chrono::steady_clock::now() > give_up) {
      *error = "the reserved physical memory stayed in use by another process";
      return nullptr;
    }
    if (!told) std::fprintf(stderr, "hostpci: waiting for another process to give the reserved memory back\n");
    told = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return m;
}

ReservedMemory::~ReservedMemory() {
  if (fd_ >= 0) close(fd_);  // the lock goes with it
}

hostndis::HostConfig ReservedMemory::Configure(hostndis::HostConfig config) const {
  std::string error;
  ConfigureMemory(range_, &config, &error);
  config.physical_memory_fd = fd_;
  config.real_time = true;
  return config;
}

}  // namespace hostpci

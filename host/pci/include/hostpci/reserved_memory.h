// Physical memory for a user-space driver: a range the kernel was told to
// leave alone (memmap=SIZE$ADDRESS on its command line), reached through
// /dev/mem. Only one process at a time uses it (an advisory lock on
// /dev/mem); a second one waits for it a while.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "hostndis/host.h"

namespace hostpci {

struct Reservation {
  uint64_t base = 0;
  uint64_t size = 0;
};

// The memmap=SIZE$ADDRESS ranges of a kernel command line (sizes and
// addresses with an optional K, M or G), in order.
std::vector<Reservation> ParseMemmap(const std::string& command_line);

// The stand-in's physical memory over `range`: its first half the contiguous
// zone, the scattered zone's pages spread over the second half. False (with
// the reason) when the range is not page aligned, lies above 4 GiB or is
// smaller than 4 MiB.
bool ConfigureMemory(const Reservation& range, hostndis::HostConfig* config, std::string* error);

class ReservedMemory {
 public:
  // The first reservation on the running kernel's command line (as
  // `command_line` holds it) that fits below 4 GiB; null with the reason.
  static std::unique_ptr<ReservedMemory> Open(std::string* error, const std::string& command_line = "/proc/cmdline");
  ~ReservedMemory();
  ReservedMemory(const ReservedMemory&) = delete;
  ReservedMemory& operator=(const ReservedMemory&) = delete;

  const Reservation& range() const { return range_; }
  // `config` with this memory as its physical memory and its clock in real time.
  hostndis::HostConfig Configure(hostndis::HostConfig config) const;

 private:
  ReservedMemory() = default;
  Reservation range_;
  int fd_ = -1;
};

}  // namespace hostpci

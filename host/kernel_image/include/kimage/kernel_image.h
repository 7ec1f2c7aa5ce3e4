// A shipped i686 miniport image (Trx4n5.sys) running over the host NDIS
// stand-in: the image executes in an x86 emulator, its NDIS, kernel and HAL
// imports call the stand-in's own functions, and the stand-in sees a driver
// like any natively built one.
#pragma once

#include <memory>
#include <string>

#include "hostndis/host.h"
#include "kimage/cpu.h"

namespace kimage {

class Bridge;

class KernelImage {
 public:
  // Loads and checks the image at `path` for `host` (whose HostConfig must
  // have pool_in_physical_memory set). Null with *error when the file is
  // refused; nothing of it has run then.
  static std::unique_ptr<KernelImage> Load(hostndis::Host& host, const std::string& path, std::string* error);
  ~KernelImage();

  // Calls the image's DriverEntry through the host (as Host::LoadDriver).
  NTSTATUS LoadDriver();
  // Measuring mode (slow, never in normal runs): counts emulated
  // instructions and host time in imports (see Cpu::Measure).
  void Measure(bool on);
  const Cpu& cpu() const;

  // Copies emulated memory (the image's own records); false if unmapped.
  bool Read(uint32_t address, void* out, uint32_t length) const;

  // The image's stores into emulated [begin, end), one by one, before each
  // lands (Cpu::WatchStores; slow, slower still with exact EIPs). An empty
  // watcher stops watching.
  void WatchStores(uint32_t begin, uint32_t end, Cpu::StoreWatcher watcher, bool exact_eip = true);
  // Emulated address of a host address the emulator maps (simulated
  // physical memory included), or 0.
  uint32_t EmulatedAddress(const void* host) const;
  // An instruction address as "Trx4n5.sys+0x1a2b" (offset from the image's
  // base, for addr2line on its .debug file) when inside the image.
  std::string CodeAddress(uint32_t eip) const;

  Bridge& bridge() { return *bridge_; }

 private:
  KernelImage(std::unique_ptr<Bridge> bridge, std::string name);
  std::unique_ptr<Bridge> bridge_;
  std::string name_;  // the file's name, for code addresses
};

}  // namespace kimage

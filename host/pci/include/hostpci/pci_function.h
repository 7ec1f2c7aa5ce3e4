// A Linux PCI function lent to a user-space driver through uio_pci_generic:
// its configuration space through sysfs `config`, its register window (the
// memory BAR) through sysfs `resource1`, its INTx line through /dev/uioN.
//
// Opening checks, in this order, that the address is one, that the function
// exists, that it is a DEC 21143, that it is bound to uio_pci_generic and
// that the caller is root; each refusal says what to do instead.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace hostpci {

constexpr uint32_t k21143Id = 0x00191011;  // device << 16 | vendor, as configuration dword 0 reads
constexpr const char kSysfsDevices[] = "/sys/bus/pci/devices";

// "0000:03:00.0" from that or from "03:00.0" (domain 0); false for anything else.
bool ParseAddress(const std::string& text, std::string* address);

// The 21143 functions under `devices` bound to uio_pci_generic, in address order.
std::vector<std::string> BoundFunctions(const std::string& devices = kSysfsDevices);

// Whether `address` under `devices` may be opened, short of root: false with
// the reason in `error`.
bool CheckFunction(const std::string& devices, const std::string& address, std::string* error);

// Whether this machine is QEMU's PC (its firmware says so).
bool RunningOnQemu();
// Whether the caller is root, as a user-space driver must be; false with
// the reason in `error`.
bool CheckRoot(std::string* error);

class PciFunction {
 public:
  // Null with the reason in `error` when the function cannot be used.
  static std::unique_ptr<PciFunction> Open(const std::string& address, std::string* error);
  ~PciFunction();
  PciFunction(const PciFunction&) = delete;
  PciFunction& operator=(const PciFunction&) = delete;

  const std::string& address() const { return address_; }
  // Configuration dwords (offset a multiple of 4, below 256).
  uint32_t ReadConfig(uint32_t offset) const;
  void WriteConfig(uint32_t offset, uint32_t value);
  // The memory BAR, mapped; its bus address as the BAR holds it.
  volatile uint32_t* registers() const { return registers_; }
  uint32_t register_length() const { return register_length_; }
  uint32_t register_bus_address() const { return ReadConfig(0x14) & ~0xfu; }
  // /dev/uioN: readable after an interrupt, which the kernel masks (command
  // register bit 10) until UnmaskInterrupt.
  int uio_fd() const { return uio_fd_; }
  void UnmaskInterrupt();

 private:
  PciFunction() = default;
  std::string address_;
  int config_fd_ = -1;
  int uio_fd_ = -1;
  volatile uint32_t* registers_ = nullptr;
  uint32_t register_length_ = 0;
  size_t mapped_length_ = 0;
};

}  // namespace hostpci

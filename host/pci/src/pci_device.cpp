#include "hostpci/pci_device.h"

#include <poll.h>
#include <unistd.h>

#include <chrono>

namespace hostpci {

namespace {
constexpr uint32_t kCommand = 0x04;
constexpr uint32_t kSubsystem = 0x2c;
constexpr uint32_t kInterrupt = 0x3c;
constexpr uint32_t kBusMaster = 0x4;
constexpr uint32_t kInterruptDisable = 0x400;
constexpr uint32_t kInterruptStatus = 0x8u << 16;  // status register bit 3, in the command dword
constexpr uint32_t kSoftwareReset = 0x1;           // CSR0
}  // namespace

PciDevice::PciDevice(std::unique_ptr<PciFunction> function, const PciDeviceOptions& options)
    : function_(std::move(function)), subsystem_(options.subsystem) {
  uint32_t interrupt = function_->ReadConfig(kInterrupt);
  resources_.slot = options.slot;
  resources_.csr_physical = function_->register_bus_address();
  resources_.csr_length = function_->register_length();
  resources_.has_interrupt = ((interrupt >> 8) & 0xff) != 0;  // an interrupt pin
  resources_.interrupt_level = resources_.interrupt_vector = interrupt & 0xff;
  Quiesce();
  // An interrupt an earlier process left unserved: taken, and the line unmasked.
  pollfd waiting{function_->uio_fd(), POLLIN, 0};
  uint32_t count;
  if (poll(&waiting, 1, 0) == 1) (void)!read(function_->uio_fd(), &count, 4);
  function_->UnmaskInterrupt();
}

PciDevice::~PciDevice() { Quiesce(); }

void PciDevice::Quiesce() {
  function_->registers()[0] = kSoftwareReset;
  // The reset takes 50 PCI clocks; then the chip is idle, its interrupts off.
  auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(10);
  while (std::chrono::steady_clock::now() < until) {
  }
  function_->WriteConfig(kCommand, function_->ReadConfig(kCommand) & 0xffff & ~kBusMaster);
}

uint32_t PciDevice::ReadCsr(uint32_t offset) {
  if (offset % 4 != 0 || offset + 4 > function_->register_length()) return 0xffffffff;
  return function_->registers()[offset / 4];
}

void PciDevice::WriteCsr(uint32_t offset, uint32_t value) {
  if (offset % 4 != 0 || offset + 4 > function_->register_length()) return;
  if (offset % 8 == 0 && offset / 8 < 16) last_written_[offset / 8] = value;
  function_->registers()[offset / 4] = value;
}

uint32_t PciDevice::LastWritten(uint32_t offset) const {
  return offset % 8 == 0 && offset / 8 < 16 ? last_written_[offset / 8] : 0;
}

uint32_t PciDevice::ReadPciConfig(uint32_t offset) {
  if (offset == kSubsystem && subsystem_) return *subsystem_;
  return function_->ReadConfig(offset);
}

void PciDevice::WritePciConfig(uint32_t offset, uint32_t value) {
  if (offset == kCommand)
    value = (value & ~kInterruptDisable) | (function_->ReadConfig(kCommand) & kInterruptDisable);
  function_->WriteConfig(offset, value);
}

bool PciDevice::InterruptAsserted() const { return (function_->ReadConfig(kCommand) & kInterruptStatus) != 0; }

void PciDevice::SetInterruptListener(std::function<void(bool asserted)> listener) { listener_ = std::move(listener); }

void PciDevice::ServiceEvent() {
  uint32_t count;
  if (read(function_->uio_fd(), &count, 4) != 4) return;
  if (listener_) listener_(true);
  function_->UnmaskInterrupt();
}

}  // namespace hostpci

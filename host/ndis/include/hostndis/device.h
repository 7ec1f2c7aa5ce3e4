// What the stand-in needs of a PCI device: its slot and assigned resources,
// its register window, its configuration space and its interrupt line. The
// simulated 21143 board is one (see board_device.h), a real PCI function
// another (host/pci); tests may plug others.
#pragma once

#include <cstdint>
#include <functional>

namespace hostndis {

struct DeviceResources {
  uint32_t slot = 0;
  uint32_t csr_physical = 0;  // memory resource: register window
  uint32_t csr_length = 0;
  bool has_interrupt = false;
  uint32_t interrupt_level = 0;
  uint32_t interrupt_vector = 0;
};

class Device {
 public:
  virtual ~Device() = default;
  virtual const DeviceResources& resources() const = 0;
  // Offsets from the start of the register window.
  virtual uint32_t ReadCsr(uint32_t offset) = 0;
  virtual void WriteCsr(uint32_t offset, uint32_t value) = 0;
  // Configuration space dwords (offset a multiple of 4).
  virtual uint32_t ReadPciConfig(uint32_t offset) = 0;
  virtual void WritePciConfig(uint32_t offset, uint32_t value) = 0;
  // The interrupt line; the listener runs on every change.
  virtual bool InterruptAsserted() const = 0;
  virtual void SetInterruptListener(std::function<void(bool asserted)> listener) = 0;
  // A real device's interrupt arrives on a file descriptor: a machine that
  // follows real time waits on it and calls ServiceEvent when it is
  // readable, which tells the listener. -1: the listener alone.
  virtual int event_fd() const { return -1; }
  virtual void ServiceEvent() {}
};

}  // namespace hostndis

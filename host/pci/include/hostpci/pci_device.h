// A 21143 behind a PciFunction as a device of the host NDIS stand-in: the
// driver's register accesses reach the chip's register window, its
// configuration accesses the function's configuration space, and the chip's
// INTx line reaches the machine through /dev/uioN.
//
// Configuration space passes through unchanged, except that the command
// register's interrupt-disable bit (10) stays as it is (uio masks the line
// with it while an interrupt waits to be served), and that with a subsystem
// given, dword 0x2c reads as that identity.
//
// Opening and closing reset the chip and turn bus mastering off: a chip left
// running by an earlier process would write into memory the next one hands
// out, and after this one ends into memory nobody holds.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "hostndis/device.h"
#include "hostpci/pci_function.h"

namespace hostpci {

constexpr uint32_t kK250Subsystem = 0x02507c3a;  // configuration dword 0x2c of a K250

struct PciDeviceOptions {
  uint32_t slot = 0;                  // the slot number the driver is configured with
  std::optional<uint32_t> subsystem;  // dword 0x2c as presented, instead of the function's own
};

class PciDevice : public hostndis::Device {
 public:
  PciDevice(std::unique_ptr<PciFunction> function, const PciDeviceOptions& options);
  ~PciDevice() override;

  PciFunction& function() { return *function_; }
  // The last value written to a CSR (0 before any): a register may read back otherwise.
  uint32_t LastWritten(uint32_t offset) const;

  const hostndis::DeviceResources& resources() const override { return resources_; }
  uint32_t ReadCsr(uint32_t offset) override;
  void WriteCsr(uint32_t offset, uint32_t value) override;
  uint32_t ReadPciConfig(uint32_t offset) override;
  void WritePciConfig(uint32_t offset, uint32_t value) override;
  // The function's interrupt status (status register bit 3).
  bool InterruptAsserted() const override;
  void SetInterruptListener(std::function<void(bool asserted)> listener) override;
  int event_fd() const override { return function_->uio_fd(); }
  // Takes the interrupt uio reported, tells the listener and unmasks the line
  // again: if the chip still holds it, uio reports it again at once.
  void ServiceEvent() override;

 private:
  void Quiesce();

  std::unique_ptr<PciFunction> function_;
  std::optional<uint32_t> subsystem_;
  hostndis::DeviceResources resources_;
  std::function<void(bool)> listener_;
  uint32_t last_written_[16] = {};
};

}  // namespace hostpci

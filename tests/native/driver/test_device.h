// The device a driver test's port sits on: a simulated K250 board, or a real
// 21143 function (the QEMU group), with a few knobs a test turns to create
// situations the chip alone will not: scripted reads of CSR5 and CSR8, a
// muted interrupt line, a command register that ignores the driver's
// bus-master enable, and lost transmit poll demands.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>

#include "hostndis/device.h"
#include "hostndis/host.h"
#include "sim/board.h"

namespace trx_test {

class TestDevice : public hostndis::Device {
 public:
  // A simulated board over `host`'s clock and memory.
  TestDevice(hostndis::Host& host, const sim::BoardConfig& config);
  // Any other chip.
  explicit TestDevice(std::unique_ptr<hostndis::Device> chip);

  // The simulated board; null over a real function.
  sim::Board* board() { return board_; }

  // Reads of CSR5 (or CSR8) take these values first, one per read, then the
  // chip's own again.
  std::deque<uint32_t> csr5_script;
  std::deque<uint32_t> csr8_script;
  // When set and it returns true, a register read gives its value instead.
  std::function<bool(uint32_t offset, uint32_t* value)> read_override;
  // PCI command writes leave bus mastering off: every descriptor fetch aborts.
  bool keep_bus_master_off = false;
  // Transmit poll demands (CSR1 writes) never reach the chip: a chip that
  // has started its transmitter but does not fetch what it is given.
  bool drop_poll_demands = false;
  // While muted the line stays low for the host; unmuting delivers it.
  void MuteLine(bool muted);

  const hostndis::DeviceResources& resources() const override { return chip_->resources(); }
  uint32_t ReadCsr(uint32_t offset) override;
  void WriteCsr(uint32_t offset, uint32_t value) override;
  uint32_t ReadPciConfig(uint32_t offset) override { return chip_->ReadPciConfig(offset); }
  void WritePciConfig(uint32_t offset, uint32_t value) override;
  bool InterruptAsserted() const override { return !muted_ && chip_->InterruptAsserted(); }
  void SetInterruptListener(std::function<void(bool asserted)> listener) override;
  // A real chip's interrupts wait in the kernel while the line is muted.
  int event_fd() const override { return muted_ ? -1 : chip_->event_fd(); }
  void ServiceEvent() override { chip_->ServiceEvent(); }

 private:
  std::unique_ptr<hostndis::Device> chip_;
  sim::Board* board_ = nullptr;
  std::function<void(bool)> listener_;
  bool muted_ = false;
};

}  // namespace trx_test

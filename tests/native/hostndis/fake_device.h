// A PCI device for stand-in tests: a plain register file, a configuration
// space, and an interrupt line the test raises and drops by hand.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "hostndis/device.h"

namespace hostndis_test {

class FakeDevice : public hostndis::Device {
 public:
  explicit FakeDevice(uint32_t slot = 3, bool has_interrupt = true) {
    resources_.slot = slot;
    resources_.csr_physical = 0xfebf0000 + slot * 0x1000;
    resources_.csr_length = 0x80;
    resources_.has_interrupt = has_interrupt;
    resources_.interrupt_level = 9;
    resources_.interrupt_vector = 9;
    config_[0] = 0x00191011;
    config_[0x2c / 4] = 0x02507c3a;
  }

  const hostndis::DeviceResources& resources() const override { return resources_; }
  uint32_t ReadCsr(uint32_t offset) override {
    ++csr_reads;
    return offset / 8 < 16 ? csr[offset / 8] : 0xffffffffu;
  }
  void WriteCsr(uint32_t offset, uint32_t value) override {
    writes.push_back({offset, value});
    if (offset / 8 < 16) csr[offset / 8] = value;
    if (on_write) on_write(offset, value);
  }
  uint32_t ReadPciConfig(uint32_t offset) override { return config_[(offset / 4) % 64]; }
  void WritePciConfig(uint32_t offset, uint32_t value) override { config_[(offset / 4) % 64] = value; }
  bool InterruptAsserted() const override { return line_; }
  void SetInterruptListener(std::function<void(bool)> listener) override { listener_ = std::move(listener); }

  void SetLine(bool up) {
    if (up == line_) return;
    line_ = up;
    if (listener_) listener_(up);
  }

  struct Write {
    uint32_t offset;
    uint32_t value;
  };
  uint32_t csr[16] = {};
  uint64_t csr_reads = 0;
  std::vector<Write> writes;
  std::function<void(uint32_t offset, uint32_t value)> on_write;

 private:
  hostndis::DeviceResources resources_;
  uint32_t config_[64] = {};
  bool line_ = false;
  std::function<void(bool)> listener_;
};

}  // namespace hostndis_test

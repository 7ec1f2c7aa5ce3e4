// A PHY register kept beside a chip whose PHY model drops the writes to it.
//
// QEMU's PHY answers at MII address 1 with the identifier of a PHY whose
// register 0x11 (interrupt enable) keeps what is written, but it ignores
// every write there and reads 0, so the driver's PHY set-up never sees its
// write read back. This device passes every access on to the chip and
// follows the management frames clocked through CSR9: writes of the kept
// register are remembered (a PHY reset clears it), and the data bits of its
// reads show the remembered value instead of the chip's data-in bit.
#pragma once

#include <cstdint>
#include <memory>

#include "hostndis/device.h"

namespace simlab {

class PhyRegisterKeeper : public hostndis::Device {
 public:
  PhyRegisterKeeper(std::unique_ptr<hostndis::Device> chip, uint32_t phy, uint32_t reg);

  uint16_t kept() const { return value_; }

  const hostndis::DeviceResources& resources() const override { return chip_->resources(); }
  uint32_t ReadCsr(uint32_t offset) override;
  void WriteCsr(uint32_t offset, uint32_t value) override;
  uint32_t ReadPciConfig(uint32_t offset) override { return chip_->ReadPciConfig(offset); }
  void WritePciConfig(uint32_t offset, uint32_t value) override { chip_->WritePciConfig(offset, value); }
  bool InterruptAsserted() const override { return chip_->InterruptAsserted(); }
  void SetInterruptListener(std::function<void(bool)> listener) override {
    chip_->SetInterruptListener(std::move(listener));
  }
  int event_fd() const override { return chip_->event_fd(); }
  void ServiceEvent() override { chip_->ServiceEvent(); }

 private:
  enum class Phase { kHeader, kReadTurnaround, kReadData, kWriteTurnaround, kWriteData };
  void ClockEdge(uint32_t csr9);

  std::unique_ptr<hostndis::Device> chip_;
  uint32_t phy_, reg_;
  uint16_t value_ = 0;
  bool clock_ = false;
  Phase phase_ = Phase::kHeader;
  uint32_t header_ = 0;     // the last bits clocked out
  uint32_t frame_reg_ = 0;  // register of the frame being written
  uint32_t count_ = 0;
  uint32_t data_ = 0;
  bool driving_ = false;    // a read of the kept register: its data bit shows
  uint32_t drive_bit_ = 0;
};

}  // namespace simlab

// The simulated 21143 board as a PCI device of the stand-in.
#pragma once

#include "hostndis/device.h"
#include "sim/board.h"

namespace hostndis {

class BoardDevice : public Device {
 public:
  BoardDevice(sim::VirtualClock& clock, sim::DmaSpace& dma, const sim::BoardConfig& config);

  sim::Board& board() { return board_; }

  const DeviceResources& resources() const override { return resources_; }
  uint32_t ReadCsr(uint32_t offset) override { return board_.ReadCsr(offset); }
  void WriteCsr(uint32_t offset, uint32_t value) override { board_.WriteCsr(offset, value); }
  uint32_t ReadPciConfig(uint32_t offset) override { return board_.ReadPciConfig(offset); }
  void WritePciConfig(uint32_t offset, uint32_t value) override { board_.WritePciConfig(offset, value); }
  bool InterruptAsserted() const override { return board_.InterruptAsserted(); }
  void SetInterruptListener(std::function<void(bool)> listener) override {
    board_.SetInterruptListener(std::move(listener));
  }

 private:
  sim::Board board_;
  DeviceResources resources_;
};

}  // namespace hostndis

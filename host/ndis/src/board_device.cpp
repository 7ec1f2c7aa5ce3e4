// The simulated 21143 board as a PCI device of the machine.
#include <stdexcept>

#include "hostndis/detail/machine.h"
#include "sim/board.h"

namespace hostndis {

namespace {

class BoardDevice : public Device {
 public:
  BoardDevice(sim::VirtualClock& clock, sim::DmaSpace& dma, const sim::BoardConfig& config)
      : board_(clock, dma, config), resources_(BoardResources(config)) {}

  const DeviceResources& resources() const override { return resources_; }
  uint32_t ReadCsr(uint32_t offset) override { return board_.ReadCsr(offset); }
  void WriteCsr(uint32_t offset, uint32_t value) override { board_.WriteCsr(offset, value); }
  uint32_t ReadPciConfig(uint32_t offset) override { return board_.ReadPciConfig(offset); }
  void WritePciConfig(uint32_t offset, uint32_t value) override { board_.WritePciConfig(offset, value); }
  bool InterruptAsserted() const override { return board_.InterruptAsserted(); }
  void SetInterruptListener(std::function<void(bool)> listener) override {
    board_.SetInterruptListener(std::move(listener));
  }

  sim::Board& board() { return board_; }

 private:
  sim::Board board_;
  DeviceResources resources_;
};

}  // namespace

DeviceResources BoardResources(const sim::BoardConfig& config) {
  DeviceResources r;
  r.slot = config.slot;
  r.csr_physical = config.csr_physical;
  r.csr_length = config.csr_length;
  r.has_interrupt = config.has_interrupt;
  r.interrupt_level = config.interrupt_level;
  r.interrupt_vector = config.interrupt_vector;
  return r;
}

sim::Board& Host::AddBoard(const sim::BoardConfig& config) {
  detail::Machine& mc = *machine_;
  mc.MakeCurrent();
  for (auto& d : mc.devices)
    if (d->resources().slot == config.slot)
      throw std::invalid_argument("hostndis: PCI slot " + std::to_string(config.slot) + " is taken already");
  auto device = std::make_unique<BoardDevice>(mc.clock, mc.memory, config);
  sim::Board& board = device->board();
  mc.devices.push_back(std::move(device));
  return board;
}

Device* Host::DeviceOf(const sim::Board& board) {
  for (auto& d : machine_->devices)
    if (auto* b = dynamic_cast<BoardDevice*>(d.get()); b != nullptr && &b->board() == &board) return b;
  return nullptr;
}

Adapter& Host::AddAdapter(sim::Board& board, const AdapterOptions& options) {
  Device* device = DeviceOf(board);
  if (device == nullptr) throw std::invalid_argument("hostndis: AddAdapter with a board of another host");
  return AddAdapter(*device, options);
}

}  // namespace hostndis

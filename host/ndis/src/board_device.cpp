// The simulated 21143 board as a PCI device of the machine.
#include <stdexcept>

#include "hostndis/board_device.h"
#include "hostndis/detail/machine.h"

namespace hostndis {

BoardDevice::BoardDevice(sim::VirtualClock& clock, sim::DmaSpace& dma, const sim::BoardConfig& config)
    : board_(clock, dma, config), resources_(BoardResources(config)) {}

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

#include "test_device.h"

#include "hostndis/board_device.h"

namespace trx_test {

namespace {
constexpr uint32_t kCsr1 = 0x08;
constexpr uint32_t kCsr5 = 0x28;
constexpr uint32_t kCsr8 = 0x40;
constexpr uint32_t kPciCommand = 0x04;
constexpr uint32_t kBusMaster = 0x4;
}  // namespace

TestDevice::TestDevice(hostndis::Host& host, const sim::BoardConfig& config)
    : TestDevice(std::make_unique<hostndis::BoardDevice>(host.clock(), host.memory(), config)) {
  board_ = &static_cast<hostndis::BoardDevice&>(*chip_).board();
}

TestDevice::TestDevice(std::unique_ptr<hostndis::Device> chip) : chip_(std::move(chip)) {
  chip_->SetInterruptListener([this](bool asserted) {
    if (!muted_ && listener_) listener_(asserted);
  });
}

uint32_t TestDevice::ReadCsr(uint32_t offset) {
  uint32_t overridden;
  if (read_override && read_override(offset, &overridden)) return overridden;
  std::deque<uint32_t>* script = offset == kCsr5 ? &csr5_script : offset == kCsr8 ? &csr8_script : nullptr;
  if (script == nullptr || script->empty()) return chip_->ReadCsr(offset);
  uint32_t value = script->front();
  script->pop_front();
  return value;
}

void TestDevice::WriteCsr(uint32_t offset, uint32_t value) {
  if (offset == kCsr1 && drop_poll_demands) return;
  chip_->WriteCsr(offset, value);
}

void TestDevice::WritePciConfig(uint32_t offset, uint32_t value) {
  if (offset == kPciCommand && keep_bus_master_off) value &= ~kBusMaster;
  chip_->WritePciConfig(offset, value);
}

void TestDevice::SetInterruptListener(std::function<void(bool asserted)> listener) { listener_ = std::move(listener); }

void TestDevice::MuteLine(bool muted) {
  muted_ = muted;
  if (!muted_ && listener_ && chip_->InterruptAsserted()) listener_(true);
}

}  // namespace trx_test

#include "race_machine.h"

#include "image_context.h"

namespace trxrace {

// Verifier rule of packets a run sent that never came back.
constexpr const char kNeverCompleted[] = "SendNeverCompleted";

// The chip's DMA as the race rule sees it, on its way to physical memory.
class ObservedDma : public sim::DmaSpace {
 public:
  explicit ObservedDma(sim::DmaSpace& memory) : memory_(memory) {}
  bool DmaRead(uint32_t bus, void* dst, uint32_t length) override {
    bool ok = memory_.DmaRead(bus, dst, length);
    if (ok && rule != nullptr) rule->ChipRead(bus, length);
    return ok;
  }
  bool DmaWrite(uint32_t bus, const void* src, uint32_t length) override {
    bool ok = memory_.DmaWrite(bus, src, length);
    if (ok && rule != nullptr) rule->ChipWrote(bus, length);
    return ok;
  }
  kimage::DescriptorRaceRule* rule = nullptr;

 private:
  sim::DmaSpace& memory_;
};

// The board as the machine's PCI device. A step taken at a boundary runs
// inside an emulated store, where the image cannot be entered again: the
// interrupt line's changes are held back then and delivered at the driver's
// next register access or when the machine runs.
class RaceDevice : public hostndis::Device {
 public:
  RaceDevice(sim::VirtualClock& clock, sim::DmaSpace& dma, const sim::BoardConfig& config)
      : board_(clock, dma, config), resources_(hostndis::BoardResources(config)) {}
  sim::Board& board() { return board_; }
  void Hold(bool on) { holding_ = on; }
  // While muted the line stays low for the host; unmuting delivers it.
  void Mute(bool on) {
    muted_ = on;
    if (!on && listener_) listener_(board_.InterruptAsserted());
  }
  void Release() {
    if (!held_ || muted_) return;
    held_ = false;
    if (listener_) listener_(board_.InterruptAsserted());
  }

  const hostndis::DeviceResources& resources() const override { return resources_; }
  uint32_t ReadCsr(uint32_t offset) override {
    Release();
    return board_.ReadCsr(offset);
  }
  void WriteCsr(uint32_t offset, uint32_t value) override {
    Release();
    board_.WriteCsr(offset, value);
  }
  uint32_t ReadPciConfig(uint32_t offset) override { return board_.ReadPciConfig(offset); }
  void WritePciConfig(uint32_t offset, uint32_t value) override { board_.WritePciConfig(offset, value); }
  bool InterruptAsserted() const override { return !muted_ && board_.InterruptAsserted(); }
  void SetInterruptListener(std::function<void(bool)> listener) override {
    listener_ = std::move(listener);
    board_.SetInterruptListener([this](bool asserted) {
      if (holding_ || muted_) {
        held_ = true;
        return;
      }
      if (listener_) listener_(asserted);
    });
  }

 private:
  sim::Board board_;
  hostndis::DeviceResources resources_;
  std::function<void(bool)> listener_;
  bool holding_ = false, held_ = false, muted_ = false;
};

RaceMachine::RaceMachine(const RaceOptions& options)
    : options_(options),
      loader_(kimage::DriverLoader::Image(options.image_path)),
      host_(loader_.Prepare(hostndis::HostConfig())) {
  dma_ = std::make_unique<ObservedDma>(host_.memory());
  host_.verifier().set_print(false);
  host_.verifier().SetHook([this](const hostndis::Finding& f) { findings_.push_back({f.message, boundaries_}); });
}

RaceMachine::~RaceMachine() {
  if (driver_.image != nullptr) driver_.image->WatchStores(0, 0, {});
}

sim::Board& RaceMachine::board() { return device_->board(); }

bool RaceMachine::BringUp(BoundaryPolicy policy, std::string* error) {
  sim::BoardConfig config;
  if (!sim::BoardProfile::Parse(options_.board, &config.profile)) {
    *error = "unknown board profile '" + options_.board + "'";
    return false;
  }
  driver_ = loader_.Load(host_);
  if (!driver_.error.empty() || driver_.status != STATUS_SUCCESS) {
    *error = driver_.error.empty() ? "DriverEntry failed" : driver_.error;
    return false;
  }
  auto device = std::make_unique<RaceDevice>(host_.clock(), *dma_, config);
  device_ = device.get();
  host_.AddDevice(std::move(device));
  hostndis::AdapterOptions adapter_options;
  adapter_options.requeue_refused_sends = true;  // as NDIS does for a protocol
  adapter_ = &host_.AddAdapter(*device_, adapter_options);
  adapter_->OnSendComplete([this](PNDIS_PACKET, NDIS_STATUS) { ++packets_completed_; });
  adapter_->SetKeyword("ConnectionType", 0u);
  adapter_->SetKeyword("SlotNumber", config.slot);
  adapter_->SetKeyword("TxRingSize", options_.tx_ring);
  adapter_->SetKeyword("RxRingSize", options_.rx_ring);
  wire_ = std::make_unique<sim::Wire>(host_.clock(), board(), peer_, sim::Wire::Pace::kUnlimited);
  if (adapter_->Initialize() != NDIS_STATUS_SUCCESS) {
    *error = "Initialize failed";
    return false;
  }
  if (!WaitForLink()) {
    *error = "the link never came up";
    return false;
  }
  ULONG filter = NDIS_PACKET_TYPE_DIRECTED | NDIS_PACKET_TYPE_BROADCAST;
  adapter_->Set(OID_GEN_CURRENT_PACKET_FILTER, {uint8_t(filter), 0, 0, 0});
  Run(5 * sim::kMillisecond);
  return Arm(std::move(policy), error);
}

// The descriptor area as the driver programmed the chip: the transmit ring
// (CSR4) comes first, the receive ring (CSR3 at bring-up) right after it;
// the ring sizes as the driver took them from its keywords.
bool RaceMachine::Arm(BoundaryPolicy policy, std::string* error) {
  ADAPTER_CONTEXT context{};
  simlab::ReadImageContext(*driver_.image, adapter_->context(), &context);
  kimage::DescriptorArea area;
  area.bus = board().ReadCsr(0x20);
  area.tx_count = context.TxCount;
  area.rx_count = context.RxCount;
  area.host = host_.memory().HostAddress(area.bus);
  area.emulated = area.host != nullptr ? driver_.image->EmulatedAddress(area.host) : 0;
  if (area.emulated == 0 || board().ReadCsr(0x18) != area.bus + 16 * area.tx_count) {
    *error = "the descriptor rings are not where CSR4 and CSR3 say";
    return false;
  }
  kimage::DescriptorRaceRule::Hooks hooks;
  hooks.report = [this](const std::string& what) { host_.verifier().Report(kimage::kDescriptorRace, what); };
  hooks.process_running = [this](bool transmit) {
    uint32_t csr5 = board().ReadCsr(0x28);
    return (csr5 & (transmit ? 0x00700000u : 0x000e0000u)) != 0;
  };
  const kimage::KernelImage* image = driver_.image.get();
  hooks.code_name = [image](uint32_t eip) { return image->CodeAddress(eip); };
  rule_ = std::make_unique<kimage::DescriptorRaceRule>(area, std::move(hooks));
  dma_->rule = rule_.get();
  policy_ = std::move(policy);
  driver_.image->WatchStores(area.emulated, area.emulated + area.length(),
                             [this](uint32_t address, uint32_t size, uint32_t value, uint32_t eip) {
                               uint64_t k = boundaries_++;
                               if (policy_ && policy_(k)) StepChip();
                               rule_->DriverStore(address, size, value, eip);
                             },
                             options_.exact_eip);
  return true;
}

void RaceMachine::StepChip() {
  device_->Hold(true);
  board().TakeDmaStep();
  if (!arrivals_.empty()) {
    std::vector<uint8_t> frame = std::move(arrivals_.front());
    arrivals_.pop_front();
    uint32_t fcs = sim::EthernetFcs(frame.data(), static_cast<uint32_t>(frame.size()));
    for (int i = 0; i < 4; ++i) frame.push_back(static_cast<uint8_t>(fcs >> (8 * i)));
    board().FrameArrived(frame.data(), static_cast<uint32_t>(frame.size()));
  }
  device_->Hold(false);
  ++steps_;
}

void RaceMachine::MuteInterrupts(bool on) { device_->Mute(on); }

void RaceMachine::Run(sim::Nanoseconds duration) {
  device_->Release();
  host_.RunFor(duration);
}

void RaceMachine::Reset() {
  adapter_->Reset();
  device_->Release();
  host_.RunUntil([&] { return adapter_->last_reset().done; }, 5 * sim::kSecond);
  WaitForLink();
}

bool RaceMachine::WaitForLink(sim::Nanoseconds limit) {
  device_->Release();
  ADAPTER_CONTEXT context{};
  return host_.RunUntil(
      [&] { return simlab::ReadImageContext(*driver_.image, adapter_->context(), &context) && context.LinkUp; },
      limit);
}

void RaceMachine::Send(const std::vector<PNDIS_PACKET>& packets) {
  packets_sent_ += packets.size();
  adapter_->Send(packets);
}

void RaceMachine::Halt() {
  if (adapter_ == nullptr || !adapter_->initialized()) return;
  Run(50 * sim::kMillisecond);
  if (packets_completed_ != packets_sent_)
    host_.verifier().Report(kNeverCompleted, std::to_string(packets_sent_ - packets_completed_) + " of " +
                                                 std::to_string(packets_sent_) +
                                                 " packets sent were never completed (refused and never sent "
                                                 "again, or still with the miniport)");
  driver_.image->WatchStores(0, 0, {});
  dma_->rule = nullptr;
  adapter_->Halt();
}


}  // namespace trxrace

// The Host API: the machine, its devices, the driver and the run loop.
#include <cstdio>
#include <stdexcept>

#include "hostndis/detail/machine.h"

namespace hostndis {

using detail::Machine;
using detail::Miniport;

Host::Host(const HostConfig& config) : machine_(std::make_unique<Machine>(config)) { machine_->MakeCurrent(); }

Host::~Host() = default;

sim::VirtualClock& Host::clock() { return machine_->clock; }
PhysicalMemory& Host::memory() { return machine_->memory; }
Verifier& Host::verifier() { return machine_->verifier; }
FaultInjector& Host::faults() { return machine_->faults; }
const HostConfig& Host::config() const { return machine_->config; }
KIRQL Host::irql() const { return machine_->irql; }
bool Host::driver_registered() const { return machine_->registered; }
const NDIS_MINIPORT_CHARACTERISTICS& Host::characteristics() const { return machine_->characteristics; }

Device* Host::AddDevice(std::unique_ptr<Device> device) {
  machine_->MakeCurrent();
  if (device == nullptr) return nullptr;
  for (auto& d : machine_->devices) {
    if (d->resources().slot == device->resources().slot) {
      std::fprintf(stderr, "hostndis: PCI slot %u is taken already\n", device->resources().slot);
      return nullptr;
    }
  }
  machine_->devices.push_back(std::move(device));
  return machine_->devices.back().get();
}

NTSTATUS Host::LoadDriver(PDRIVER_INITIALIZE entry) {
  Machine& mc = *machine_;
  mc.MakeCurrent();
  if (entry == nullptr || mc.InHandler()) {
    std::fprintf(stderr, "hostndis: LoadDriver needs an entry point and no handler running\n");
    return STATUS_UNSUCCESSFUL;
  }
  if (mc.registered) {
    std::fprintf(stderr, "hostndis: a driver is loaded already\n");
    return STATUS_UNSUCCESSFUL;
  }
  NTSTATUS status = STATUS_UNSUCCESSFUL;
  mc.RunHandler(nullptr, PASSIVE_LEVEL, "DriverEntry",
                [&] { status = entry(&mc.driver_object, &mc.registry_path); });
  return status;
}

Adapter& Host::AddAdapter(Device& device, const AdapterOptions& options) {
  Machine& mc = *machine_;
  mc.MakeCurrent();
  bool ours = false;
  for (auto& d : mc.devices) ours = ours || d.get() == &device;
  if (!ours) throw std::invalid_argument("hostndis: AddAdapter with a device that is not plugged into this host");
  mc.miniports.push_back(std::make_unique<Miniport>(&mc, &device, options));
  Device* dev = &device;
  Machine* m = &mc;
  device.SetInterruptListener([m, dev](bool asserted) { m->LineChanged(dev, asserted); });
  return mc.miniports.back()->api;
}

void Host::RunPending() {
  machine_->MakeCurrent();
  machine_->RunPending();
}

namespace {
bool Refuse(Machine& mc, const char* what) {
  if (!mc.InHandler()) return false;
  std::fprintf(stderr, "hostndis: %s cannot run while a handler is running\n", what);
  return true;
}
}  // namespace

void Host::RunFor(sim::Nanoseconds duration) {
  Machine& mc = *machine_;
  mc.MakeCurrent();
  if (Refuse(mc, "RunFor")) return;
  mc.FollowRealTime();
  sim::Nanoseconds end = mc.clock.Now() + duration;
  if (mc.config.real_time) {
    mc.RunRealTime(end, nullptr);
    return;
  }
  mc.RunPending();
  while (mc.clock.HasPending() && mc.clock.NextDue() <= end) {
    mc.clock.RunNext();
    mc.RunPending();
  }
  mc.clock.AdvanceTo(end);
  mc.RunPending();
}

bool Host::RunUntilIdle(sim::Nanoseconds limit) {
  Machine& mc = *machine_;
  return RunUntil([&mc] { return mc.work.empty() && !mc.clock.HasPending(); }, limit);
}

bool Host::RunUntil(const std::function<bool()>& done, sim::Nanoseconds limit) {
  Machine& mc = *machine_;
  mc.MakeCurrent();
  if (Refuse(mc, "RunUntil")) return false;
  mc.FollowRealTime();
  sim::Nanoseconds end = mc.clock.Now() + limit;
  if (mc.config.real_time) return mc.RunRealTime(end, done);
  mc.RunPending();
  while (!done()) {
    if (!mc.clock.HasPending() || mc.clock.NextDue() > end) {
      mc.clock.AdvanceTo(end);
      mc.RunPending();
      return done();
    }
    mc.clock.RunNext();
    mc.RunPending();
  }
  return true;
}

int Host::WaitForEvents(pollfd* fds, size_t count, sim::Nanoseconds timeout) {
  Machine& mc = *machine_;
  mc.MakeCurrent();
  if (Refuse(mc, "WaitForEvents")) return 0;
  int ready = mc.WaitForDeviceEvents(timeout, fds, count);
  mc.FollowRealTime();
  mc.RunPending();
  return ready;
}

bool Host::RaiseSharedInterrupt(uint32_t vector) {
  Machine& mc = *machine_;
  mc.MakeCurrent();
  if (Refuse(mc, "RaiseSharedInterrupt")) return false;
  bool claimed = mc.RunIsrChain(vector);
  mc.DeliverInterrupts();
  mc.RunPending();
  return claimed;
}

}  // namespace hostndis

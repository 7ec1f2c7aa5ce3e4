// Busy waits, sleeps and the system time: on the virtual clock, or, with a
// real device plugged in, in real time, the virtual clock following the
// host's monotonic clock and the devices' event descriptors served while the
// machine waits.
#include <poll.h>

#include <vector>

#include "hostndis/detail/machine.h"

namespace hostndis::detail {

namespace {

sim::Nanoseconds RealNow(const Machine& mc) {
  return static_cast<sim::Nanoseconds>(
      std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - mc.real_start).count());
}

}  // namespace

void Machine::FollowRealTime() {
  if (!config.real_time) return;
  sim::Nanoseconds now = RealNow(*this);
  if (now > clock.Now()) clock.AdvanceTo(now);
}

int Machine::WaitForDeviceEvents(sim::Nanoseconds timeout, pollfd* extra, size_t extra_count) {
  std::vector<pollfd> fds(extra, extra + extra_count);
  std::vector<Device*> owners;
  for (auto& d : devices) {
    if (d->event_fd() < 0) continue;
    fds.push_back(pollfd{d->event_fd(), POLLIN, 0});
    owners.push_back(d.get());
  }
  timespec wait{static_cast<time_t>(timeout / sim::kSecond), static_cast<long>(timeout % sim::kSecond)};
  bool any = ppoll(fds.data(), fds.size(), &wait, nullptr) > 0;
  int ready = 0;
  for (size_t i = 0; i < extra_count; ++i) {
    extra[i].revents = any ? fds[i].revents : 0;
    if (extra[i].revents != 0) ++ready;
  }
  for (size_t i = 0; any && i < owners.size(); ++i)
    if (fds[extra_count + i].revents & POLLIN) owners[i]->ServiceEvent();
  return ready;
}

void Machine::PassTime(sim::Nanoseconds duration, bool busy) {
  if (!config.real_time) {
    clock.Advance(duration);
    return;
  }
  sim::Nanoseconds until = RealNow(*this) + duration;
  for (sim::Nanoseconds now = RealNow(*this); now < until; now = RealNow(*this))
    if (!busy) WaitForDeviceEvents(until - now);
  FollowRealTime();
}

bool Machine::RunRealTime(sim::Nanoseconds end, const std::function<bool()>& done) {
  for (;;) {
    FollowRealTime();
    RunPending();
    if (done && done()) return true;
    sim::Nanoseconds now = clock.Now();
    if (now >= end) return false;
    sim::Nanoseconds wake = clock.HasPending() && clock.NextDue() < end ? clock.NextDue() : end;
    WaitForDeviceEvents(wake > now ? wake - now : 0);
  }
}

}  // namespace hostndis::detail

using hostndis::detail::Machine;

extern "C" {

VOID KeStallExecutionProcessor(ULONG MicroSeconds) {
  Machine* mc = Machine::Current("KeStallExecutionProcessor");
  if (mc == nullptr) return;
  if (MicroSeconds > mc->config.max_stall_us)
    mc->Report(hostndis::rule::kStallTooLong, "a busy wait of " + std::to_string(MicroSeconds) +
                                                  " us; one busy wait may last at most " +
                                                  std::to_string(mc->config.max_stall_us) + " us");
  mc->PassTime(static_cast<sim::Nanoseconds>(MicroSeconds) * sim::kMicrosecond, true);
}

VOID NdisMSleep(ULONG MicrosecondsToSleep) {
  Machine* mc = Machine::Current("NdisMSleep");
  if (mc == nullptr) return;
  if (mc->irql >= DISPATCH_LEVEL)
    mc->Report(hostndis::rule::kSleepAtDispatch, "NdisMSleep(" + std::to_string(MicrosecondsToSleep) +
                                                     ") at IRQL " + std::to_string(mc->irql) +
                                                     "; a sleep is only legal below DISPATCH level");
  mc->PassTime(static_cast<sim::Nanoseconds>(MicrosecondsToSleep) * sim::kMicrosecond, false);
}

VOID KeQuerySystemTime(PLARGE_INTEGER CurrentTime) {
  Machine* mc = Machine::Current("KeQuerySystemTime");
  if (mc == nullptr || CurrentTime == nullptr) return;
  mc->FollowRealTime();
  // 100 ns units since 1601; the machine boots on 2001-01-01.
  constexpr LONGLONG kBoot = 126227808000000000LL;
  CurrentTime->QuadPart = kBoot + static_cast<LONGLONG>(mc->clock.Now() / 100);
}

}  // extern "C"

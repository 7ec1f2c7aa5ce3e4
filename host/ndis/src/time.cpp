// Busy waits, sleeps and the system time, all on the virtual clock.
#include "hostndis/detail/machine.h"

using hostndis::detail::Machine;

extern "C" {

VOID KeStallExecutionProcessor(ULONG MicroSeconds) {
  Machine* mc = Machine::Current("KeStallExecutionProcessor");
  if (mc == nullptr) return;
  if (MicroSeconds > mc->config.max_stall_us)
    mc->Report(hostndis::rule::kStallTooLong, "a busy wait of " + std::to_string(MicroSeconds) +
                                                  " us; one busy wait may last at most " +
                                                  std::to_string(mc->config.max_stall_us) + " us");
  mc->clock.Advance(static_cast<sim::Nanoseconds>(MicroSeconds) * sim::kMicrosecond);
}

VOID NdisMSleep(ULONG MicrosecondsToSleep) {
  Machine* mc = Machine::Current("NdisMSleep");
  if (mc == nullptr) return;
  if (mc->irql >= DISPATCH_LEVEL)
    mc->Report(hostndis::rule::kSleepAtDispatch, "NdisMSleep(" + std::to_string(MicrosecondsToSleep) +
                                                     ") at IRQL " + std::to_string(mc->irql) +
                                                     "; a sleep is only legal below DISPATCH level");
  mc->clock.Advance(static_cast<sim::Nanoseconds>(MicrosecondsToSleep) * sim::kMicrosecond);
}

VOID KeQuerySystemTime(PLARGE_INTEGER CurrentTime) {
  Machine* mc = Machine::Current("KeQuerySystemTime");
  if (mc == nullptr || CurrentTime == nullptr) return;
  // 100 ns units since 1601; the machine boots on 2001-01-01.
  constexpr LONGLONG kBoot = 126227808000000000LL;
  CurrentTime->QuadPart = kBoot + static_cast<LONGLONG>(mc->clock.Now() / 100);
}

}  // extern "C"

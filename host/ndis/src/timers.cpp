// Miniport timers on the virtual clock. A timer that falls due waits, like a
// deferred interrupt routine, until no handler of the machine is running, and
// then runs at DISPATCH level, serialized with the handlers.
#include "hostndis/detail/machine.h"

namespace hostndis::detail {

namespace {

TimerRecord* TimerOf(Machine* mc, PNDIS_MINIPORT_TIMER timer, const char* op) {
  if (timer == nullptr) {
    mc->Report(rule::kBadArgument, std::string(op) + " given a null timer");
    return nullptr;
  }
  ULONG_PTR id = timer->Timer.HostTimer;
  if (id == 0 || id > mc->timers.size() || mc->timers[id - 1].timer != timer || !mc->timers[id - 1].alive) {
    mc->Report(rule::kTimerMisuse, std::string(op) + " on the timer at " + Hex(reinterpret_cast<uintptr_t>(timer)) +
                                       ", which NdisMInitializeTimer never set up (or whose adapter is gone)");
    return nullptr;
  }
  return &mc->timers[id - 1];
}

}  // namespace

void Machine::TimerFired(uint32_t index) {
  TimerRecord& r = timers[index];
  r.set = false;
  if (!r.alive || r.queued) return;
  r.queued = true;
  work.push_back(WorkItem{WorkItem::Kind::kTimer, r.owner, index, {}});
}

void Machine::RunTimer(uint32_t index) {
  TimerRecord& r = timers[index];
  if (!r.alive || !r.queued) return;
  r.queued = false;
  PNDIS_MINIPORT_TIMER timer = r.timer;
  PNDIS_TIMER_FUNCTION function = timer->MiniportTimerFunction;
  PVOID context = timer->MiniportTimerContext;
  RunHandler(r.owner, DISPATCH_LEVEL, "the timer function", [&] { function(nullptr, context, nullptr, nullptr); });
}

void Machine::RetireTimers(const void* begin, size_t length, const char* op) {
  auto from = reinterpret_cast<uintptr_t>(begin);
  for (TimerRecord& r : timers) {
    auto at = reinterpret_cast<uintptr_t>(r.timer);
    if (!r.alive || at < from || at - from >= length) continue;
    if (r.set || r.queued)
      Report(rule::kTimerMisuse, std::string(op) + " frees the memory of a timer that is still set");
    if (r.set) clock.Cancel(r.event);
    r.alive = r.set = r.queued = false;
  }
}

}  // namespace hostndis::detail

using hostndis::detail::Machine;
using hostndis::detail::TimerRecord;

extern "C" {

VOID NdisMInitializeTimer(PNDIS_MINIPORT_TIMER Timer, NDIS_HANDLE MiniportAdapterHandle,
                          PNDIS_TIMER_FUNCTION TimerFunction, PVOID FunctionContext) {
  Machine* mc = Machine::Current("NdisMInitializeTimer");
  if (mc == nullptr) return;
  hostndis::detail::Miniport* m = mc->MiniportFromHandle(MiniportAdapterHandle, "NdisMInitializeTimer");
  if (m == nullptr) return;
  if (Timer == nullptr || TimerFunction == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisMInitializeTimer given a null timer or timer function");
    return;
  }
  ULONG_PTR old = Timer->Timer.HostTimer;
  if (old != 0 && old <= mc->timers.size() && mc->timers[old - 1].timer == Timer && mc->timers[old - 1].alive) {
    TimerRecord& r = mc->timers[old - 1];
    if (r.set || r.queued) {
      mc->Report(hostndis::rule::kTimerMisuse, "NdisMInitializeTimer on a timer that is set");
      mc->clock.Cancel(r.event);
    }
    r.alive = false;
  }
  mc->timers.push_back(TimerRecord{Timer, m, true, false, false, 0});
  Timer->Timer.HostTimer = mc->timers.size();
  Timer->MiniportTimerFunction = TimerFunction;
  Timer->MiniportTimerContext = FunctionContext;
  Timer->Miniport = reinterpret_cast<PNDIS_MINIPORT_BLOCK>(m);
  Timer->NextDeferredTimer = nullptr;
}

VOID NdisMSetTimer(PNDIS_MINIPORT_TIMER Timer, UINT MillisecondsToDelay) {
  Machine* mc = Machine::Current("NdisMSetTimer");
  if (mc == nullptr) return;
  TimerRecord* r = hostndis::detail::TimerOf(mc, Timer, "NdisMSetTimer");
  if (r == nullptr) return;
  mc->FollowRealTime();  // the delay counts from now, not from where the clock last stood
  if (r->set) mc->clock.Cancel(r->event);
  uint32_t index = static_cast<uint32_t>(r - mc->timers.data());
  r->set = true;
  r->event = mc->clock.ScheduleAfter(static_cast<sim::Nanoseconds>(MillisecondsToDelay) * sim::kMillisecond,
                                     [mc, index] { mc->TimerFired(index); });
}

VOID NdisMCancelTimer(PNDIS_MINIPORT_TIMER Timer, PBOOLEAN TimerCancelled) {
  Machine* mc = Machine::Current("NdisMCancelTimer");
  if (mc == nullptr) return;
  if (TimerCancelled) *TimerCancelled = FALSE;
  TimerRecord* r = hostndis::detail::TimerOf(mc, Timer, "NdisMCancelTimer");
  if (r == nullptr) return;
  if (TimerCancelled) *TimerCancelled = (r->set || r->queued) ? TRUE : FALSE;
  if (r->set) mc->clock.Cancel(r->event);
  r->set = false;
  r->queued = false;
}

}  // extern "C"

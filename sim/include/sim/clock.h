// Virtual time for the simulated machine.
//
// Nothing in the simulation reads the host's clock: the board, the wire and the
// host NDIS stand-in all schedule work on one VirtualClock, and time moves only
// when somebody advances it (a busy-wait, a sleep, or a test running the
// machine).  A 1.5 s settle wait therefore costs no real time, and every run is
// repeatable.
#pragma once

#include <cstdint>
#include <functional>
#include <queue>
#include <unordered_set>
#include <vector>

namespace sim {

using Nanoseconds = uint64_t;

constexpr Nanoseconds kMicrosecond = 1000;
constexpr Nanoseconds kMillisecond = 1000 * kMicrosecond;
constexpr Nanoseconds kSecond = 1000 * kMillisecond;

class VirtualClock {
 public:
  using EventId = uint64_t;
  using Callback = std::function<void()>;

  Nanoseconds Now() const { return now_; }

  // Runs fn when the clock reaches `at` (or at the next advance if `at` has
  // already passed). Events due at the same time run in scheduling order.
  EventId ScheduleAt(Nanoseconds at, Callback fn);
  EventId ScheduleAfter(Nanoseconds delay, Callback fn) { return ScheduleAt(now_ + delay, std::move(fn)); }
  // Cancelling an event that already ran (or an unknown id) is harmless.
  void Cancel(EventId id);

  // Moves time forward by `delta`, running every event that falls due on the
  // way, each with Now() set to its own due time.
  void Advance(Nanoseconds delta) { AdvanceTo(now_ + delta); }
  void AdvanceTo(Nanoseconds when);

  // Jumps to the next pending event and runs everything due then.
  // Returns false when nothing is pending.
  bool RunNext();
  bool HasPending() const { return !live_.empty(); }
  // Due time of the earliest pending event; only meaningful if HasPending().
  Nanoseconds NextDue();

 private:
  struct Event {
    Nanoseconds at;
    EventId id;
    Callback fn;
  };
  struct Later {
    bool operator()(const Event& a, const Event& b) const {
      return a.at != b.at ? a.at > b.at : a.id > b.id;
    }
  };
  void DropCancelledTop();

  Nanoseconds now_ = 0;
  EventId next_id_ = 1;
  std::priority_queue<Event, std::vector<Event>, Later> queue_;
  std::unordered_set<EventId> live_;  // queued and not cancelled
};

}  // namespace sim

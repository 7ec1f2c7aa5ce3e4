#include "sim/clock.h"

namespace sim {

VirtualClock::EventId VirtualClock::ScheduleAt(Nanoseconds at, Callback fn) {
  EventId id = next_id_++;
  queue_.push(Event{at < now_ ? now_ : at, id, std::move(fn)});
  live_.insert(id);
  return id;
}

void VirtualClock::Cancel(EventId id) { live_.erase(id); }

void VirtualClock::DropCancelledTop() {
  while (!queue_.empty() && live_.count(queue_.top().id) == 0) queue_.pop();
}

Nanoseconds VirtualClock::NextDue() {
  DropCancelledTop();
  return queue_.empty() ? now_ : queue_.top().at;
}

void VirtualClock::AdvanceTo(Nanoseconds when) {
  for (;;) {
    // Nothing due, cancelled or not: no need to look the top event up (the
    // common case of a short busy wait).
    if (queue_.empty() || queue_.top().at > when) break;
    if (live_.count(queue_.top().id) == 0) {
      queue_.pop();
      continue;
    }
    // priority_queue only hands out const access; the event is popped next.
    Event ev = std::move(const_cast<Event&>(queue_.top()));
    queue_.pop();
    live_.erase(ev.id);
    if (ev.at > now_) now_ = ev.at;
    ev.fn();
  }
  if (when > now_) now_ = when;
}

bool VirtualClock::RunNext() {
  DropCancelledTop();
  if (queue_.empty()) return false;
  AdvanceTo(queue_.top().at);
  return true;
}

}  // namespace sim

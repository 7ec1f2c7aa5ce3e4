// The cable: pacing per direction, unplugging, delivery and capture.
#include <algorithm>
#include <stdexcept>

#include "pcap_writer.h"
#include "sim/wire.h"

namespace sim {

struct Wire::Flights {
  struct Frame {
    std::vector<uint8_t> bytes;
    uint32_t length = 0;
    VirtualClock::EventId event = 0;
  };
  struct Waiting {
    int direction;
    uint64_t generation;
    std::vector<uint8_t> bytes;
    uint32_t length;
  };
  std::deque<Frame> paced[2];  // 0: from a toward b, 1: from b toward a
  // Deliveries started while another delivery runs (a port answering from
  // inside FrameArrived) wait here, so that replies never nest.
  std::deque<Waiting> waiting;
  bool delivering = false;
  bool gone[2] = {false, false};
  std::vector<std::vector<uint8_t>> spare;  // reused frame buffers

  std::vector<uint8_t> Copy(const uint8_t* frame, uint32_t length) {
    std::vector<uint8_t> bytes;
    if (!spare.empty()) {
      bytes = std::move(spare.back());
      spare.pop_back();
    }
    bytes.assign(frame, frame + length);
    return bytes;
  }
  void Recycle(std::vector<uint8_t>&& bytes) { spare.push_back(std::move(bytes)); }
};

Wire::Wire(VirtualClock& clock, WirePort& a, WirePort& b, Pace pace)
    : clock_(clock), a_(a), b_(b), pace_(pace), flights_(std::make_unique<Flights>()) {
  if (&a == &b) throw std::invalid_argument("Wire: both ends are the same port");
  if (a.wire_ || b.wire_) throw std::invalid_argument("Wire: port is already cabled");
  a.wire_ = this;
  b.wire_ = this;
  a_.PeerChanged();
  b_.PeerChanged();
}

Wire::~Wire() {
  StopCapture();
  DropInFlight();
  // Silent: a wire destroyed at teardown tells nobody (Unplug models a pull).
  if (!flights_->gone[0]) a_.wire_ = nullptr;
  if (!flights_->gone[1]) b_.wire_ = nullptr;
}

WirePort* Wire::LivePeerOf(const WirePort* port) const {
  if (port == &a_) return flights_->gone[1] ? nullptr : &b_;
  if (port == &b_) return flights_->gone[0] ? nullptr : &a_;
  return nullptr;
}

void Wire::PortGone(const WirePort* port) {
  int side = port == &a_ ? 0 : 1;
  flights_->gone[side] = true;
  bool was_plugged = plugged_;
  plugged_ = false;
  DropInFlight();
  WirePort& other = side == 0 ? b_ : a_;
  if (was_plugged && !flights_->gone[1 - side]) other.PeerChanged();
}

void Wire::DropInFlight() {
  ++generation_;
  for (auto& queue : flights_->paced) {
    for (auto& f : queue) {
      clock_.Cancel(f.event);
      flights_->Recycle(std::move(f.bytes));
    }
    queue.clear();
  }
  for (auto& w : flights_->waiting) flights_->Recycle(std::move(w.bytes));
  flights_->waiting.clear();
  busy_a_ = busy_b_ = clock_.Now();
}

void Wire::Unplug() {
  if (!plugged_) return;
  plugged_ = false;
  DropInFlight();
  if (!flights_->gone[0]) a_.PeerChanged();
  if (!flights_->gone[1]) b_.PeerChanged();
}

void Wire::Plug() {
  if (plugged_ || flights_->gone[0] || flights_->gone[1]) return;
  plugged_ = true;
  a_.PeerChanged();
  b_.PeerChanged();
}

bool Wire::CaptureTo(const std::string& path) {
  StopCapture();
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  if (!detail::WritePcapHeader(file)) {
    std::fclose(file);
    return false;
  }
  capture_ = file;
  return true;
}

void Wire::StopCapture() {
  if (capture_) std::fclose(capture_);
  capture_ = nullptr;
}

void Wire::Carry(WirePort* from, const uint8_t* frame, uint32_t length, LinkMode mode) {
  int direction = from == &a_ ? 0 : (from == &b_ ? 1 : -1);
  if (direction < 0 || !plugged_ || mode == LinkMode::kNone || length == 0) return;
  if (pace_ == Pace::kUnlimited) {
    Deliver(direction, frame, length);
    return;
  }
  Nanoseconds& busy = direction == 0 ? busy_a_ : busy_b_;
  Nanoseconds end = std::max(clock_.Now(), busy) + WireTime(length, mode);
  busy = end;
  auto& queue = flights_->paced[direction];
  queue.push_back(Flights::Frame{flights_->Copy(frame, length), length, 0});
  uint64_t key = generation_ << 1 | uint64_t(direction);
  queue.back().event = clock_.ScheduleAt(end, [this, key] { Arrive(key); });
}

// A paced frame has fully crossed (its inter-frame gap included).
void Wire::Arrive(uint64_t key) {
  int direction = int(key & 1);
  auto& queue = flights_->paced[direction];
  if ((key >> 1) != generation_ || queue.empty()) return;
  Flights::Frame f = std::move(queue.front());
  queue.pop_front();
  Deliver(direction, f.bytes.data(), f.length);
  flights_->Recycle(std::move(f.bytes));
}

void Wire::Deliver(int direction, const uint8_t* frame, uint32_t length) {
  Flights& fl = *flights_;
  if (fl.delivering) {
    fl.waiting.push_back(Flights::Waiting{direction, generation_, fl.Copy(frame, length), length});
    return;
  }
  fl.delivering = true;
  Hand(direction, frame, length);
  while (!fl.waiting.empty()) {
    Flights::Waiting w = std::move(fl.waiting.front());
    fl.waiting.pop_front();
    if (w.generation == generation_) Hand(w.direction, w.bytes.data(), w.length);
    fl.Recycle(std::move(w.bytes));
  }
  fl.delivering = false;
}

void Wire::Hand(int direction, const uint8_t* frame, uint32_t length) {
  if (flights_->gone[1 - direction]) return;
  ++frames_carried_;
  if (capture_ && length >= 4) detail::WritePcapRecord(capture_, clock_.Now(), frame, length - 4);
  WirePort& to = direction == 0 ? b_ : a_;
  to.FrameArrived(frame, length);
}

}  // namespace sim

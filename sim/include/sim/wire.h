// The cable between two Ethernet ports, and a plain frame source/sink.
//
// Frames on the wire are whole MAC frames including the 4-byte FCS, without
// preamble. A wire either paces each direction at the transmitting port's
// current line rate (preamble, frame and inter-frame gap all take their time on
// the virtual clock) or delivers at once ("unlimited").
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "sim/clock.h"

namespace sim {

// Speed and duplex of a link, the same codes the driver's ConnectionType uses.
enum class LinkMode : uint32_t {
  kNone = 0,       // no link
  k10Half = 1,
  k10Full = 2,
  k100Half = 3,
  k100Full = 4,
};
uint64_t BitsPerSecond(LinkMode mode);

// Technology ability bits as in an MII advertisement register (register 4):
// 0x20 10 half, 0x40 10 full, 0x80 100 half, 0x100 100 full.
using Abilities = uint16_t;
constexpr Abilities kAll4Modes = 0x1e0;
// The ability bit of one mode (0 for kNone), and the best mode of a set.
Abilities AbilityOf(LinkMode mode);
LinkMode BestMode(Abilities abilities);
// Time one frame of `length` bytes (FCS included) occupies the wire at `mode`:
// preamble (8 bytes), the frame and the inter-frame gap (12 bytes).
Nanoseconds WireTime(uint32_t length, LinkMode mode);

class Wire;

// One end of a cable.
class WirePort {
 public:
  // A port that goes away while cabled leaves its wire unplugged.
  virtual ~WirePort();
  // A frame (with FCS) has fully arrived from the far end.
  virtual void FrameArrived(const uint8_t* frame, uint32_t length) = 0;
  // The far end appeared or went away (cable plugged, unplugged, far end's
  // PHY reset). Ports re-run their link logic from this.
  virtual void PeerChanged() {}
  // What this port offers the far end: its advertised abilities when it
  // auto-negotiates, or its single forced mode otherwise.
  virtual bool AutoNegotiates() const = 0;
  virtual Abilities Advertised() const = 0;
  virtual LinkMode ForcedMode() const = 0;
  // Whether this port's transmitter is up (its PHY or serial interface is
  // running and not held in reset).
  virtual bool Transmitting() const = 0;

  Wire* wire() const { return wire_; }
  // The port at the other end of the cable, or null.
  WirePort* Peer() const;
  // Resolves the mode of a link between this port and its peer (kNone when
  // unplugged or either side is down). Auto-negotiation picks the best common
  // mode; a forced side against an auto side gives half duplex at the forced
  // speed (parallel detection); two forced sides must match.
  LinkMode ResolvedMode() const;

 protected:
  // Puts a frame (with FCS) on the wire toward the peer; dropped silently when
  // no link. `mode` is the sender's view of the link, used for pacing.
  void SendToWire(const uint8_t* frame, uint32_t length, LinkMode mode);

 private:
  friend class Wire;
  Wire* wire_ = nullptr;
};

class Wire {
 public:
  enum class Pace { kLineRate, kUnlimited };

  // Plugs both ends in (each gets PeerChanged). Throws std::invalid_argument
  // if a port is already cabled or both ends are the same port. Destroying
  // the wire detaches its ends silently; Unplug models a cable pull.
  Wire(VirtualClock& clock, WirePort& a, WirePort& b, Pace pace = Pace::kLineRate);
  ~Wire();
  Wire(const Wire&) = delete;
  Wire& operator=(const Wire&) = delete;

  void Unplug();
  void Plug();
  bool Plugged() const { return plugged_; }
  Pace pace() const { return pace_; }
  void set_pace(Pace pace) { pace_ = pace; }

  // Writes every frame that crosses the wire (either direction, FCS stripped)
  // to a pcap file (link type Ethernet, timestamps from the virtual clock).
  bool CaptureTo(const std::string& path);
  void StopCapture();

  WirePort* PeerOf(const WirePort* port) const { return port == &a_ ? &b_ : (port == &b_ ? &a_ : nullptr); }
  // When the wire, in the direction from `from`, will be free again.
  Nanoseconds BusyUntil(const WirePort* from) const { return from == &a_ ? busy_a_ : busy_b_; }

  uint64_t frames_carried() const { return frames_carried_; }

 private:
  friend class WirePort;
  struct Flights;  // frames in flight and deliveries waiting their turn
  void Carry(WirePort* from, const uint8_t* frame, uint32_t length, LinkMode mode);
  void Arrive(uint64_t key);
  void Deliver(int direction, const uint8_t* frame, uint32_t length);
  void Hand(int direction, const uint8_t* frame, uint32_t length);
  void DropInFlight();
  void PortGone(const WirePort* port);
  WirePort* LivePeerOf(const WirePort* port) const;

  VirtualClock& clock_;
  WirePort& a_;
  WirePort& b_;
  Pace pace_;
  bool plugged_ = true;
  Nanoseconds busy_a_ = 0, busy_b_ = 0;  // per direction
  uint64_t frames_carried_ = 0;
  uint64_t generation_ = 0;  // frames in flight across an unplug are lost
  std::FILE* capture_ = nullptr;
  std::unique_ptr<Flights> flights_;
};

// Plays a remote station or a traffic generator: sends frames it is given and
// keeps the ones that arrive.
class FrameEndpoint : public WirePort {
 public:
  explicit FrameEndpoint(Abilities advertised = kAll4Modes) : advertised_(advertised) {}

  // Sends `frame` (without FCS; a correct FCS is appended unless bad_fcs).
  void Send(const std::vector<uint8_t>& frame, bool bad_fcs = false);
  // Frames received, FCS included, oldest first.
  std::deque<std::vector<uint8_t>>& received() { return received_; }
  // Counts every frame that arrived, kept or not. A traffic sink that only
  // counts turns keeping off.
  uint64_t frames_received() const { return frames_received_; }
  void set_keep_frames(bool keep) { keep_ = keep; }

  void set_advertised(Abilities a) { advertised_ = a; forced_ = LinkMode::kNone; }
  void set_forced(LinkMode m) { forced_ = m; }
  void set_up(bool up) { up_ = up; }

  void FrameArrived(const uint8_t* frame, uint32_t length) override;
  bool AutoNegotiates() const override { return forced_ == LinkMode::kNone; }
  Abilities Advertised() const override { return advertised_; }
  LinkMode ForcedMode() const override { return forced_; }
  bool Transmitting() const override { return up_; }

 private:
  Abilities advertised_;
  LinkMode forced_ = LinkMode::kNone;
  bool up_ = true;
  bool keep_ = true;
  bool sending_ = false;
  uint64_t frames_received_ = 0;
  std::deque<std::vector<uint8_t>> received_;
  std::vector<uint8_t> scratch_;  // reused for the frame plus FCS
};

// IEEE 802.3 frame check sequence of `length` bytes (the value as transmitted,
// least significant byte first on the wire).
uint32_t EthernetFcs(const uint8_t* data, uint32_t length);

}  // namespace sim

// One end of a cable: finding the far end and agreeing a link mode with it.
#include "sim/wire.h"

namespace sim {

WirePort::~WirePort() {
  if (wire_) wire_->PortGone(this);
}

WirePort* WirePort::Peer() const { return wire_ ? wire_->LivePeerOf(this) : nullptr; }

namespace {

// Parallel detection: the auto-negotiating side recognises the forced side's
// speed (if it offers that speed at all) and can only assume half duplex.
LinkMode ParallelDetect(LinkMode forced, Abilities auto_side) {
  switch (forced) {
    case LinkMode::k100Half:
    case LinkMode::k100Full:
      return (auto_side & 0x180) ? LinkMode::k100Half : LinkMode::kNone;
    case LinkMode::k10Half:
    case LinkMode::k10Full:
      return (auto_side & 0x060) ? LinkMode::k10Half : LinkMode::kNone;
    case LinkMode::kNone:
      break;
  }
  return LinkMode::kNone;
}

}  // namespace

LinkMode WirePort::ResolvedMode() const {
  const WirePort* peer = Peer();
  if (!peer || !wire_->Plugged() || !Transmitting() || !peer->Transmitting()) return LinkMode::kNone;
  bool mine_auto = AutoNegotiates();
  bool peer_auto = peer->AutoNegotiates();
  if (mine_auto && peer_auto) return BestMode(Advertised() & peer->Advertised() & kAll4Modes);
  if (!mine_auto && !peer_auto) return ForcedMode() == peer->ForcedMode() ? ForcedMode() : LinkMode::kNone;
  return mine_auto ? ParallelDetect(peer->ForcedMode(), Advertised()) : ParallelDetect(ForcedMode(), peer->Advertised());
}

void WirePort::SendToWire(const uint8_t* frame, uint32_t length, LinkMode mode) {
  if (wire_) wire_->Carry(this, frame, length, mode);
}

}  // namespace sim

// The port's link: the PHY or, without one, the serial interface, agreeing a
// mode with the far end of the cable after a negotiation time.
#include "board_impl.h"

namespace sim {

namespace {
constexpr Nanoseconds kNegotiationTime = 2 * kMillisecond;  // unless the profile sets its own
constexpr Nanoseconds kForcedLinkTime = 1 * kMillisecond;  // link pulses seen, no negotiation
}  // namespace

bool Board::Impl::PortTransmitting() const { return phy_ ? phy_->Transmitting() : sia_.Running(); }
bool Board::Impl::PortAutoNegotiates() const { return phy_ && phy_->AutoNegotiates(); }
Abilities Board::Impl::PortAdvertised() const { return phy_ ? phy_->Advertised() : 0; }
LinkMode Board::Impl::PortForcedMode() const { return phy_ ? phy_->ForcedMode() : sia_.ForcedMode(); }

// The MAC reaches the jack only through the port this board wires to it:
// the MII when a PHY is fitted, the serial interface otherwise.
bool Board::Impl::MacOnPort() const { return ((csr_[6] & bits::kPortSelectMii) != 0) == (phy_ != nullptr); }

// Something on either end changed: the link drops now and is tried again
// after the negotiation time. Changes of our own are told to the far end.
// The evaluation is scheduled before the link drops: dropping it can run the
// interrupt listener, and whatever that does (a nested relink) wins.
void Board::Impl::Relink(bool tell_peer) {
  clock_.Cancel(link_event_);
  link_event_ = 0;
  if (PortTransmitting()) {
    Nanoseconds negotiation = config_.profile.negotiation_time != 0 ? config_.profile.negotiation_time : kNegotiationTime;
    Nanoseconds delay = PortAutoNegotiates() ? negotiation : kForcedLinkTime;
    link_event_ = clock_.ScheduleAfter(delay, [this] {
      link_event_ = 0;
      EvaluateLink();
    });
  }
  SetLink(LinkMode::kNone, 0);
  if (tell_peer) {
    if (WirePort* peer = self_.Peer()) peer->PeerChanged();
  }
  UpdateInterruptLine();
}

void Board::Impl::EvaluateLink() {
  LinkMode resolved = self_.ResolvedMode();
  if (resolved == LinkMode::kNone) return;  // stays down until something changes
  WirePort* peer = self_.Peer();
  uint16_t partner = peer->AutoNegotiates() ? uint16_t(peer->Advertised() | 0x4001)  // acknowledge, 802.3
                                            : AbilityOf(peer->ForcedMode());
  SetLink(PortAutoNegotiates() ? resolved : PortForcedMode(), partner);
  UpdateInterruptLine();
}

void Board::Impl::SetLink(LinkMode mode, uint16_t partner) {
  if (mode == link_mode_) return;
  bool was_up = link_mode_ != LinkMode::kNone;
  link_mode_ = mode;
  if (was_up) ++link_epoch_;
  if (mode != LinkMode::kNone) ScheduleFlap();
  if (phy_) {
    phy_->SetLink(mode, partner);
  } else {
    NoteSiaLink(mode != LinkMode::kNone);
    sia_.SetLink(mode != LinkMode::kNone);
    RaiseEvents(mode != LinkMode::kNone ? bits::kLinkPass : bits::kLinkFail);
  }
}

}  // namespace sim

#include "race_scenarios.h"

#include <algorithm>

namespace trxrace {
namespace {

using hostndis::ReceiveAction;
using Mac = std::vector<uint8_t>;

const Mac kStation = {0x00, 0x12, 0x34, 0x56, 0x78, 0x9a};  // the board's EEPROM default
const Mac kPeer = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};
constexpr sim::Nanoseconds kMs = sim::kMillisecond;

std::vector<uint8_t> Frame(const Mac& destination, uint32_t length, uint8_t seed) {
  std::vector<uint8_t> f(length);
  for (uint32_t i = 0; i < length; ++i) f[i] = static_cast<uint8_t>(seed + i);
  std::copy(destination.begin(), destination.end(), f.begin());
  std::copy(kPeer.begin(), kPeer.end(), f.begin() + 6);
  f[12] = 0x08;
  f[13] = 0x00;
  return f;
}

void SendBatch(RaceMachine& m, uint32_t count, uint32_t length, std::vector<PNDIS_PACKET>* sent = nullptr) {
  std::vector<PNDIS_PACKET> packets;
  for (uint32_t i = 0; i < count; ++i)
    packets.push_back(m.adapter().BuildPacket(Frame(kPeer, length, static_cast<uint8_t>(length + i))));
  m.Send(packets);
  if (sent != nullptr) sent->insert(sent->end(), packets.begin(), packets.end());
}

// Gives the protocol's packets back to its pool once the miniport is done.
void FreeFinished(hostndis::Adapter& a, std::vector<PNDIS_PACKET>* sent) {
  size_t kept = 0;
  for (PNDIS_PACKET p : *sent) {
    hostndis::SendState state = a.send_state(p);
    if (state == hostndis::SendState::kCompleted || state == hostndis::SendState::kRefused)
      a.FreePacket(p);
    else
      (*sent)[kept++] = p;
  }
  sent->resize(kept);
}

Mac Group(uint8_t n) { return {0x01, 0x00, 0x5e, 0x00, 0x00, n}; }

void SetMulticast(RaceMachine& m, uint32_t groups) {
  std::vector<uint8_t> list;
  for (uint32_t i = 0; i < groups; ++i) {
    Mac g = Group(static_cast<uint8_t>(i + 1));
    list.insert(list.end(), g.begin(), g.end());
  }
  m.adapter().Set(OID_802_3_MULTICAST_LIST, list);
}

void SetFilter(RaceMachine& m, ULONG filter) {
  m.adapter().Set(OID_GEN_CURRENT_PACKET_FILTER, {uint8_t(filter), uint8_t(filter >> 8), 0, 0});
}

// One packet, a batch, then two batches that fill the ring and wrap it.
void Sends(RaceMachine& m) {
  SendBatch(m, 1, 60);
  m.Run(2 * kMs);
  SendBatch(m, 5, 300);
  m.Run(3 * kMs);
  SendBatch(m, 6, 1000);
  SendBatch(m, 3, 100);
  m.Run(10 * kMs);
}

// Frames the protocol keeps, returned in another order than indicated while
// more frames arrive at the chip's steps.
void Receives(RaceMachine& m) {
  hostndis::Adapter& a = m.adapter();
  a.OnReceive([](PNDIS_PACKET) { return ReceiveAction::kKeep; });
  for (uint8_t i = 0; i < 5; ++i) m.peer().Send(Frame(kStation, 100 + 10 * i, i));
  m.Run(1 * kMs);
  for (uint8_t i = 0; i < 3; ++i) m.QueueArrival(Frame(kStation, 200 + i, static_cast<uint8_t>(0x40 + i)));
  std::vector<PNDIS_PACKET> held = a.held_packets();
  std::reverse(held.begin(), held.end());
  std::rotate(held.begin(), held.begin() + held.size() / 2, held.end());
  for (PNDIS_PACKET p : held) a.ReturnPacket(p);
  m.Run(1 * kMs);
  a.OnReceive([](PNDIS_PACKET) { return ReceiveAction::kReturn; });
  a.ReturnAllPackets();
  for (uint8_t i = 0; i < 3; ++i) m.peer().Send(Frame(kStation, 64, static_cast<uint8_t>(0x80 + i)));
  m.Run(2 * kMs);
}

// Two reloads back to back (list, then filter), a hash list with sends
// between, a reload that clears the multicast bit, and one that finds the
// ring full of sent frames nobody has reclaimed while another waits.
void FilterReloads(RaceMachine& m) {
  const ULONG kAll = NDIS_PACKET_TYPE_DIRECTED | NDIS_PACKET_TYPE_MULTICAST | NDIS_PACKET_TYPE_BROADCAST;
  SetMulticast(m, 3);
  SetFilter(m, kAll);
  m.Run(2 * kMs);
  SetMulticast(m, 16);
  SendBatch(m, 2, 200);
  SetFilter(m, NDIS_PACKET_TYPE_DIRECTED | NDIS_PACKET_TYPE_BROADCAST);
  m.Run(5 * kMs);
  SetFilter(m, kAll);
  SetMulticast(m, 20);  // waits for the reload before it
  SendBatch(m, 5, 100);  // the last free records
  m.MuteInterrupts(true);
  m.Run(5 * kMs);
  SetFilter(m, NDIS_PACKET_TYPE_DIRECTED | NDIS_PACKET_TYPE_MULTICAST);
  m.MuteInterrupts(false);
  m.Run(5 * kMs);
}

// A reset with sends in flight and received frames lent to the protocol,
// then the frames returned and sends again.
void Reset(RaceMachine& m) {
  hostndis::Adapter& a = m.adapter();
  a.OnReceive([](PNDIS_PACKET) { return ReceiveAction::kKeep; });
  for (uint8_t i = 0; i < 3; ++i) m.peer().Send(Frame(kStation, 80, i));
  m.Run(1 * kMs);
  SendBatch(m, 3, 500);
  m.Reset();
  a.OnReceive([](PNDIS_PACKET) { return ReceiveAction::kReturn; });
  a.ReturnAllPackets();
  SendBatch(m, 2, 100);
  m.Run(5 * kMs);
}

}  // namespace

const std::vector<Scenario>& Scenarios() {
  static const std::vector<Scenario> all = {
      {"send", "one packet, a batch, two batches that fill and wrap the ring", Sends},
      {"receive", "kept frames returned out of order while frames arrive", Receives},
      {"filter", "filter reloads back to back: dummy and setup descriptor pairs", FilterReloads},
      {"reset", "a reset with sends in flight and frames lent, then returns and sends", Reset},
  };
  return all;
}

const Scenario* FindScenario(const std::string& name) {
  for (const Scenario& s : Scenarios())
    if (name == s.name) return &s;
  return nullptr;
}

void MixedTraffic(RaceMachine& m, uint32_t seed, uint64_t boundaries) {
  uint64_t state = 0x9e3779b97f4a7c15ull * (uint64_t(seed) + 1);
  auto draw = [&](uint32_t n) {
    uint64_t z = (state += 0x9e3779b97f4a7c15ull);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
    return static_cast<uint32_t>((z ^ (z >> 31)) % n);
  };
  hostndis::Adapter& a = m.adapter();
  bool keep = false;
  std::vector<PNDIS_PACKET> sent;
  a.OnReceive([&keep](PNDIS_PACKET) { return keep ? ReceiveAction::kKeep : ReceiveAction::kReturn; });
  for (uint32_t round = 0; m.boundaries() < boundaries && round < 1000000; ++round) {
    uint32_t op = draw(100);
    if (op < 40) {
      SendBatch(m, 1 + draw(4), 60 + draw(1455), &sent);
    } else if (op < 60) {
      keep = draw(2) == 0;
      for (uint32_t i = 1 + draw(3); i > 0; --i) {
        std::vector<uint8_t> f = Frame(kStation, 64 + draw(1450), static_cast<uint8_t>(round));
        if (draw(2) == 0)
          m.QueueArrival(std::move(f));
        else
          m.peer().Send(f);
      }
    } else if (op < 85) {
      std::vector<PNDIS_PACKET> held = a.held_packets();
      for (size_t i = held.size(); i > 1; --i) std::swap(held[i - 1], held[draw(static_cast<uint32_t>(i))]);
      held.resize(draw(static_cast<uint32_t>(held.size()) + 1));
      for (PNDIS_PACKET p : held) a.ReturnPacket(p);
    } else if (op < 98) {
      if (draw(2) == 0) SetMulticast(m, draw(21));
      static const ULONG kFilters[] = {0x09, 0x0b, 0x0f, 0x01};
      SetFilter(m, kFilters[draw(4)]);
    } else {
      m.Reset();
    }
    m.Run(draw(600) * sim::kMicrosecond);
    // A board whose link drops (flaps, slow negotiation) holds sends back.
    if (m.board().CurrentMode() == sim::LinkMode::kNone) m.WaitForLink();
    FreeFinished(a, &sent);
  }
  keep = false;
  a.ReturnAllPackets();
  m.Run(20 * kMs);
}

}  // namespace trxrace

// Adapter API, receiving: what was indicated, the packets the protocol side
// keeps, and giving them back through ReturnPacket.
#include <algorithm>
#include <cstdio>

#include "protocol_side.h"

namespace hostndis {

using detail::Machine;
using detail::Miniport;
using detail::PacketPool;

namespace detail {

void ReturnReceivePacket(Miniport* m, PNDIS_PACKET packet) {
  Machine& mc = *m->machine;
  auto it = std::find(m->held.begin(), m->held.end(), packet);
  if (it == m->held.end()) {
    std::fprintf(stderr, "hostndis: ReturnPacket of a packet the protocol side does not hold\n");
    return;
  }
  m->held.erase(it);
  PacketPool* pool;
  int32_t index;
  if (mc.FindDriverPacket(packet, &pool, &index)) pool->slot(static_cast<uint32_t>(index)).held_by_protocol = false;
  mc.RunHandler(m, DISPATCH_LEVEL, "ReturnPacket",
                [&] { m->chars().Ndis40Chars.ReturnPacketHandler(m->context, packet); });
}

}  // namespace detail

void Adapter::OnReceive(std::function<ReceiveAction(PNDIS_PACKET)> callback) { m_->on_receive = std::move(callback); }
const std::vector<ReceivedFrame>& Adapter::received() const { return m_->received; }
void Adapter::ClearReceived() { m_->received.clear(); }
const std::vector<PNDIS_PACKET>& Adapter::held_packets() const { return m_->held; }
uint64_t Adapter::receive_indications() const { return m_->receive_indications; }
uint64_t Adapter::packets_indicated() const { return m_->packets_indicated; }

void Adapter::ReturnPacket(PNDIS_PACKET packet) {
  Machine& mc = *m_->machine;
  mc.MakeCurrent();
  Miniport* m = m_;
  if (mc.InHandler()) {
    mc.Defer(m, [m, packet] { detail::ReturnReceivePacket(m, packet); });
    return;
  }
  mc.RunPending();
  detail::ReturnReceivePacket(m, packet);
}

void Adapter::ReturnAllPackets() {
  std::vector<PNDIS_PACKET> all = m_->held;
  for (PNDIS_PACKET p : all) ReturnPacket(p);
}

std::vector<uint8_t> Adapter::PacketBytes(PNDIS_PACKET packet) {
  std::vector<uint8_t> bytes;
  if (packet == nullptr) return bytes;
  int buffers = 0;
  for (PNDIS_BUFFER b = packet->Private.Head; b != nullptr && buffers < 64; b = b->Next, ++buffers) {
    auto* data = static_cast<const uint8_t*>(MmGetSystemAddressForMdl(b));
    if (data != nullptr) bytes.insert(bytes.end(), data, data + MmGetMdlByteCount(b));
  }
  return bytes;
}

const std::vector<StatusEvent>& Adapter::status_events() const { return m_->status_events; }
void Adapter::ClearStatusEvents() { m_->status_events.clear(); }
void Adapter::OnStatus(std::function<void(const StatusEvent&)> callback) { m_->on_status = std::move(callback); }

}  // namespace hostndis

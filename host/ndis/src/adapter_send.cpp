// Adapter API, sending: packets built in protocol memory, SendPackets, and
// what became of each packet.
#include <cstdio>

#include "protocol_side.h"

namespace hostndis {

using detail::HoldDeferred;
using detail::Machine;
using detail::Miniport;
using detail::MiniportState;
using detail::SendSlot;

namespace detail {

namespace {
// What a packet's status holds until SendPackets sets it: no NDIS status.
constexpr NDIS_STATUS kStatusUnset = 0x7fff5e7d;
}  // namespace

void FinishSend(Miniport* m, uint32_t index, PNDIS_PACKET packet, NDIS_STATUS status) {
  SendSlot& slot = m->send_slots[index];
  slot.state = SendState::kCompleted;
  slot.status = status;
  if (m->record_completions) m->completions.push_back(SendCompletion{packet, status});
  if (m->on_send_complete) m->on_send_complete(packet, status);
  ScheduleRequeuedSends(m);
}

void SendHeldForReset(Miniport* m) {
  if (m->held_for_reset.empty()) return;
  m->machine->Defer(m, [m] {
    if (m->held_for_reset.empty() || m->state != MiniportState::kReady || m->reset_pending) return;
    std::vector<PNDIS_PACKET> held;
    held.swap(m->held_for_reset);
    for (PNDIS_PACKET p : held) m->send_slots[m->send_pool->IndexOf(p)].state = SendState::kIdle;
    SendPackets(m, held.data(), static_cast<uint32_t>(held.size()));
  });
}

void ScheduleRequeuedSends(Miniport* m) {
  if (!m->options.requeue_refused_sends || m->requeued.empty()) return;
  m->machine->Defer(m, [m] {
    if (m->requeued.empty() || m->state != MiniportState::kReady) return;
    std::vector<PNDIS_PACKET> again(m->requeued.begin(), m->requeued.end());
    m->requeued.clear();
    SendPackets(m, again.data(), static_cast<uint32_t>(again.size()));
  });
}

void SendPackets(Miniport* m, PNDIS_PACKET const* packets, uint32_t count) {
  Machine& mc = *m->machine;
  if (m->reset_pending) {
    // NDIS holds sends while a reset is pending and gives them to the
    // miniport after NdisMResetComplete.
    for (uint32_t i = 0; i < count; ++i) {
      int32_t index = m->send_pool->IndexOf(packets[i]);
      if (index < 0 || m->send_slots[index].state == SendState::kWithMiniport) continue;
      m->send_slots[index].state = SendState::kQueued;
      m->held_for_reset.push_back(packets[i]);
    }
    return;
  }
  // Reused from call to call: a send never nests (calls from handlers wait).
  std::vector<PNDIS_PACKET>& batch = m->send_batch;
  batch.clear();
  for (uint32_t i = 0; i < count; ++i) {
    int32_t index = m->send_pool->IndexOf(packets[i]);
    if (index < 0 || !m->send_pool->slot(static_cast<uint32_t>(index)).allocated) {
      std::fprintf(stderr, "hostndis: Send given a packet that BuildPacket did not make for this adapter\n");
      continue;
    }
    SendSlot& slot = m->send_slots[index];
    if (slot.state == SendState::kWithMiniport) {
      std::fprintf(stderr, "hostndis: Send of packet #%d, which the miniport still has\n", index);
      continue;
    }
    slot.state = SendState::kWithMiniport;
    NDIS_SET_PACKET_STATUS(packets[i], kStatusUnset);
    batch.push_back(packets[i]);
  }
  if (batch.empty()) return;
  HoldDeferred hold(mc);
  const NDIS40_MINIPORT_CHARACTERISTICS& chars = m->chars().Ndis40Chars;
  if (chars.SendPacketsHandler != nullptr) {
    mc.RunHandler(m, DISPATCH_LEVEL, "SendPackets",
                  [&] { chars.SendPacketsHandler(m->context, batch.data(), static_cast<UINT>(batch.size())); });
  } else {
    // A miniport with only Send takes one packet at a time, until it refuses one.
    bool refused = false;
    for (PNDIS_PACKET p : batch) {
      NDIS_STATUS status = NDIS_STATUS_RESOURCES;
      if (!refused)
        mc.RunHandler(m, DISPATCH_LEVEL, "Send", [&] { status = chars.Ndis30Chars.SendHandler(m->context, p, 0); });
      refused = status == NDIS_STATUS_RESOURCES;
      NDIS_SET_PACKET_STATUS(p, status);
    }
  }
  for (PNDIS_PACKET p : batch) {
    uint32_t index = static_cast<uint32_t>(m->send_pool->IndexOf(p));
    SendSlot& slot = m->send_slots[index];
    NDIS_STATUS status = NDIS_GET_PACKET_STATUS(p);
    if (slot.state != SendState::kWithMiniport) {
      if (status == NDIS_STATUS_RESOURCES)
        mc.Report(rule::kSendCompleteNotPending,
                  "send packet #" + std::to_string(index) + " was both completed and refused by SendPackets");
      continue;
    }
    if (status == NDIS_STATUS_PENDING) continue;
    if (status == NDIS_STATUS_RESOURCES) {
      slot.status = status;
      if (m->options.requeue_refused_sends) {
        slot.state = SendState::kQueued;
        m->requeued.push_back(p);
      } else {
        slot.state = SendState::kRefused;
      }
      continue;
    }
    if (status == kStatusUnset) {
      mc.Report(rule::kSendStatusUnset,
                "SendPackets returned without setting the status of send packet #" + std::to_string(index));
      slot.state = SendState::kRefused;
      slot.status = NDIS_STATUS_FAILURE;
      continue;
    }
    // Any other status completes the packet at once.
    FinishSend(m, index, p, status);
  }
}

}  // namespace detail

PNDIS_PACKET Adapter::BuildPacket(const std::vector<uint8_t>& bytes, uint32_t page_offset) {
  return BuildPacket(std::vector<BufferSpec>{BufferSpec{bytes, page_offset}});
}

PNDIS_PACKET Adapter::BuildPacket(const std::vector<BufferSpec>& buffers) {
  Machine& mc = *m_->machine;
  mc.MakeCurrent();
  if (buffers.empty()) return nullptr;
  for (const BufferSpec& b : buffers)
    if (b.bytes.empty()) return nullptr;
  PNDIS_PACKET packet = m_->send_pool->Allocate();
  if (packet == nullptr) return nullptr;
  uint32_t index = static_cast<uint32_t>(m_->send_pool->IndexOf(packet));
  SendSlot& slot = m_->send_slots[index];
  slot = SendSlot();
  for (const BufferSpec& wanted : buffers) {
    PhysicalMemory::Region region;
    PNDIS_BUFFER buffer = nullptr;
    uint32_t length = static_cast<uint32_t>(wanted.bytes.size());
    if (mc.memory.AllocateScattered(length, wanted.page_offset % kPageSize, &region)) {
      slot.regions.push_back(region);
      std::memcpy(region.virt, wanted.bytes.data(), length);
      buffer = m_->send_buffers->Allocate(region.virt, length);
    }
    if (buffer == nullptr) {
      FreePacket(packet);
      return nullptr;
    }
    NdisChainBufferAtBack(packet, buffer);
  }
  return packet;
}

void Adapter::FreePacket(PNDIS_PACKET packet) {
  Machine& mc = *m_->machine;
  int32_t index = m_->send_pool->IndexOf(packet);
  if (index < 0 || !m_->send_pool->slot(static_cast<uint32_t>(index)).allocated) {
    std::fprintf(stderr, "hostndis: FreePacket of a packet that BuildPacket did not make for this adapter\n");
    return;
  }
  SendSlot& slot = m_->send_slots[index];
  if (slot.state == SendState::kWithMiniport || slot.state == SendState::kQueued) {
    std::fprintf(stderr, "hostndis: FreePacket of packet #%d while it is being sent\n", index);
    return;
  }
  for (PNDIS_BUFFER b = packet->Private.Head; b != nullptr;) {
    PNDIS_BUFFER next = b->Next;
    m_->send_buffers->Free(m_->send_buffers->SlotOf(b));
    b = next;
  }
  for (const PhysicalMemory::Region& r : slot.regions) mc.memory.Free(r);
  slot = SendSlot();
  m_->send_pool->Free(static_cast<uint32_t>(index));
}

void Adapter::Send(const std::vector<PNDIS_PACKET>& packets) { Send(packets.data(), static_cast<uint32_t>(packets.size())); }

void Adapter::Send(PNDIS_PACKET const* packets, uint32_t count) {
  Machine& mc = *m_->machine;
  mc.MakeCurrent();
  if (mc.InHandler()) {
    std::vector<PNDIS_PACKET> copy(packets, packets + count);
    Miniport* m = m_;
    mc.Defer(m_, [m, copy] { m->api.Send(copy); });
    return;
  }
  mc.RunPending();
  if (m_->state != MiniportState::kReady) {
    std::fprintf(stderr, "hostndis: Send on an adapter that is not initialized\n");
    return;
  }
  detail::SendPackets(m_, packets, count);
}

SendState Adapter::send_state(PNDIS_PACKET packet) const {
  int32_t index = m_->send_pool->IndexOf(packet);
  return index < 0 ? SendState::kIdle : m_->send_slots[index].state;
}

NDIS_STATUS Adapter::send_status(PNDIS_PACKET packet) const {
  int32_t index = m_->send_pool->IndexOf(packet);
  return index < 0 ? NDIS_STATUS_FAILURE : m_->send_slots[index].status;
}

const std::vector<SendCompletion>& Adapter::send_completions() const { return m_->completions; }
void Adapter::ClearSendCompletions() { m_->completions.clear(); }
void Adapter::set_record_send_completions(bool on) { m_->record_completions = on; }
void Adapter::OnSendComplete(std::function<void(PNDIS_PACKET, NDIS_STATUS)> callback) {
  m_->on_send_complete = std::move(callback);
}
uint64_t Adapter::send_resources_notices() const { return m_->resources_notices; }
void Adapter::OnSendResourcesAvailable(std::function<void()> callback) { m_->on_resources = std::move(callback); }

}  // namespace hostndis

// What a miniport tells NDIS: send completions, receive indications, status
// indications, resources available, and completions of pending requests.
// None of these may be called holding a spin lock.
#include "protocol_side.h"

using hostndis::detail::Machine;
using hostndis::detail::Miniport;
using hostndis::detail::PacketPool;
using hostndis::detail::SendSlot;

namespace {

// The miniport of `handle`, after the checks every indication gets.
Miniport* IndicationMiniport(Machine** mc, NDIS_HANDLE handle, const char* op) {
  *mc = Machine::Current(op);
  if (*mc == nullptr) return nullptr;
  Miniport* m = (*mc)->MiniportFromHandle(handle, op);
  if (m == nullptr) return nullptr;
  (*mc)->CheckIrqlAtMost(DISPATCH_LEVEL, op);
  (*mc)->CheckNoLockHeld(op);
  return m;
}

const char* StateName(hostndis::SendState state) {
  switch (state) {
    case hostndis::SendState::kIdle: return "never sent";
    case hostndis::SendState::kWithMiniport: return "pending";
    case hostndis::SendState::kCompleted: return "completed already";
    case hostndis::SendState::kRefused: return "refused by SendPackets";
    case hostndis::SendState::kQueued: return "refused and queued again";
  }
  return "?";
}

}  // namespace

extern "C" {

VOID NdisMSendComplete(NDIS_HANDLE MiniportAdapterHandle, PNDIS_PACKET Packet, NDIS_STATUS Status) {
  Machine* mc;
  Miniport* m = IndicationMiniport(&mc, MiniportAdapterHandle, "NdisMSendComplete");
  if (m == nullptr) return;
  int32_t index = m->send_pool->IndexOf(Packet);
  if (index < 0 || !m->send_pool->slot(static_cast<uint32_t>(index)).allocated) {
    mc->Report(hostndis::rule::kBadPacket, "NdisMSendComplete of a packet the protocols never sent to this adapter");
    return;
  }
  SendSlot& slot = m->send_slots[index];
  if (slot.state != hostndis::SendState::kWithMiniport) {
    mc->Report(hostndis::rule::kSendCompleteNotPending,
               "NdisMSendComplete of send packet #" + std::to_string(index) + ", which is " + StateName(slot.state));
    return;
  }
  for (PNDIS_BUFFER b = Packet->Private.Head; b != nullptr; b = b->Next) {
    hostndis::detail::BufferSlot* s = m->send_buffers->SlotOf(b);
    if (s != nullptr && s->mapped_register >= 0)
      mc->Report(hostndis::rule::kSendCompleteMapped, "NdisMSendComplete of send packet #" + std::to_string(index) +
                                                          " while map register " +
                                                          std::to_string(s->mapped_register) + " still maps its buffer");
  }
  hostndis::detail::FinishSend(m, static_cast<uint32_t>(index), Packet, Status);
}

VOID NdisMSendResourcesAvailable(NDIS_HANDLE MiniportAdapterHandle) {
  Machine* mc;
  Miniport* m = IndicationMiniport(&mc, MiniportAdapterHandle, "NdisMSendResourcesAvailable");
  if (m == nullptr) return;
  ++m->resources_notices;
  if (m->on_resources) m->on_resources();
  hostndis::detail::ScheduleRequeuedSends(m);
}

VOID NdisMIndicateReceivePacket(NDIS_HANDLE MiniportAdapterHandle, PPNDIS_PACKET ReceivePackets,
                                UINT NumberOfPackets) {
  Machine* mc;
  Miniport* m = IndicationMiniport(&mc, MiniportAdapterHandle, "NdisMIndicateReceivePacket");
  if (m == nullptr) return;
  if (ReceivePackets == nullptr && NumberOfPackets != 0) {
    mc->Report(hostndis::rule::kBadArgument, "NdisMIndicateReceivePacket given a null packet array");
    return;
  }
  if (NumberOfPackets > mc->config.max_indicate)
    mc->Report(hostndis::rule::kIndicateTooMany, "NdisMIndicateReceivePacket with " + std::to_string(NumberOfPackets) +
                                                     " packets; at most " + std::to_string(mc->config.max_indicate) +
                                                     " go in one indication");
  ++m->receive_indications;
  bool can_keep = m->chars().Ndis40Chars.ReturnPacketHandler != nullptr;
  for (UINT k = 0; k < NumberOfPackets; ++k) {
    PNDIS_PACKET p = ReceivePackets[k];
    PacketPool* pool;
    int32_t index;
    if (!mc->FindDriverPacket(p, &pool, &index)) {
      mc->Report(hostndis::rule::kBadPacket, "NdisMIndicateReceivePacket of a packet from no packet pool");
      continue;
    }
    PacketPool::Slot& slot = pool->slot(static_cast<uint32_t>(index));
    if (slot.held_by_protocol) {
      mc->Report(hostndis::rule::kIndicateHeldPacket,
                 "NdisMIndicateReceivePacket of a packet the protocols still hold (indicated PENDING, not returned)");
      continue;
    }
    bool chain_ok = true;
    bool lengths_ok = true;
    int buffers = 0;
    for (PNDIS_BUFFER b = p->Private.Head; b != nullptr && chain_ok; b = b->Next) {
      const hostndis::detail::BufferSlot* buffer = mc->FindBuffer(b);
      chain_ok = buffer != nullptr && ++buffers <= 64;
      lengths_ok = lengths_ok && (!chain_ok || b->ByteCount <= buffer->capacity);
    }
    if (!chain_ok) {
      mc->Report(hostndis::rule::kBadPacket, "NdisMIndicateReceivePacket of a packet whose buffer chain is broken");
      continue;
    }
    // Protocols read every byte a buffer claims, so a longer claim is a read
    // past the driver's memory.
    if (!lengths_ok) {
      mc->Report(hostndis::rule::kBufferLength,
                 "NdisMIndicateReceivePacket of a packet whose buffer claims more bytes than its memory holds");
      continue;
    }
    ++m->packets_indicated;
    NDIS_STATUS status = NDIS_GET_PACKET_STATUS(p);
    hostndis::ReceiveAction action = hostndis::ReceiveAction::kReturn;
    if (m->on_receive)
      action = m->on_receive(p);
    else
      m->received.push_back(hostndis::ReceivedFrame{hostndis::Adapter::PacketBytes(p), NDIS_GET_PACKET_HEADER_SIZE(p), status});
    if (action == hostndis::ReceiveAction::kKeep && status != NDIS_STATUS_RESOURCES && can_keep) {
      slot.held_by_protocol = true;
      m->held.push_back(p);
      NDIS_SET_PACKET_STATUS(p, NDIS_STATUS_PENDING);
    }
  }
}

VOID NdisMIndicateStatus(NDIS_HANDLE MiniportAdapterHandle, NDIS_STATUS GeneralStatus, PVOID StatusBuffer,
                         UINT StatusBufferSize) {
  Machine* mc;
  Miniport* m = IndicationMiniport(&mc, MiniportAdapterHandle, "NdisMIndicateStatus");
  if (m == nullptr) return;
  hostndis::StatusEvent e;
  e.status = GeneralStatus;
  if (StatusBuffer != nullptr && StatusBufferSize != 0)
    e.buffer.assign(static_cast<const uint8_t*>(StatusBuffer), static_cast<const uint8_t*>(StatusBuffer) + StatusBufferSize);
  m->status_events.push_back(e);
  if (m->on_status) m->on_status(m->status_events.back());
}

VOID NdisMIndicateStatusComplete(NDIS_HANDLE MiniportAdapterHandle) {
  Machine* mc;
  Miniport* m = IndicationMiniport(&mc, MiniportAdapterHandle, "NdisMIndicateStatusComplete");
  if (m == nullptr) return;
  hostndis::StatusEvent e;
  e.complete = true;
  m->status_events.push_back(e);
  if (m->on_status) m->on_status(m->status_events.back());
}

VOID NdisMResetComplete(NDIS_HANDLE MiniportAdapterHandle, NDIS_STATUS Status, BOOLEAN AddressingReset) {
  Machine* mc;
  Miniport* m = IndicationMiniport(&mc, MiniportAdapterHandle, "NdisMResetComplete");
  if (m == nullptr) return;
  if (!m->reset_pending) {
    mc->Report(hostndis::rule::kUnexpectedCompletion, "NdisMResetComplete without a reset pending");
    return;
  }
  m->reset_pending = false;
  m->last_reset = hostndis::ResetResult{Status, AddressingReset != FALSE, true};
  hostndis::detail::SendHeldForReset(m);
}

VOID NdisMQueryInformationComplete(NDIS_HANDLE MiniportAdapterHandle, NDIS_STATUS Status) {
  Machine* mc;
  Miniport* m = IndicationMiniport(&mc, MiniportAdapterHandle, "NdisMQueryInformationComplete");
  if (m == nullptr) return;
  if (!m->query_pending) {
    mc->Report(hostndis::rule::kUnexpectedCompletion, "NdisMQueryInformationComplete without a query pending");
    return;
  }
  m->query_pending = false;
  hostndis::QueryResult& r = m->last_query;
  r.status = Status;
  r.bytes_written = m->request_written;
  r.bytes_needed = m->request_needed;
  ULONG n = m->request_written < m->request_length ? m->request_written : m->request_length;
  r.data.assign(m->request_buffer.begin(), m->request_buffer.begin() + n);
  r.done = true;
}

VOID NdisMSetInformationComplete(NDIS_HANDLE MiniportAdapterHandle, NDIS_STATUS Status) {
  Machine* mc;
  Miniport* m = IndicationMiniport(&mc, MiniportAdapterHandle, "NdisMSetInformationComplete");
  if (m == nullptr) return;
  if (!m->set_pending) {
    mc->Report(hostndis::rule::kUnexpectedCompletion, "NdisMSetInformationComplete without a set pending");
    return;
  }
  m->set_pending = false;
  m->last_set = hostndis::SetResult{Status, m->request_written, m->request_needed, true};
}

}  // extern "C"

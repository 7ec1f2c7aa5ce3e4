// Adapter API: keywords, Initialize, Halt, the shutdown handler and what
// Initialize left behind.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "protocol_side.h"

namespace hostndis {

using detail::HoldDeferred;
using detail::Machine;
using detail::MiniportState;

namespace {

bool SameName(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

void PutKeyword(AdapterOptions& options, const std::string& name, const Keyword& value) {
  for (auto& [key, v] : options.keywords)
    if (SameName(key, name)) {
      v = value;
      return;
    }
  options.keywords.emplace_back(name, value);
}

bool Busy(Machine& mc, const char* what) {
  mc.MakeCurrent();
  mc.RunPending();
  if (!mc.InHandler()) return false;
  std::fprintf(stderr, "hostndis: %s cannot be called while a handler is running\n", what);
  return true;
}

}  // namespace

void Adapter::SetKeyword(const std::string& name, uint32_t value) { PutKeyword(m_->options, name, Keyword::Integer(value)); }

void Adapter::SetKeyword(const std::string& name, const std::string& text) {
  PutKeyword(m_->options, name, Keyword::String(text));
}

void Adapter::RemoveKeyword(const std::string& name) {
  auto& k = m_->options.keywords;
  k.erase(std::remove_if(k.begin(), k.end(), [&](const auto& kv) { return SameName(kv.first, name); }), k.end());
}

void Adapter::SetNetworkAddress(std::vector<uint8_t> address) { m_->options.network_address = std::move(address); }
void Adapter::ClearNetworkAddress() { m_->options.network_address.reset(); }
void Adapter::SetMedia(std::vector<NDIS_MEDIUM> media) { m_->options.media = std::move(media); }

bool Adapter::initialized() const { return m_->state == MiniportState::kReady; }
UINT Adapter::selected_medium() const { return m_->selected_medium; }
NDIS_STATUS Adapter::open_error_status() const { return m_->open_error; }
NDIS_HANDLE Adapter::handle() const { return m_; }
NDIS_HANDLE Adapter::context() const { return m_->context; }
Device& Adapter::device() const { return *m_->device; }
ULONG Adapter::attributes() const { return m_->attribute_flags; }

const NDIS_RESOURCE_LIST* Adapter::assigned_resources() const {
  return m_->resources_assigned ? reinterpret_cast<const NDIS_RESOURCE_LIST*>(m_->resource_storage.data()) : nullptr;
}

NDIS_STATUS Adapter::Initialize() {
  Machine& mc = *m_->machine;
  if (Busy(mc, "Initialize")) return NDIS_STATUS_FAILURE;
  if (!mc.registered) {
    std::fprintf(stderr, "hostndis: Initialize without a registered driver\n");
    return NDIS_STATUS_FAILURE;
  }
  if (m_->state == MiniportState::kReady) {
    std::fprintf(stderr, "hostndis: Initialize of an adapter that is initialized already\n");
    return NDIS_STATUS_FAILURE;
  }
  m_->context = nullptr;
  m_->attributes_set = false;
  m_->attribute_flags = 0;
  m_->resources_assigned = false;
  m_->media_array = m_->options.media;
  m_->state = MiniportState::kInitializing;
  NDIS_STATUS open_error = NDIS_STATUS_SUCCESS;
  UINT selected = ~0u;
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  {
    // The outcome decides what may run next, so deferred work waits for it.
    HoldDeferred hold(mc);
    mc.RunHandler(m_, PASSIVE_LEVEL, "Initialize", [&] {
      status = m_->chars30().InitializeHandler(&open_error, &selected, m_->media_array.data(),
                                               static_cast<UINT>(m_->media_array.size()), m_, &m_->config_context_tag);
    });
    if (status == NDIS_STATUS_SUCCESS) {
      if (selected >= m_->media_array.size())
        mc.Report(rule::kBadArgument, "Initialize succeeded without selecting a medium of the medium array");
      if (!m_->attributes_set)
        mc.Report(rule::kSetAttributesMissing, "Initialize succeeded without calling NdisMSetAttributesEx");
      for (auto& c : m_->configs) {
        if (!c->open) continue;
        mc.Report(rule::kLeakConfiguration, "a configuration handle left open after Initialize");
        c->open = false;
      }
      m_->selected_medium = selected;
      m_->open_error = open_error;
      m_->state = MiniportState::kReady;
    } else {
      m_->state = MiniportState::kFailed;
      mc.AuditAndReclaim(m_, "after the failed Initialize");
    }
  }
  return status;
}

void Adapter::Halt() {
  Machine& mc = *m_->machine;
  if (Busy(mc, "Halt")) return;
  if (m_->state != MiniportState::kReady) {
    std::fprintf(stderr, "hostndis: Halt of an adapter that is not initialized\n");
    return;
  }
  // The protocols give back whatever they keep before the miniport halts.
  ReturnAllPackets();
  for (PNDIS_PACKET p : m_->requeued) {
    int32_t i = m_->send_pool->IndexOf(p);
    if (i >= 0) m_->send_slots[i].state = SendState::kRefused;
  }
  m_->requeued.clear();
  {
    HoldDeferred hold(mc);
    mc.RunHandler(m_, PASSIVE_LEVEL, "Halt", [&] { m_->chars30().HaltHandler(m_->context); });
    m_->state = MiniportState::kHalted;
    for (size_t i = 0; i < m_->send_slots.size(); ++i) {
      if (m_->send_slots[i].state != SendState::kWithMiniport) continue;
      mc.Report(rule::kSendNotCompleted, "send packet #" + std::to_string(i) + " was never completed before Halt");
      m_->send_slots[i].state = SendState::kIdle;
    }
    m_->query_pending = m_->set_pending = m_->reset_pending = false;
    mc.AuditAndReclaim(m_, "after Halt");
  }
}

bool Adapter::Shutdown(KIRQL irql) {
  Machine& mc = *m_->machine;
  if (Busy(mc, "Shutdown")) return false;
  if (!m_->shutdown_registered) return false;
  ADAPTER_SHUTDOWN_HANDLER handler = m_->shutdown_handler;
  PVOID context = m_->shutdown_context;
  mc.RunHandler(m_, irql, "the shutdown handler", [&] { handler(context); });
  return true;
}

}  // namespace hostndis

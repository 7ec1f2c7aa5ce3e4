// Adapter API, requests: information queries and settings, and Reset. The
// information buffer is followed by guard bytes, so that a handler writing
// past it is caught.
#include <cstdio>

#include "protocol_side.h"

namespace hostndis {

using detail::HoldDeferred;
using detail::Machine;
using detail::Miniport;
using detail::MiniportState;

namespace {

constexpr size_t kGuard = kInformationGuard;
constexpr uint8_t kGuardByte = 0xcd;

// Common entry checks; false when the request cannot go to the driver now.
bool Admit(Miniport* m, const char* what, NDIS_STATUS* status) {
  Machine& mc = *m->machine;
  mc.MakeCurrent();
  if (m->state != MiniportState::kReady) {
    std::fprintf(stderr, "hostndis: %s on an adapter that is not initialized\n", what);
    *status = NDIS_STATUS_ADAPTER_NOT_READY;
    return false;
  }
  if (m->query_pending || m->set_pending || m->reset_pending) {
    std::fprintf(stderr, "hostndis: %s while another request is pending\n", what);
    *status = NDIS_STATUS_RESET_IN_PROGRESS;
    return false;
  }
  return true;
}

void CheckGuard(Miniport* m, ULONG length, const char* handler) {
  for (size_t i = length; i < length + kGuard; ++i) {
    if (m->request_buffer[i] == kGuardByte) continue;
    m->machine->Report(rule::kInformationOverrun, std::string(handler) + " wrote past the end of its " +
                                                      std::to_string(length) + "-byte information buffer");
    return;
  }
}

}  // namespace

QueryResult Adapter::Query(NDIS_OID oid, ULONG buffer_length) {
  Machine& mc = *m_->machine;
  QueryResult r;
  mc.MakeCurrent();
  if (mc.InHandler()) {
    Miniport* m = m_;
    mc.Defer(m, [m, oid, buffer_length] { m->api.Query(oid, buffer_length); });
    return r;
  }
  mc.RunPending();
  if (!Admit(m_, "Query", &r.status)) {
    r.done = true;
    return r;
  }
  m_->request_buffer.assign(buffer_length + kGuard, kGuardByte);
  m_->request_length = buffer_length;
  m_->request_written = m_->request_needed = 0;
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  HoldDeferred hold(mc);
  m_->query_pending = true;  // the handler may complete it before it returns
  m_->last_query = r;
  mc.RunHandler(m_, DISPATCH_LEVEL, "QueryInformation", [&] {
    status = m_->chars30().QueryInformationHandler(m_->context, oid, m_->request_buffer.data(), buffer_length,
                                                   &m_->request_written, &m_->request_needed);
  });
  CheckGuard(m_, buffer_length, "QueryInformation");
  if (status == NDIS_STATUS_PENDING) return m_->last_query;
  m_->query_pending = false;
  if (status == NDIS_STATUS_SUCCESS && m_->request_written > buffer_length)
    mc.Report(rule::kInformationOverrun, "QueryInformation reported " + std::to_string(m_->request_written) +
                                             " bytes written into a " + std::to_string(buffer_length) + "-byte buffer");
  r.status = status;
  r.bytes_written = m_->request_written;
  r.bytes_needed = m_->request_needed;
  ULONG n = r.bytes_written < buffer_length ? r.bytes_written : buffer_length;
  r.data.assign(m_->request_buffer.begin(), m_->request_buffer.begin() + n);
  r.done = true;
  m_->last_query = r;
  return r;
}

SetResult Adapter::Set(NDIS_OID oid, const std::vector<uint8_t>& data) {
  Machine& mc = *m_->machine;
  SetResult r;
  mc.MakeCurrent();
  if (mc.InHandler()) {
    Miniport* m = m_;
    mc.Defer(m, [m, oid, data] { m->api.Set(oid, data); });
    return r;
  }
  mc.RunPending();
  if (!Admit(m_, "Set", &r.status)) {
    r.done = true;
    return r;
  }
  ULONG length = static_cast<ULONG>(data.size());
  m_->request_buffer.assign(length + kGuard, kGuardByte);
  std::copy(data.begin(), data.end(), m_->request_buffer.begin());
  m_->request_length = length;
  m_->request_written = m_->request_needed = 0;
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  HoldDeferred hold(mc);
  m_->set_pending = true;
  m_->last_set = r;
  mc.RunHandler(m_, DISPATCH_LEVEL, "SetInformation", [&] {
    status = m_->chars30().SetInformationHandler(m_->context, oid, m_->request_buffer.data(), length,
                                                 &m_->request_written, &m_->request_needed);
  });
  CheckGuard(m_, length, "SetInformation");
  if (status == NDIS_STATUS_PENDING) return m_->last_set;
  m_->set_pending = false;
  r = SetResult{status, m_->request_written, m_->request_needed, true};
  m_->last_set = r;
  return r;
}

ResetResult Adapter::Reset() {
  Machine& mc = *m_->machine;
  ResetResult r;
  mc.MakeCurrent();
  if (mc.InHandler()) {
    Miniport* m = m_;
    mc.Defer(m, [m] { m->api.Reset(); });
    return r;
  }
  mc.RunPending();
  if (!Admit(m_, "Reset", &r.status)) {
    r.done = true;
    return r;
  }
  BOOLEAN addressing = FALSE;
  NDIS_STATUS status = NDIS_STATUS_FAILURE;
  HoldDeferred hold(mc);
  m_->reset_pending = true;
  m_->last_reset = r;
  mc.RunHandler(m_, DISPATCH_LEVEL, "Reset", [&] { status = m_->chars30().ResetHandler(&addressing, m_->context); });
  if (status == NDIS_STATUS_PENDING) return m_->last_reset;
  m_->reset_pending = false;
  r = ResetResult{status, addressing != FALSE, true};
  m_->last_reset = r;
  return r;
}

const QueryResult& Adapter::last_query() const { return m_->last_query; }
const SetResult& Adapter::last_set() const { return m_->last_set; }
const ResetResult& Adapter::last_reset() const { return m_->last_reset; }

}  // namespace hostndis

// One miniport instance over one device, seen from the protocol side: its
// registry keywords, Initialize, sends and their completions, receive
// indications and returned packets, status indications, information
// requests, Reset, Halt and the shutdown handler.
//
// Calls made while one of the driver's handlers is running (from inside a
// receive, completion or status callback) are deferred until it returns, as
// NDIS serializes a miniport; their results then show in last_query(),
// last_set() and last_reset().
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <ndis.h>

namespace hostndis {

class Device;
namespace detail {
class Miniport;
}

// A registry keyword value: REG_DWORD or REG_SZ.
struct Keyword {
  enum class Type { kInteger, kString } type = Type::kInteger;
  uint32_t integer = 0;
  std::string text;  // ASCII; widened to UTF-16 for the driver

  static Keyword Integer(uint32_t value) { return Keyword{Type::kInteger, value, {}}; }
  static Keyword String(std::string value) { return Keyword{Type::kString, 0, std::move(value)}; }
};

struct AdapterOptions {
  // Keyword names compare without regard to case, as in the registry.
  std::vector<std::pair<std::string, Keyword>> keywords;
  // The configured network address override (any length), or none.
  std::optional<std::vector<uint8_t>> network_address;
  std::vector<NDIS_MEDIUM> media{NdisMedium802_3};
  // The assigned resources start with an I/O port range, as the controller's
  // first base address register would give, before the memory range.
  bool port_resource = true;
  uint32_t send_packets = 4096;  // protocol-side packets available for sends
  // Refused sends (NDIS_STATUS_RESOURCES) are queued and sent again after
  // NdisMSendResourcesAvailable or the next send completion, as NDIS does.
  // Off: they are reported to the test as refused.
  bool requeue_refused_sends = false;
};

// One NDIS buffer of a packet to send: its bytes and where in its first page
// they start (so that a buffer can be made to cross a page).
struct BufferSpec {
  std::vector<uint8_t> bytes;
  uint32_t page_offset = 0;
};

enum class SendState {
  kIdle,          // built, never sent or given back
  kWithMiniport,  // accepted (pending), not completed yet
  kCompleted,     // completed, with send_status()
  kRefused,       // refused (NDIS_STATUS_RESOURCES) and not queued again
  kQueued,        // refused and waiting to be sent again
};

struct SendCompletion {
  PNDIS_PACKET packet;
  NDIS_STATUS status;
};

enum class ReceiveAction { kReturn, kKeep };

struct ReceivedFrame {
  std::vector<uint8_t> bytes;
  uint32_t header_size = 0;
  NDIS_STATUS status = NDIS_STATUS_SUCCESS;
};

struct StatusEvent {
  bool complete = false;  // NdisMIndicateStatusComplete
  NDIS_STATUS status = NDIS_STATUS_SUCCESS;
  std::vector<uint8_t> buffer;
};

// The information buffer a query or set handler is given is followed by
// this many guard bytes, checked when the handler returns: a handler writing
// past its buffer is reported (rule InformationOverrun).
constexpr size_t kInformationGuard = 16;

struct QueryResult {
  NDIS_STATUS status = NDIS_STATUS_PENDING;
  ULONG bytes_written = 0;
  ULONG bytes_needed = 0;
  std::vector<uint8_t> data;  // the first bytes_written bytes of the buffer
  bool done = false;          // false while pending or deferred
};

struct SetResult {
  NDIS_STATUS status = NDIS_STATUS_PENDING;
  ULONG bytes_read = 0;
  ULONG bytes_needed = 0;
  bool done = false;
};

struct ResetResult {
  NDIS_STATUS status = NDIS_STATUS_PENDING;
  bool addressing_reset = false;
  bool done = false;
};

class Adapter {
 public:
  explicit Adapter(detail::Miniport* miniport) : m_(miniport) {}

  // --- Configuration (read by the next Initialize) --------------------------
  void SetKeyword(const std::string& name, uint32_t value);
  void SetKeyword(const std::string& name, const std::string& text);
  void RemoveKeyword(const std::string& name);
  void SetNetworkAddress(std::vector<uint8_t> address);
  void ClearNetworkAddress();
  void SetMedia(std::vector<NDIS_MEDIUM> media);

  // --- Lifecycle ---------------------------------------------------------------
  // Calls the driver's Initialize at PASSIVE level. After a failure every
  // resource the driver took must be released again (checked).
  NDIS_STATUS Initialize();
  bool initialized() const;
  UINT selected_medium() const;
  NDIS_STATUS open_error_status() const;
  // Returns every packet the protocol side keeps, then calls Halt at PASSIVE
  // level and checks that the adapter left nothing behind.
  void Halt();
  // Calls the registered shutdown handler (at PASSIVE level unless given).
  bool Shutdown(KIRQL irql = PASSIVE_LEVEL);

  NDIS_HANDLE handle() const;   // MiniportAdapterHandle
  NDIS_HANDLE context() const;  // the driver's MiniportAdapterContext
  Device& device() const;
  // What NdisMPciAssignResources handed out, or null.
  const NDIS_RESOURCE_LIST* assigned_resources() const;
  ULONG attributes() const;     // flags given to NdisMSetAttributesEx

  // --- Sending ----------------------------------------------------------------
  // A packet of one NDIS buffer per BufferSpec, in protocol memory. Null if the
  // packet pool or protocol memory is exhausted, or a buffer is empty.
  PNDIS_PACKET BuildPacket(const std::vector<BufferSpec>& buffers);
  PNDIS_PACKET BuildPacket(const std::vector<uint8_t>& bytes, uint32_t page_offset = 0);
  // Gives a packet's memory back; not while it is with the miniport.
  void FreePacket(PNDIS_PACKET packet);
  // SendPackets with these packets (idle, completed or refused ones).
  void Send(const std::vector<PNDIS_PACKET>& packets);
  void Send(PNDIS_PACKET const* packets, uint32_t count);
  SendState send_state(PNDIS_PACKET packet) const;
  NDIS_STATUS send_status(PNDIS_PACKET packet) const;
  // Completions in order (also synchronous completions from SendPackets).
  const std::vector<SendCompletion>& send_completions() const;
  void ClearSendCompletions();
  void set_record_send_completions(bool on);
  void OnSendComplete(std::function<void(PNDIS_PACKET, NDIS_STATUS)> callback);
  uint64_t send_resources_notices() const;  // NdisMSendResourcesAvailable calls
  void OnSendResourcesAvailable(std::function<void()> callback);

  // --- Receiving ---------------------------------------------------------------
  // Called for every indicated packet (status and header size as indicated).
  // kKeep keeps it (its status becomes NDIS_STATUS_PENDING) until
  // ReturnPacket; a packet indicated with NDIS_STATUS_RESOURCES cannot be
  // kept. Without a callback the bytes are copied into received().
  void OnReceive(std::function<ReceiveAction(PNDIS_PACKET)> callback);
  const std::vector<ReceivedFrame>& received() const;
  void ClearReceived();
  const std::vector<PNDIS_PACKET>& held_packets() const;
  void ReturnPacket(PNDIS_PACKET packet);
  void ReturnAllPackets();
  uint64_t receive_indications() const;  // NdisMIndicateReceivePacket calls
  uint64_t packets_indicated() const;
  // The bytes a packet's buffer chain describes.
  static std::vector<uint8_t> PacketBytes(PNDIS_PACKET packet);

  // --- Status ------------------------------------------------------------------
  const std::vector<StatusEvent>& status_events() const;
  void ClearStatusEvents();
  void OnStatus(std::function<void(const StatusEvent&)> callback);

  // --- Requests ----------------------------------------------------------------
  QueryResult Query(NDIS_OID oid, ULONG buffer_length);
  SetResult Set(NDIS_OID oid, const std::vector<uint8_t>& data);
  // Synchronous, or pending until NdisMResetComplete (see last_reset()).
  ResetResult Reset();
  const QueryResult& last_query() const;
  const SetResult& last_set() const;
  const ResetResult& last_reset() const;

  detail::Miniport& miniport() const { return *m_; }

 private:
  detail::Miniport* m_;
};

}  // namespace hostndis

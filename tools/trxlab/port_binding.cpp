#include "port_binding.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr uint32_t kFilter = NDIS_PACKET_TYPE_DIRECTED | NDIS_PACKET_TYPE_MULTICAST | NDIS_PACKET_TYPE_BROADCAST;


}  // namespace

PortBinding::PortBinding(simlab::Port& port, TapDevice& tap, TapWriter& writer, int dev_mcast_fd)
    : port_(port), tap_(tap), writer_(writer), dev_mcast_fd_(dev_mcast_fd), frame_(2048) {}

PortBinding::Counters PortBinding::counters() const {
  Counters c = counters_;
  c.tap_write_failures += writer_.write_failures();
  return c;
}

void PortBinding::Start() {
  hostndis::Adapter& a = *port_.adapter;
  station_ = a.Query(OID_802_3_CURRENT_ADDRESS, 6).data;
  a.set_record_send_completions(false);
  a.OnSendComplete([this, &a](PNDIS_PACKET packet, NDIS_STATUS status) {
    if (status != NDIS_STATUS_SUCCESS) ++counters_.send_failures;
    a.FreePacket(packet);
    --outstanding_;
  });
  a.OnReceive([this](PNDIS_PACKET packet) {
    bool queued;
    PNDIS_BUFFER buffer = packet->Private.Head;
    if (buffer != nullptr && NDIS_BUFFER_LINKAGE(buffer) == nullptr) {
      // The usual case: one buffer, lent for the length of this call.
      PVOID address;
      UINT length;
      NdisQueryBuffer(buffer, &address, &length);
      queued = writer_.Push(static_cast<const uint8_t*>(address), length);
    } else {
      std::vector<uint8_t> bytes = hostndis::Adapter::PacketBytes(packet);
      queued = writer_.Push(bytes.data(), uint32_t(bytes.size()));
    }
    if (queued) {
      ++counters_.to_stack;
    } else {
      ++counters_.tap_write_failures;
    }
    return hostndis::ReceiveAction::kReturn;
  });
  a.OnStatus([this](const hostndis::StatusEvent& e) {
    if (e.complete) return;
    if (e.status == NDIS_STATUS_MEDIA_CONNECT) {
      ++counters_.media_connect;
      tap_.SetCarrier(true);
      std::fprintf(stderr, "trxlab: port %d: media connect\n", port_.index);
    } else if (e.status == NDIS_STATUS_MEDIA_DISCONNECT) {
      ++counters_.media_disconnect;
      tap_.SetCarrier(false);
      std::fprintf(stderr, "trxlab: port %d: media disconnect\n", port_.index);
    }
  });
  SetFilter(kFilter);
  SyncMulticast();
}

void PortBinding::SetFilter(uint32_t filter) {
  simlab::SetPacketFilter(*port_.adapter, filter);
}

int PortBinding::PumpFromStack(int budget) {
  int sent = 0;
  hostndis::Adapter& a = *port_.adapter;
  while (sent < budget && HasRoom()) {
    int n = tap_.Read(frame_.data(), uint32_t(frame_.size()));
    if (n <= 0) break;
    PNDIS_PACKET packet = a.BuildPacket(std::vector<uint8_t>(frame_.begin(), frame_.begin() + n));
    if (packet == nullptr) {
      ++counters_.send_failures;
      continue;
    }
    ++outstanding_;
    a.Send(&packet, 1);
    ++counters_.from_stack;
    ++sent;
  }
  return sent;
}

// /proc/net/dev_mcast lines: index, interface, users, global use, address.
std::vector<std::vector<uint8_t>> PortBinding::ReadMemberships() {
  std::vector<std::vector<uint8_t>> groups;
  if (dev_mcast_fd_ < 0) return groups;
  std::string text;
  char chunk[4096];
  if (lseek(dev_mcast_fd_, 0, SEEK_SET) != 0) return groups;
  for (;;) {
    ssize_t n = read(dev_mcast_fd_, chunk, sizeof(chunk));
    if (n <= 0) break;
    text.append(chunk, size_t(n));
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    char name[64], hex[64];
    int index, users, global;
    std::string line = text.substr(start, end - start);
    if (std::sscanf(line.c_str(), "%d %63s %d %d %63s", &index, name, &users, &global, hex) == 5 &&
        tap_.name() == name && std::strlen(hex) == 12) {
      std::vector<uint8_t> mac(6);
      for (int i = 0; i < 6; ++i) {
        char byte[3] = {hex[2 * i], hex[2 * i + 1], 0};
        mac[i] = uint8_t(std::strtoul(byte, nullptr, 16));
      }
      groups.push_back(mac);
    }
    start = end + 1;
  }
  return groups;
}

void PortBinding::SyncMulticast() {
  std::vector<std::vector<uint8_t>> groups = ReadMemberships();
  if (groups == multicast_) return;
  multicast_ = groups;
  ++counters_.multicast_updates;
  std::vector<uint8_t> list;
  for (const auto& g : groups) list.insert(list.end(), g.begin(), g.end());
  hostndis::SetResult r = port_.adapter->Set(OID_802_3_MULTICAST_LIST, list);
  bool want_all = r.status == NDIS_STATUS_MULTICAST_FULL;
  if (want_all != all_multicast_) {
    all_multicast_ = want_all;
    SetFilter(want_all ? kFilter | NDIS_PACKET_TYPE_ALL_MULTICAST : kFilter);
  }
  std::fprintf(stderr, "trxlab: port %d: %zu multicast groups%s\n", port_.index, groups.size(),
               want_all ? " (more than the adapter holds: all multicast)" : "");
}

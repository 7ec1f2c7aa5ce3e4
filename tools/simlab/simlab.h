// A simulated machine with K250 ports, each driven by its own Trx4n5
// instance over the host NDIS stand-in: what the demo, the diagnostics tool,
// the benchmarks and the lab share.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "hostndis/host.h"
#include "sim/board.h"
#include "sim/wire.h"

namespace simlab {

struct PortSpec {
  sim::BoardConfig board;  // slot, register window and vector are assigned per port
  std::vector<std::pair<std::string, hostndis::Keyword>> keywords{
      {"ConnectionType", hostndis::Keyword::Integer(0)}};
  std::optional<std::vector<uint8_t>> network_address;
  // Sends refused for want of resources go again after the driver's notice,
  // as NDIS does for a protocol (see hostndis::AdapterOptions).
  bool requeue_refused_sends = false;
};

struct Port {
  int index = 0;
  sim::Board* board = nullptr;
  hostndis::Adapter* adapter = nullptr;
};

class Lab {
 public:
  explicit Lab(const hostndis::HostConfig& config = hostndis::HostConfig());
  ~Lab();
  Lab(const Lab&) = delete;
  Lab& operator=(const Lab&) = delete;

  hostndis::Host& host() { return host_; }

  // A port with station address 00-12-34-56-78-(9A + index), in its own slot,
  // register window and interrupt vector. Not initialized yet.
  static PortSpec DefaultSpec(int index);
  Port& AddPort(const PortSpec& setup);
  Port& port(int index) { return *ports_.at(index); }
  size_t port_count() const { return ports_.size(); }

  sim::Wire& Cable(Port& a, Port& b, sim::Wire::Pace pace = sim::Wire::Pace::kLineRate);

 private:
  hostndis::Host host_;
  std::vector<std::unique_ptr<Port>> ports_;
  std::vector<std::unique_ptr<sim::Wire>> wires_;
};

// "00-12-34-56-78-9A"
std::string FormatMac(const uint8_t* mac);
bool ParseMac(const std::string& text, std::vector<uint8_t>* mac);

// An Ethernet frame without FCS: destination, source, EtherType, then
// `length - 14` payload bytes of a counting pattern.
std::vector<uint8_t> MakeFrame(const uint8_t* destination, const uint8_t* source, uint16_t ether_type,
                               uint32_t length, uint8_t seed = 0);

// Names of the OIDs the driver answers ("OID_GEN_LINK_SPEED").
const char* OidName(NDIS_OID oid);
bool OidFromName(const std::string& name, NDIS_OID* oid);
// The statistics OIDs, in the order a report lists them.
const std::vector<NDIS_OID>& StatisticsOids();

// A 4-byte answer of a query as a number (0 if shorter).
uint32_t QueryValue(hostndis::Adapter& adapter, NDIS_OID oid);
// Sets OID_GEN_CURRENT_PACKET_FILTER, as a protocol does.
hostndis::SetResult SetPacketFilter(hostndis::Adapter& adapter, uint32_t filter);

}  // namespace simlab

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
#include "image_context.h"
#include "kimage/driver_loader.h"
#include "sim/board.h"
#include "sim/wire.h"
#include "trx_adapter.h"

namespace hostpci {
class PciDevice;
}

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
  sim::Board* board = nullptr;        // a simulated board, or
  hostpci::PciDevice* pci = nullptr;  // a real function
  hostndis::Device* device = nullptr; // what the driver reaches (either, perhaps wrapped)
  hostndis::Adapter* adapter = nullptr;
  ADAPTER_CONTEXT image_context{};  // what Context() shows of an image
  ImageRecords image_records;       // and its records, for ContextWithRecords()
};

class Lab {
 public:
  // The natively built driver, or the kernel image at `kernel_image`.
  explicit Lab(const hostndis::HostConfig& config = hostndis::HostConfig(), const std::string& kernel_image = "");
  ~Lab();
  Lab(const Lab&) = delete;
  Lab& operator=(const Lab&) = delete;

  hostndis::Host& host() { return host_; }
  // Why the driver did not load (the image was refused, DriverEntry failed);
  // empty when it did.
  const std::string& load_error() const { return load_error_; }
  kimage::KernelImage* image() { return driver_.image.get(); }
  // The driver's adapter context of `port`; of an image, a fresh copy of its
  // value fields (pointers null). Null before Initialize set one.
  const ADAPTER_CONTEXT* Context(Port& port);
  // The same with the transmit and receive records (of an image: copies
  // whose descriptors are live, see image_context.h).
  const ADAPTER_CONTEXT* ContextWithRecords(Port& port);

  // A port with station address 00-12-34-56-78-(9A + index), in its own slot,
  // register window and interrupt vector. Not initialized yet.
  static PortSpec DefaultSpec(int index);
  Port& AddPort(const PortSpec& setup);
  // A port over a device of the caller's (a real function): `setup.board`
  // is not used; the slot is the device's.
  Port& AddPort(std::unique_ptr<hostndis::Device> device, const PortSpec& setup);
  Port& port(int index) { return *ports_.at(index); }
  size_t port_count() const { return ports_.size(); }

  sim::Wire& Cable(Port& a, Port& b, sim::Wire::Pace pace = sim::Wire::Pace::kLineRate);

 private:
  Port& AddAdapter(std::unique_ptr<Port> port, const PortSpec& setup);

  kimage::DriverLoader loader_;
  hostndis::Host host_;
  kimage::DriverLoader::Loaded driver_;
  std::string load_error_;
  std::vector<std::unique_ptr<Port>> ports_;
  std::vector<std::unique_ptr<sim::Wire>> wires_;
};

// Takes `--kernel-image [PATH.sys]` at argv[*i] (PATH defaults to the win32
// preset's Trx4n5.sys; a following argument is taken as the path only when it
// ends in .sys, since the tools also take positional files) or
// `--kernel-image=PATH` (any name), moving *i past what it took. False if
// argv[*i] is another option.
bool TakeKernelImageOption(int argc, char** argv, int* i, std::string* path);
// The board profiles `--board` takes, for usage texts: "kind (default), ...".
std::string BoardProfileList();

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

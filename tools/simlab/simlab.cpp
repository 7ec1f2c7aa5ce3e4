#include "simlab.h"

#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "image_context.h"
#include "trx_miniport.h"

namespace simlab {

namespace {

kimage::DriverLoader LoaderFor(const std::string& kernel_image) {
  return kernel_image.empty() ? kimage::DriverLoader::Native(DriverEntry) : kimage::DriverLoader::Image(kernel_image);
}

}  // namespace

Lab::Lab(const hostndis::HostConfig& config, const std::string& kernel_image)
    : loader_(LoaderFor(kernel_image)), host_(loader_.Prepare(config)), driver_(loader_.Load(host_)) {
  if (!driver_.error.empty())
    load_error_ = driver_.error;
  else if (driver_.status != STATUS_SUCCESS)
    load_error_ = "DriverEntry returned " + std::to_string(driver_.status);
}

const ADAPTER_CONTEXT* Lab::Context(Port& port) {
  NDIS_HANDLE context = port.adapter->context();
  if (context == nullptr || driver_.image == nullptr) return static_cast<const ADAPTER_CONTEXT*>(context);
  ReadImageContext(*driver_.image, context, &port.image_context);
  return &port.image_context;
}

const ADAPTER_CONTEXT* Lab::ContextWithRecords(Port& port) {
  NDIS_HANDLE context = port.adapter->context();
  if (context == nullptr || driver_.image == nullptr) return static_cast<const ADAPTER_CONTEXT*>(context);
  ReadImageContext(*driver_.image, context, &port.image_context, &port.image_records);
  return &port.image_context;
}

bool TakeKernelImageOption(int argc, char** argv, int* i, std::string* path) {
  static const char kEquals[] = "--kernel-image=";
  if (std::strncmp(argv[*i], kEquals, sizeof(kEquals) - 1) == 0) {
    *path = argv[*i] + sizeof(kEquals) - 1;  // any file name
    return true;
  }
  if (std::strcmp(argv[*i], "--kernel-image") != 0) return false;
  *path = kimage::DefaultImagePath();
  size_t n = *i + 1 < argc ? std::strlen(argv[*i + 1]) : 0;
  if (n > 4 && std::strcmp(argv[*i + 1] + n - 4, ".sys") == 0) *path = argv[++*i];
  return true;
}

std::string BoardProfileList() {
  std::string list;
  for (const std::string& name : sim::BoardProfile::Names())
    list += (list.empty() ? "" : ", ") + name + (name == "kind" ? " (default)" : "");
  return list;
}

Lab::~Lab() {
  // Wires first: they reference the boards, which the host owns.
  wires_.clear();
}

PortSpec Lab::DefaultSpec(int index) {
  PortSpec setup;
  const uint8_t mac[6] = {0x00, 0x12, 0x34, 0x56, 0x78, uint8_t(0x9a + index)};
  setup.board.eeprom = sim::BoardConfig::EepromWithAddress(mac);
  return setup;
}

Port& Lab::AddPort(const PortSpec& setup) {
  auto port = std::make_unique<Port>();
  port->index = int(ports_.size());
  sim::BoardConfig board = setup.board;
  board.slot = uint32_t(port->index);
  board.csr_physical = 0xfebf0000u - 0x10000u * uint32_t(port->index);
  board.interrupt_vector = board.interrupt_level = 11u + uint32_t(port->index);
  port->board = &host_.AddBoard(board);
  port->device = host_.DeviceOf(*port->board);
  return AddAdapter(std::move(port), setup);
}

Port& Lab::AddPort(std::unique_ptr<hostndis::Device> device, const PortSpec& setup) {
  auto port = std::make_unique<Port>();
  port->index = int(ports_.size());
  port->device = host_.AddDevice(std::move(device));
  if (port->device == nullptr) throw std::invalid_argument("simlab: a port's device could not be plugged in");
  return AddAdapter(std::move(port), setup);
}

Port& Lab::AddAdapter(std::unique_ptr<Port> port, const PortSpec& setup) {
  hostndis::AdapterOptions options;
  options.keywords = setup.keywords;
  options.keywords.emplace_back("SlotNumber", hostndis::Keyword::Integer(port->device->resources().slot));
  options.network_address = setup.network_address;
  options.requeue_refused_sends = setup.requeue_refused_sends;
  port->adapter = &host_.AddAdapter(*port->device, options);
  ports_.push_back(std::move(port));
  return *ports_.back();
}

sim::Wire& Lab::Cable(Port& a, Port& b, sim::Wire::Pace pace) {
  wires_.push_back(std::make_unique<sim::Wire>(host_.clock(), *a.board, *b.board, pace));
  return *wires_.back();
}

std::string FormatMac(const uint8_t* mac) {
  char text[18];
  std::snprintf(text, sizeof(text), "%02X-%02X-%02X-%02X-%02X-%02X", mac[0], mac[1], mac[2], mac[3], mac[4], mac[5]);
  return text;
}

bool ParseMac(const std::string& text, std::vector<uint8_t>* mac) {
  mac->clear();
  size_t i = 0;
  while (i < text.size()) {
    unsigned value;
    int used = 0;
    if (std::sscanf(text.c_str() + i, "%2x%n", &value, &used) != 1 || used != 2) return false;
    mac->push_back(uint8_t(value));
    i += 2;
    if (i < text.size()) {
      if (text[i] != '-' && text[i] != ':') return false;
      ++i;
    }
  }
  return !mac->empty();
}

std::vector<uint8_t> MakeFrame(const uint8_t* destination, const uint8_t* source, uint16_t ether_type,
                               uint32_t length, uint8_t seed) {
  std::vector<uint8_t> frame(length < 14 ? 14 : length);
  std::memcpy(frame.data(), destination, 6);
  std::memcpy(frame.data() + 6, source, 6);
  frame[12] = uint8_t(ether_type >> 8);
  frame[13] = uint8_t(ether_type);
  for (size_t i = 14; i < frame.size(); ++i) frame[i] = uint8_t(seed + i);
  return frame;
}

namespace {

struct OidEntry {
  NDIS_OID oid;
  const char* name;
};

#define OID_ROW(x) {x, #x}
const OidEntry kOids[] = {
    OID_ROW(OID_GEN_SUPPORTED_LIST),        OID_ROW(OID_GEN_HARDWARE_STATUS),
    OID_ROW(OID_GEN_MEDIA_SUPPORTED),       OID_ROW(OID_GEN_MEDIA_IN_USE),
    OID_ROW(OID_GEN_MAXIMUM_LOOKAHEAD),     OID_ROW(OID_GEN_MAXIMUM_FRAME_SIZE),
    OID_ROW(OID_GEN_LINK_SPEED),            OID_ROW(OID_GEN_TRANSMIT_BUFFER_SPACE),
    OID_ROW(OID_GEN_RECEIVE_BUFFER_SPACE),  OID_ROW(OID_GEN_TRANSMIT_BLOCK_SIZE),
    OID_ROW(OID_GEN_RECEIVE_BLOCK_SIZE),    OID_ROW(OID_GEN_VENDOR_ID),
    OID_ROW(OID_GEN_VENDOR_DESCRIPTION),    OID_ROW(OID_GEN_CURRENT_PACKET_FILTER),
    OID_ROW(OID_GEN_CURRENT_LOOKAHEAD),     OID_ROW(OID_GEN_DRIVER_VERSION),
    OID_ROW(OID_GEN_MAXIMUM_TOTAL_SIZE),    OID_ROW(OID_GEN_PROTOCOL_OPTIONS),
    OID_ROW(OID_GEN_MAC_OPTIONS),           OID_ROW(OID_GEN_MEDIA_CONNECT_STATUS),
    OID_ROW(OID_GEN_MAXIMUM_SEND_PACKETS),  OID_ROW(OID_GEN_VENDOR_DRIVER_VERSION),
    OID_ROW(OID_802_3_MAC_OPTIONS),         OID_ROW(OID_GEN_XMIT_OK),
    OID_ROW(OID_GEN_RCV_OK),                OID_ROW(OID_GEN_XMIT_ERROR),
    OID_ROW(OID_GEN_RCV_ERROR),             OID_ROW(OID_GEN_RCV_NO_BUFFER),
    OID_ROW(OID_GEN_RCV_CRC_ERROR),         OID_ROW(OID_802_3_PERMANENT_ADDRESS),
    OID_ROW(OID_802_3_CURRENT_ADDRESS),     OID_ROW(OID_802_3_MULTICAST_LIST),
    OID_ROW(OID_802_3_MAXIMUM_LIST_SIZE),   OID_ROW(OID_802_3_RCV_ERROR_ALIGNMENT),
    OID_ROW(OID_802_3_XMIT_ONE_COLLISION),  OID_ROW(OID_802_3_XMIT_MORE_COLLISIONS),
    OID_ROW(OID_802_3_XMIT_DEFERRED),       OID_ROW(OID_802_3_XMIT_MAX_COLLISIONS),
    OID_ROW(OID_802_3_XMIT_UNDERRUN),       OID_ROW(OID_802_3_XMIT_TIMES_CRS_LOST),
};
#undef OID_ROW

}  // namespace

const char* OidName(NDIS_OID oid) {
  for (const OidEntry& e : kOids)
    if (e.oid == oid) return e.name;
  return nullptr;
}

bool OidFromName(const std::string& name, NDIS_OID* oid) {
  for (const OidEntry& e : kOids) {
    if (name == e.name) {
      *oid = e.oid;
      return true;
    }
  }
  char* end = nullptr;
  unsigned long value = std::strtoul(name.c_str(), &end, 0);
  if (name.empty() || *end != '\0') return false;
  *oid = NDIS_OID(value);
  return true;
}

const std::vector<NDIS_OID>& StatisticsOids() {
  static const std::vector<NDIS_OID> oids = {
      OID_GEN_XMIT_OK,       OID_GEN_RCV_OK,        OID_GEN_XMIT_ERROR,
      OID_GEN_RCV_ERROR,     OID_GEN_RCV_NO_BUFFER, OID_GEN_RCV_CRC_ERROR,
      OID_802_3_RCV_ERROR_ALIGNMENT, OID_802_3_XMIT_ONE_COLLISION, OID_802_3_XMIT_MORE_COLLISIONS,
      OID_802_3_XMIT_DEFERRED, OID_802_3_XMIT_MAX_COLLISIONS, OID_802_3_XMIT_UNDERRUN,
      OID_802_3_XMIT_TIMES_CRS_LOST,
  };
  return oids;
}

uint32_t QueryValue(hostndis::Adapter& adapter, NDIS_OID oid) {
  hostndis::QueryResult r = adapter.Query(oid, 4);
  if (r.status != NDIS_STATUS_SUCCESS || r.data.size() < 4) return 0;
  uint32_t v;
  std::memcpy(&v, r.data.data(), 4);
  return v;
}

hostndis::SetResult SetPacketFilter(hostndis::Adapter& adapter, uint32_t filter) {
  std::vector<uint8_t> bytes(4);
  std::memcpy(bytes.data(), &filter, 4);  // NDIS hosts are little-endian
  return adapter.Set(OID_GEN_CURRENT_PACKET_FILTER, bytes);
}

}  // namespace simlab

// trxdiag: one simulated K250 port (or a real 21143 function, --pci) under
// the Trx4n5 driver, set up as the command line says; prints Initialize's
// result, the adapter fields it filled, the answers to the OIDs asked for and
// the requested dumps as JSON.
#include <cstdio>
#include <memory>
#include <string>

#include "chip_dumps.h"
#include "chip_view.h"
#include "diag_options.h"
#include "json_writer.h"
#include "simlab.h"
#include "trx_adapter.h"

namespace {

const sim::Nanoseconds kSettleAfterInitialize = 100 * sim::kMillisecond;

const char* StatusName(NDIS_STATUS status) {
  switch (status) {
    case NDIS_STATUS_SUCCESS: return "NDIS_STATUS_SUCCESS";
    case NDIS_STATUS_PENDING: return "NDIS_STATUS_PENDING";
    case NDIS_STATUS_FAILURE: return "NDIS_STATUS_FAILURE";
    case NDIS_STATUS_RESOURCES: return "NDIS_STATUS_RESOURCES";
    case NDIS_STATUS_INVALID_LENGTH: return "NDIS_STATUS_INVALID_LENGTH";
    case NDIS_STATUS_INVALID_OID: return "NDIS_STATUS_INVALID_OID";
    case NDIS_STATUS_NOT_SUPPORTED: return "NDIS_STATUS_NOT_SUPPORTED";
    case NDIS_STATUS_MULTICAST_FULL: return "NDIS_STATUS_MULTICAST_FULL";
    case NDIS_STATUS_UNSUPPORTED_MEDIA: return "NDIS_STATUS_UNSUPPORTED_MEDIA";
    case NDIS_STATUS_ADAPTER_NOT_FOUND: return "NDIS_STATUS_ADAPTER_NOT_FOUND";
    case NDIS_STATUS_HARD_ERRORS: return "NDIS_STATUS_HARD_ERRORS";
    default: return "other";
  }
}

void WriteStatus(JsonWriter& json, NDIS_STATUS status) {
  json.Hex("status", uint32_t(status));
  json.String("status_name", StatusName(status));
}

std::string HexBytes(const std::vector<uint8_t>& bytes) {
  std::string text;
  char two[3];
  for (uint8_t b : bytes) {
    std::snprintf(two, sizeof(two), "%02x", b);
    text += two;
  }
  return text;
}

void WriteContext(JsonWriter& json, const ADAPTER_CONTEXT& a) {
  json.BeginObject("adapter");
  json.Number("BusNumber", a.BusNumber);
  json.Number("SlotNumber", a.SlotNumber);
  json.Number("ConnectionType", a.ConnectionType);
  json.Number("MapThreshold", a.MapThreshold);
  json.Number("RxRingSize", a.RxRingSize);
  json.Number("TxRingSize", a.TxRingSize);
  json.Number("Alignment", a.Alignment);
  json.Number("BufferSize", a.BufferSize);
  json.Number("CurrentLookahead", a.CurrentLookahead);
  json.Number("MaxMulticast", a.MaxMulticast);
  json.Number("InterruptLevel", a.InterruptLevel);
  json.Number("InterruptVector", a.InterruptVector);
  json.Bool("InterruptRegistered", a.InterruptRegistered);
  json.Hex("PhyKind", a.PhyKind);
  json.Hex("AbilityMask", a.AbilityMask);
  json.Hex("Csr0Value", a.Csr0Value);
  json.Hex("Csr6Value", a.Csr6Value);
  json.String("StationAddress", simlab::FormatMac(a.StationAddress));
  json.Bool("LinkUp", a.LinkUp);
  json.EndObject();
}

void WriteDumps(JsonWriter& json, const DiagRequest& r, simlab::Lab& lab, simlab::Port& port,
                const ADAPTER_CONTEXT* a) {
  if (r.dump_eeprom) {
    json.BeginArray("eeprom");
    for (uint32_t i = 0; i < 64; ++i) json.Hex(nullptr, simlab::EepromWord(port, i));
    json.EndArray();
  }
  if (r.dump_phy) {
    json.BeginArray("phy_registers");
    for (uint32_t i = 0; i < 32; ++i) json.Hex(nullptr, simlab::PhyRegister(port, i));
    json.EndArray();
  }
  if (r.dump_tx_ring && a != nullptr) {
    // As the chip sees the ring: from the list base in CSR4, descriptors
    // apart by CSR0's skip length, so that it reads the same for the native
    // build and the image.
    json.BeginArray("tx_ring");
    uint32_t base = simlab::ReadCsr(port, CSR4_TX_LIST);
    uint32_t stride = 16 + 4 * ((simlab::ReadCsr(port, CSR0_BUS_MODE) >> 2) & 0x1f);
    for (ULONG i = 0; i < a->TxCount; ++i) {
      uint32_t words[4] = {};
      lab.host().memory().DmaRead(base + i * stride, words, sizeof(words));
      json.BeginArray();
      for (uint32_t w : words) json.Hex(nullptr, w);
      json.EndArray();
    }
    json.EndArray();
  }
  sim::ReceiveFilter filter = simlab::CurrentFilter(lab, port);
  if (r.dump_setup) {
    json.BeginArray("setup_frame");
    for (uint32_t w : filter.raw) json.Hex(nullptr, w);
    json.EndArray();
  }
  if (r.dump_filter) WriteFilterDump(json, filter);
  if (r.dump_csr) WriteCsrDump(json, port);
}

}  // namespace

int main(int argc, char** argv) {
  DiagRequest request;
  std::string error;
  if (argc > 1 && std::string(argv[1]) == "--help") {
    std::printf("%s%sBoard profiles: %s\n", kDiagUsage, simlab::kPciUsage, simlab::BoardProfileList().c_str());
    return 0;
  }
  if (!ParseDiagOptions(argc, argv, &request, &error)) {
    std::fprintf(stderr, "trxdiag: %s\n\n%s%sBoard profiles: %s\n", error.c_str(), kDiagUsage, simlab::kPciUsage,
                 simlab::BoardProfileList().c_str());
    return 2;
  }

  simlab::RealPorts real("trxdiag");
  hostndis::HostConfig config;
  if (!real.Open(request.pci, 1, &config)) return 2;
  simlab::Lab lab(config, request.kernel_image);
  if (!lab.load_error().empty()) {
    std::fprintf(stderr, "trxdiag: %s\n", lab.load_error().c_str());
    return 1;
  }
  lab.host().verifier().set_print(false);
  simlab::Port* chosen = request.pci.enabled ? real.AddTo(lab, 0, request.port, &error) : &lab.AddPort(request.port);
  if (chosen == nullptr) {
    std::fprintf(stderr, "trxdiag: %s\n", error.c_str());
    return 2;
  }
  simlab::Port& port = *chosen;
  std::unique_ptr<sim::FrameEndpoint> partner;
  std::unique_ptr<sim::Wire> cable;
  if (request.partner && port.board) {
    partner = std::make_unique<sim::FrameEndpoint>(*request.partner);
    cable = std::make_unique<sim::Wire>(lab.host().clock(), *port.board, *partner);
  }
  if (port.board) port.board->EnableTrace(true);

  JsonWriter json(stdout);
  json.BeginObject();
  json.BeginObject("initialize");
  NDIS_STATUS status = port.adapter->Initialize();
  WriteStatus(json, status);
  json.EndObject();
  const ADAPTER_CONTEXT* context = nullptr;
  if (status == NDIS_STATUS_SUCCESS) {
    // Let a renegotiation that Initialize started finish and be reported.
    // A slow board's negotiation outlasts the driver's settle wait.
    sim::Nanoseconds settle = kSettleAfterInitialize + request.port.board.profile.negotiation_time;
    lab.host().RunFor(settle);
    json.Number("ms_run_after_initialize", settle / sim::kMillisecond);
    context = lab.Context(port);
    WriteContext(json, *context);
    json.BeginObject("registers_written");
    json.Hex("csr0", simlab::LastWritten(port, CSR0_BUS_MODE));
    json.Hex("csr6", simlab::LastWritten(port, CSR6_OPMODE));
    json.EndObject();
    if (port.board) port.board->EnableTrace(false);

    json.BeginArray("sets");
    for (const auto& set : request.sets) {
      hostndis::SetResult result = port.adapter->Set(set.first, set.second);
      lab.host().RunFor(sim::kMillisecond);
      json.BeginObject();
      json.Hex("oid", set.first);
      if (const char* name = simlab::OidName(set.first)) json.String("name", name);
      WriteStatus(json, result.status);
      json.Number("bytes_read", result.bytes_read);
      json.Number("bytes_needed", result.bytes_needed);
      json.EndObject();
    }
    json.EndArray();
    json.BeginArray("queries");
    for (const auto& [oid, length] : request.queries) {
      hostndis::QueryResult result = port.adapter->Query(oid, length);
      json.BeginObject();
      json.Hex("oid", oid);
      if (const char* name = simlab::OidName(oid)) json.String("name", name);
      WriteStatus(json, result.status);
      json.Number("bytes_written", result.bytes_written);
      json.Number("bytes_needed", result.bytes_needed);
      if (result.status == NDIS_STATUS_SUCCESS) {
        if (result.data.size() == 4 || result.data.size() == 2) {
          uint32_t v = 0;
          for (size_t i = 0; i < result.data.size(); ++i) v |= uint32_t(result.data[i]) << (8 * i);
          json.Number("value", v);
        }
        json.String("bytes", HexBytes(result.data));
      }
      json.EndObject();
    }
    json.EndArray();
  }
  WriteDumps(json, request, lab, port, context);
  json.Number("verifier_findings", lab.host().verifier().findings().size());
  json.EndObject();
  json.Finish();
  if (status == NDIS_STATUS_SUCCESS) port.adapter->Halt();
  return 0;
}

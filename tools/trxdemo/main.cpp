// The main job: two simulated K250 ports cabled together (or two real 21143
// functions, --pci), each driven by its own Trx4n5 instance. Both come up
// and auto-negotiate, a burst of frames of several sizes crosses in both
// directions (frames the receive filter must pass and frames it must drop),
// and each port's state and statistics are reported. Progress goes to
// stderr, the report to stdout.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "chip_view.h"
#include "pci_ports.h"
#include "simlab.h"
#include "trx_adapter.h"

namespace {

const uint8_t kBroadcast[6] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
const uint8_t kJoinedGroup[6] = {0x01, 0x00, 0x5e, 0x00, 0x00, 0x01};
const uint8_t kOtherGroup[6] = {0x01, 0x00, 0x5e, 0x7f, 0x00, 0x09};
const uint8_t kStranger[6] = {0x00, 0x12, 0x34, 0x56, 0x78, 0xff};

struct Probe {
  const char* what;
  const uint8_t* destination;  // null: the receiving port's station address
  uint32_t length;
  bool passes;
};

const Probe kBurst[] = {
    {"unicast 60 bytes", nullptr, 60, true},
    {"unicast 64 bytes", nullptr, 64, true},
    {"unicast 128 bytes", nullptr, 128, true},
    {"unicast 512 bytes", nullptr, 512, true},
    {"unicast 1000 bytes (mapped)", nullptr, 1000, true},
    {"unicast 1514 bytes (mapped)", nullptr, 1514, true},
    {"broadcast 60 bytes", kBroadcast, 60, true},
    {"broadcast 342 bytes", kBroadcast, 342, true},
    {"multicast to a joined group", kJoinedGroup, 90, true},
    {"multicast to a group nobody joined", kOtherGroup, 90, false},
    {"unicast to another station", kStranger, 200, false},
};

void Log(const char* text) { std::fprintf(stderr, "trxdemo: %s\n", text); }

std::vector<uint8_t> StationAddress(hostndis::Adapter& adapter) {
  hostndis::QueryResult r = adapter.Query(OID_802_3_CURRENT_ADDRESS, 6);
  return r.data;
}

std::string PhyName(simlab::Port& port) {
  if (port.board == nullptr) {
    char text[48];
    std::snprintf(text, sizeof(text), "MII PHY 0x%04x%04x (as it answers)", simlab::PhyRegister(port, 2),
                  simlab::PhyRegister(port, 3));
    return text;
  }
  switch (port.board->config().phy) {
    case sim::PhyModel::kPhy1378: return "MII PHY 0x001378e0";
    case sim::PhyModel::kPhy7810: return "MII PHY 0x78100000";
    case sim::PhyModel::kUnknown: return "unknown MII PHY";
    case sim::PhyModel::kNone: return "no PHY (10 Mb/s serial interface)";
  }
  return "?";
}

const char* SpeedName(uint32_t hundreds_of_bits) {
  switch (hundreds_of_bits) {
    case 100000: return "10 Mb/s half duplex";
    case 200000: return "10 Mb/s full duplex";
    case 1000000: return "100 Mb/s half duplex";
    case 2000000: return "100 Mb/s full duplex";
    default: return "no link";
  }
}

constexpr int kSendRounds = 3;  // first send and two more for frames that failed

// Sends the burst from `from` to `to`; returns how many frames should arrive.
int SendBurst(simlab::Lab& lab, simlab::Port& from, simlab::Port& to) {
  std::vector<uint8_t> source = StationAddress(*from.adapter);
  std::vector<uint8_t> station = StationAddress(*to.adapter);
  std::vector<PNDIS_PACKET> packets;
  int expected = 0;
  uint8_t seed = 0;
  for (const Probe& p : kBurst) {
    const uint8_t* destination = p.destination ? p.destination : station.data();
    std::vector<uint8_t> frame = simlab::MakeFrame(destination, source.data(), 0x88b5, p.length, seed++);
    // Header and payload in separate buffers, as a stack hands them down.
    std::vector<hostndis::BufferSpec> buffers;
    buffers.push_back({std::vector<uint8_t>(frame.begin(), frame.begin() + 14), 0});
    buffers.push_back({std::vector<uint8_t>(frame.begin() + 14, frame.end()), 0});
    packets.push_back(from.adapter->BuildPacket(buffers));
    if (p.passes) ++expected;
  }
  // A send the driver completes as failed (an underflow or carrier loss that
  // a realistic board produces, counted in its statistics) is sent again, as
  // a protocol would; the kind board fails none.
  std::vector<PNDIS_PACKET> pending = packets;
  for (int round = 0; round < kSendRounds && !pending.empty(); ++round) {
    if (round > 0)
      std::fprintf(stderr, "trxdemo: port %d sends %zu frame(s) again that the driver reported failed\n", from.index,
                   pending.size());
    from.adapter->Send(pending);
    lab.host().RunFor(20 * sim::kMillisecond);
    std::vector<PNDIS_PACKET> failed;
    for (PNDIS_PACKET packet : pending)
      if (from.adapter->send_status(packet) != NDIS_STATUS_SUCCESS) failed.push_back(packet);
    pending.swap(failed);
  }
  if (!pending.empty())
    std::fprintf(stderr, "trxdemo: %zu frame(s) from port %d did not complete successfully\n", pending.size(),
                 from.index);
  for (PNDIS_PACKET packet : packets) from.adapter->FreePacket(packet);
  return expected;
}

// Frames that passed the filter but that a realistic board's receive FIFO
// lost or cut short while the bus stalled, as a real chip does under load.
// A real chip does not say.
size_t LostByTheBoard(const simlab::Port& port) {
  if (port.board == nullptr) return 0;
  const sim::Board::Counters& c = port.board->counters();
  return size_t(c.rx_fifo_lost + c.rx_fifo_cut);
}

void Report(simlab::Port& port, size_t frames_expected) {
  hostndis::Adapter& a = *port.adapter;
  std::vector<uint8_t> station = StationAddress(a);
  uint32_t speed = simlab::QueryValue(a, OID_GEN_LINK_SPEED);
  uint32_t media = simlab::QueryValue(a, OID_GEN_MEDIA_CONNECT_STATUS);
  std::printf("Port %d\n", port.index);
  std::printf("  station address      %s\n", simlab::FormatMac(station.data()).c_str());
  std::printf("  PHY                  %s\n", PhyName(port).c_str());
  std::printf("  link                 %s, %s (OID_GEN_LINK_SPEED %u)\n",
              media == NdisMediaStateConnected ? "up" : "down", SpeedName(speed), speed);
  if (port.board)
    std::printf("  frames received      %zu of %zu expected; %llu dropped by the receive filter, %zu lost in the receive FIFO\n",
                a.received().size(), frames_expected, (unsigned long long)port.board->counters().rx_filtered,
                LostByTheBoard(port));
  else
    std::printf("  frames received      %zu of %zu expected\n", a.received().size(), frames_expected);
  for (NDIS_OID oid : simlab::StatisticsOids()) {
    std::printf("  %-31s %u\n", simlab::OidName(oid), simlab::QueryValue(a, oid));
  }
}

}  // namespace

int main(int argc, char** argv) {
  std::string pcap = "build/trxdemo.pcap", kernel_image, error;
  sim::BoardProfile profile;
  simlab::PciChoice pci;
  bool have_pcap = false;
  for (int i = 1; i < argc; ++i) {
    if (simlab::TakeKernelImageOption(argc, argv, &i, &kernel_image)) continue;
    if (simlab::TakePciOption(argc, argv, &i, &pci)) continue;
    bool board = std::strcmp(argv[i], "--board") == 0;
    if (board && i + 1 < argc && sim::BoardProfile::Parse(argv[i + 1], &profile)) {
      ++i;
      continue;
    }
    if (board || argv[i][0] == '-' || have_pcap) {
      std::fprintf(stderr,
                   "usage: trxdemo [--kernel-image [PATH.sys]] [--board NAME[:SEED]] [--pci [ADDRESS[,ADDRESS]]\n"
                   "               [--as-k250]] [PCAP_FILE]   (default %s)\n"
                   "  boards: %s\n%s",
                   pcap.c_str(), simlab::BoardProfileList().c_str(), simlab::kPciUsage);
      return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
    }
    pcap = argv[i];
    have_pcap = true;
  }
  if ((pci.as_k250 && !pci.enabled) || (pci.enabled && !profile.Kind())) {
    std::fprintf(stderr, "trxdemo: %s\n", pci.enabled ? "--board describes simulated boards, not --pci" : "--as-k250 goes with --pci");
    return 2;
  }

  simlab::RealPorts real("trxdemo");
  hostndis::HostConfig config;
  if (!real.Open(pci, 2, &config)) return 2;
  simlab::Lab lab(config, kernel_image);
  if (!lab.load_error().empty()) {
    std::fprintf(stderr, "trxdemo: %s\n", lab.load_error().c_str());
    return 1;
  }
  if (!kernel_image.empty()) Log(("driving the kernel image " + kernel_image).c_str());
  simlab::PortSpec setups[2] = {simlab::Lab::DefaultSpec(0), simlab::Lab::DefaultSpec(1)};
  simlab::Port* ports[2];
  for (uint32_t i = 0; i < 2; ++i) {
    setups[i].board.profile = profile.ForPort(i);
    ports[i] = pci.enabled ? real.AddTo(lab, i, setups[i], &error) : &lab.AddPort(setups[i]);
    if (ports[i] == nullptr) {
      std::fprintf(stderr, "trxdemo: %s\n", error.c_str());
      return 2;
    }
  }
  simlab::Port& a = *ports[0];
  simlab::Port& b = *ports[1];
  if (!profile.Kind()) Log(("board profile: " + profile.name).c_str());
  // Real functions are cabled already; their wire is not this program's to capture.
  sim::Wire* wire = pci.enabled ? nullptr : &lab.Cable(a, b);
  if (wire && !wire->CaptureTo(pcap)) {
    std::fprintf(stderr, "trxdemo: cannot write %s\n", pcap.c_str());
    return 1;
  }

  Log("initializing both ports (reset, EEPROM, PHY, 1.5 s link settle)");
  for (simlab::Port* p : {&a, &b}) {
    NDIS_STATUS status = p->adapter->Initialize();
    if (status != NDIS_STATUS_SUCCESS) {
      std::fprintf(stderr, "trxdemo: Initialize of port %d failed with 0x%08x\n", p->index, unsigned(status));
      return 1;
    }
    simlab::SetPacketFilter(*p->adapter,
                            NDIS_PACKET_TYPE_DIRECTED | NDIS_PACKET_TYPE_MULTICAST | NDIS_PACKET_TYPE_BROADCAST);
    p->adapter->Set(OID_802_3_MULTICAST_LIST, std::vector<uint8_t>(kJoinedGroup, kJoinedGroup + 6));
  }
  // A slow board's auto-negotiation outlasts the driver's settle wait.
  lab.host().RunFor(10 * sim::kMillisecond + profile.negotiation_time);

  Log("sending a burst from port 0 to port 1 and back");
  int expected_b = SendBurst(lab, a, b);
  int expected_a = SendBurst(lab, b, a);
  lab.host().RunFor(profile.Kind() ? 10 * sim::kMillisecond : 200 * sim::kMillisecond);

  Report(a, size_t(expected_a));
  Report(b, size_t(expected_b));
  if (wire)
    std::printf("Capture of the wire: %s (%llu frames)\n", pcap.c_str(), (unsigned long long)wire->frames_carried());
  else
    std::printf("No capture of the wire: it runs between real functions\n");

  bool ok = a.adapter->received().size() + LostByTheBoard(a) == size_t(expected_a) &&
            b.adapter->received().size() + LostByTheBoard(b) == size_t(expected_b);
  if (wire) wire->StopCapture();
  a.adapter->Halt();
  b.adapter->Halt();
  if (!lab.host().verifier().findings().empty()) {
    std::fprintf(stderr, "trxdemo: the verifier reported %zu findings\n", lab.host().verifier().findings().size());
    ok = false;
  }
  Log(ok ? "every frame went where the filters say" : "FRAMES WENT MISSING OR LEAKED THROUGH");
  return ok ? 0 : 1;
}

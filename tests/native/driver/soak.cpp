#include "soak.h"

#include <array>
#include <chrono>
#include <cstring>
#include <deque>
#include <memory>
#include <random>
#include <unordered_map>
#include <unordered_set>

#include "hostndis/host.h"
#include "hostpci/pci_function.h"
#include "hostpci/reserved_memory.h"
#include "kimage/driver_loader.h"
#include "sim/board.h"
#include "sim/wire.h"
#include "trx_chip.h"
#include "trx_miniport.h"

namespace trx_test {

namespace {

using Mac = std::array<uint8_t, 6>;
using hostndis::SendState;

constexpr size_t kWindow = 48;           // packets a protocol keeps with its miniport
constexpr uint32_t kSeqOffset = 14;      // sequence number (32 bits), then the sender
constexpr uint32_t kMinLength = 19;
constexpr Mac kBroadcast = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
constexpr Mac kNobody = {0x02, 0x00, 0x00, 0x00, 0x00, 0x77};
constexpr sim::Nanoseconds kStallLimit = 5 * sim::kSecond;

Mac Multicast(uint8_t n) { return Mac{0x01, 0x00, 0x5e, 0x00, 0x01, n}; }

uint8_t PayloadByte(uint64_t seq, uint32_t i) { return static_cast<uint8_t>(seq * 7 + i); }

struct Side {
  int index = 0;
  sim::Board* board = nullptr;  // null on a real function
  hostndis::Device* device = nullptr;  // the board or the real function
  hostndis::Adapter* adapter = nullptr;
  Mac station{};
  std::vector<Mac> multicast;   // the list it receives
  Mac unlisted{};               // a group address its filter must drop
  bool resetting = false;

  // Sending.
  uint64_t next_seq = 0;
  std::vector<uint16_t> lengths;      // frame length of each packet built
  std::vector<uint8_t> passes;        // whether the peer's filter passes it
  std::vector<uint8_t> completions;   // per packet
  std::unordered_map<PNDIS_PACKET, uint64_t> outstanding;
  std::deque<PNDIS_PACKET> retry;     // refused, to send again
  std::vector<PNDIS_PACKET> done;     // completed, to give back
  // Receiving, by the peer's sequence numbers.
  std::vector<uint8_t> seen;
  std::unordered_set<PNDIS_PACKET> held;

  SoakPortSummary summary;
  uint64_t unseen = 0;  // frames due since the last one indicated
};

class Soak {
 public:
  explicit Soak(const SoakOptions& options);
  SoakSummary Run();

 private:
  void Fail(const std::string& what) {
    if (summary_.failures.size() < 50) summary_.failures.push_back(what);
  }
  void Fail(const Side& side, const std::string& what) { Fail("port " + std::to_string(side.index) + ": " + what); }
  bool SetUpSide(Side& side, int index, uint32_t slot);
  bool Passes(const Side& to, const Mac& destination) const;
  std::vector<uint8_t> BuildFrame(Side& from, const Side& to, uint64_t seq);
  PNDIS_PACKET BuildPacket(Side& side, const std::vector<uint8_t>& frame);
  void SendSome(Side& side);
  void Completed(Side& side, PNDIS_PACKET packet, NDIS_STATUS status);
  hostndis::ReceiveAction Received(Side& side, PNDIS_PACKET packet);
  void Disturb(uint64_t total);
  void Reset(Side& side);
  void Drain();
  void Check();
  void CheckBoards();  // what only simulated boards count
  uint32_t Query(Side& side, NDIS_OID oid);
  uint64_t Random(uint64_t below) { return std::uniform_int_distribution<uint64_t>(0, below - 1)(rng_); }

  SoakOptions options_;
  kimage::DriverLoader loader_;
  std::unique_ptr<hostpci::ReservedMemory> memory_;  // on real functions
  std::vector<std::string> functions_;
  std::string setup_error_;
  hostndis::Host host_;
  kimage::DriverLoader::Loaded driver_;
  std::mt19937_64 rng_;
  Side sides_[2];
  std::unique_ptr<sim::Wire> wire_;
  SoakSummary summary_;
  bool keeping_ = true;
  bool qemu_ = false;  // real functions of QEMU's PC
  // Frames shorter than 60 bytes go out padded with zeros; QEMU's chip sends
  // them as they are (and its receiver takes them).
  uint32_t min_frame_ = 60;
  uint64_t next_flap_ = 0, next_reset_ = 0;
  Side* late_ = nullptr;  // a port whose reset comes before its deferred routine
  sim::Nanoseconds late_until_ = 0;
  uint32_t late_mask_ = 0;  // its interrupt mask as the driver left it
};

kimage::DriverLoader LoaderFor(const SoakOptions& options) {
  if (options.kernel_image.empty()) return kimage::DriverLoader::Native(DriverEntry);
  return kimage::DriverLoader::Image(options.kernel_image);
}

// On real functions: the reserved memory (kept in `memory`) and the clock in real time.
hostndis::HostConfig ConfigFor(const SoakOptions& options, std::unique_ptr<hostpci::ReservedMemory>* memory,
                               std::vector<std::string>* functions, std::string* error) {
  hostndis::HostConfig config;
  if (!options.pci.enabled) return config;
  if (!simlab::ChoosePciFunctions(options.pci, 2, functions, error)) return config;
  *memory = hostpci::ReservedMemory::Open(error);
  return *memory ? (*memory)->Configure(config) : config;
}

Soak::Soak(const SoakOptions& options)
    : options_(options),
      loader_(LoaderFor(options)),
      host_(loader_.Prepare(ConfigFor(options, &memory_, &functions_, &setup_error_))),
      rng_(options.seed) {
  if (options_.flap_every == 0) options_.flap_every = options_.frames / 20 + 1;
  if (options_.reset_every == 0) options_.reset_every = options_.frames / 10 + 1;
  next_flap_ = options_.flap_every;
  next_reset_ = options_.reset_every / 2;
  host_.verifier().SetHook([this](const hostndis::Finding& f) { Fail("verifier: " + f.message); });
  qemu_ = options_.pci.enabled && hostpci::RunningOnQemu();
  if (qemu_) min_frame_ = kMinLength;
  host_.verifier().set_print(false);
}

bool Soak::SetUpSide(Side& side, int index, uint32_t slot) {
  side.index = index;
  side.station = Mac{0x00, 0x12, 0x34, 0x56, 0x78, static_cast<uint8_t>(0x01 + index)};
  if (options_.pci.enabled) {
    // The station address through the override, as on the simulated boards' EEPROMs.
    simlab::PortSpec port_setup;
    port_setup.network_address = std::vector<uint8_t>(side.station.begin(), side.station.end());
    hostpci::PciDevice* pci = nullptr;
    std::string error;
    std::unique_ptr<hostndis::Device> chip =
        simlab::OpenPciPort(functions_[index], options_.pci.as_k250, slot, "driver_soak", &port_setup, &pci, &error);
    hostndis::Device* device = chip ? host_.AddDevice(std::move(chip)) : nullptr;
    if (device == nullptr) {
      Fail(side, error);
      return false;
    }
    side.device = device;
    side.adapter = &host_.AddAdapter(*device);
    side.adapter->SetNetworkAddress(*port_setup.network_address);
  } else {
    sim::BoardConfig config;
    config.slot = slot;
    config.profile = options_.board.ForPort(static_cast<uint32_t>(index));
    config.eeprom = sim::BoardConfig::EepromWithAddress(side.station.data());
    side.board = &host_.AddBoard(config);
    side.device = host_.DeviceOf(*side.board);
    side.adapter = &host_.AddAdapter(*side.device);
  }
  side.adapter->SetKeyword("ConnectionType", 0u);
  side.adapter->SetKeyword("SlotNumber", slot);
  if (index == 0) {
    // Small rings: the ring fills, wraps and starves often.
    side.adapter->SetKeyword("TxRingSize", 16u);
    side.adapter->SetKeyword("RxRingSize", 16u);
  } else {
    side.adapter->SetKeyword("MapThreshold", 200u);
  }
  side.lengths.resize(options_.frames);
  side.passes.resize(options_.frames);
  side.completions.resize(options_.frames);
  side.seen.resize(options_.frames);
  side.adapter->set_record_send_completions(false);
  side.adapter->OnSendComplete([this, &side](PNDIS_PACKET p, NDIS_STATUS s) { Completed(side, p, s); });
  side.adapter->OnReceive([this, &side](PNDIS_PACKET p) { return Received(side, p); });
  // Perfect filtering on port 0, hash filtering on port 1 (QEMU's chip has
  // no hash filter: both perfect on real functions).
  bool hash = index == 1 && !options_.pci.enabled;
  for (uint8_t i = 0; i < (hash ? 20 : 3); ++i) side.multicast.push_back(Multicast(i));
  return true;
}

bool Soak::Passes(const Side& to, const Mac& destination) const {
  if (destination == to.station || destination == kBroadcast) return true;
  for (const Mac& m : to.multicast)
    if (m == destination) return true;
  return false;
}

std::vector<uint8_t> Soak::BuildFrame(Side& from, const Side& to, uint64_t seq) {
  uint64_t shape = Random(100);
  uint32_t length = shape < 15   ? kMinLength + static_cast<uint32_t>(Random(64 - kMinLength))
                    : shape < 30 ? 1400 + static_cast<uint32_t>(Random(115))
                                 : kMinLength + static_cast<uint32_t>(Random(1514 - kMinLength + 1));
  uint64_t where = Random(100);
  const Mac& destination = where < 70   ? to.station
                           : where < 78 ? kBroadcast
                           : where < 88 ? to.multicast[Random(to.multicast.size())]
                           : where < 94 ? to.unlisted
                                        : kNobody;
  std::vector<uint8_t> f(length);
  for (uint32_t i = 0; i < length; ++i) f[i] = PayloadByte(seq, i);
  std::copy(destination.begin(), destination.end(), f.begin());
  std::copy(from.station.begin(), from.station.end(), f.begin() + 6);
  f[12] = 0x08;
  f[13] = 0x00;
  for (int i = 0; i < 4; ++i) f[kSeqOffset + i] = static_cast<uint8_t>(seq >> (8 * i));
  f[kSeqOffset + 4] = static_cast<uint8_t>(from.index);
  from.lengths[seq] = static_cast<uint16_t>(length);
  from.passes[seq] = Passes(to, destination);
  return f;
}

// One to three buffers, split anywhere, each starting anywhere in its page.
PNDIS_PACKET Soak::BuildPacket(Side& side, const std::vector<uint8_t>& frame) {
  std::vector<hostndis::BufferSpec> buffers;
  uint32_t pieces = 1 + static_cast<uint32_t>(Random(3));
  uint32_t at = 0;
  for (uint32_t k = 0; k < pieces && at < frame.size(); ++k) {
    uint32_t left = static_cast<uint32_t>(frame.size()) - at;
    uint32_t take = k + 1 == pieces ? left : 1 + static_cast<uint32_t>(Random(left));
    buffers.push_back({std::vector<uint8_t>(frame.begin() + at, frame.begin() + at + take),
                       static_cast<uint32_t>(Random(hostndis::kPageSize))});
    at += take;
  }
  return side.adapter->BuildPacket(buffers);
}

void Soak::SendSome(Side& side) {
  Side& peer = sides_[1 - side.index];
  std::vector<PNDIS_PACKET> batch;
  while (!side.retry.empty() && batch.size() < 16) {
    batch.push_back(side.retry.front());
    side.retry.pop_front();
  }
  while (side.outstanding.size() < kWindow && side.next_seq < options_.frames && batch.size() < 16) {
    uint64_t seq = side.next_seq++;
    PNDIS_PACKET p = BuildPacket(side, BuildFrame(side, peer, seq));
    if (p == nullptr) {
      Fail(side, "protocol memory exhausted");
      side.next_seq = options_.frames;
      break;
    }
    side.outstanding.emplace(p, seq);
    batch.push_back(p);
  }
  size_t at = 0;
  while (at < batch.size()) {
    size_t n = std::min<size_t>(1 + Random(16), batch.size() - at);
    side.adapter->Send(batch.data() + at, static_cast<uint32_t>(n));
    for (size_t i = at; i < at + n; ++i) {
      if (side.adapter->send_state(batch[i]) != SendState::kRefused) continue;
      ++side.summary.refusals;
      side.retry.push_back(batch[i]);
    }
    at += n;
  }
}

void Soak::Completed(Side& side, PNDIS_PACKET packet, NDIS_STATUS status) {
  auto it = side.outstanding.find(packet);
  if (it == side.outstanding.end()) {
    Fail(side, "completion of a packet it does not have");
    return;
  }
  uint64_t seq = it->second;
  side.outstanding.erase(it);
  if (side.completions[seq]++ != 0) Fail(side, "packet " + std::to_string(seq) + " completed twice");
  ++side.summary.sent;
  if (status == NDIS_STATUS_SUCCESS)
    ++side.summary.succeeded;
  else if (status == NDIS_STATUS_REQUEST_ABORTED)
    ++side.summary.aborted;
  else if (status == NDIS_STATUS_FAILURE)
    ++side.summary.failed;
  else
    Fail(side, "completion status " + std::to_string(status));
  if (status == NDIS_STATUS_SUCCESS && side.passes[seq]) {
    ++sides_[1 - side.index].summary.due;
    ++sides_[1 - side.index].unseen;
  }
  side.done.push_back(packet);
}

hostndis::ReceiveAction Soak::Received(Side& side, PNDIS_PACKET packet) {
  ++side.summary.indicated;
  side.unseen = 0;
  const Side& peer = sides_[1 - side.index];
  std::vector<uint8_t> f = hostndis::Adapter::PacketBytes(packet);
  if (f.size() < min_frame_ || f.size() > 1514) {
    Fail(side, "indicated a frame of " + std::to_string(f.size()) + " bytes");
    return hostndis::ReceiveAction::kReturn;
  }
  Mac destination, source;
  std::copy(f.begin(), f.begin() + 6, destination.begin());
  std::copy(f.begin() + 6, f.begin() + 12, source.begin());
  if (!Passes(side, destination)) Fail(side, "the filter let through a frame for another address");
  uint64_t seq = 0;
  for (int i = 0; i < 4; ++i) seq |= static_cast<uint64_t>(f[kSeqOffset + i]) << (8 * i);
  if (source != peer.station || f[kSeqOffset + 4] != peer.index || seq >= peer.next_seq) {
    Fail(side, "a frame the peer never sent");
    return hostndis::ReceiveAction::kReturn;
  }
  uint32_t length = peer.lengths[seq];
  bool intact = f.size() == std::max<uint32_t>(length, min_frame_);
  for (uint32_t i = kSeqOffset + 5; intact && i < f.size(); ++i)
    intact = f[i] == (i < length ? PayloadByte(seq, i) : 0);
  if (!intact) Fail(side, "frame " + std::to_string(seq) + " arrived damaged");
  if (side.seen[seq]++ != 0) Fail(side, "frame " + std::to_string(seq) + " arrived twice");
  if (!keeping_ || Random(5) != 0) return hostndis::ReceiveAction::kReturn;
  ++side.summary.kept;
  side.held.insert(packet);
  host_.clock().ScheduleAfter(Random(4 * sim::kMillisecond), [&side, packet] {
    if (side.held.erase(packet)) side.adapter->ReturnPacket(packet);
  });
  return hostndis::ReceiveAction::kKeep;
}

// Cable pulls and resets, spread over the run by packets sent.
void Soak::Disturb(uint64_t total) {
  if (wire_ && total >= next_flap_) {
    next_flap_ += options_.flap_every;
    ++summary_.flaps;
    wire_->Unplug();
    host_.RunFor(50 * sim::kMicrosecond + Random(3 * sim::kMillisecond));
    wire_->Plug();
  }
  if (late_ != nullptr && host_.clock().Now() >= late_until_) {
    Reset(*late_);
    late_ = nullptr;
  }
  if (total >= next_reset_ && late_ == nullptr && !sides_[0].resetting && !sides_[1].resetting) {
    next_reset_ += options_.reset_every;
    Side& side = sides_[Random(2)];
    if (Random(2) != 0 || total + options_.reset_every > 2 * options_.frames) return Reset(side);
    // Half the resets, those with traffic to follow, come before the
    // deferred routine: the chip's interrupt masked, traffic goes on for up
    // to 10 ms, and the software reset then clears the interrupt of whatever
    // frames were stored meanwhile.
    late_mask_ = side.device->ReadCsr(0x38);
    side.device->WriteCsr(0x38, 0);
    late_ = &side;
    late_until_ = host_.clock().Now() + Random(10 * sim::kMillisecond);
  }
}

void Soak::Reset(Side& side) {
  hostndis::ResetResult r = side.adapter->Reset();
  ++summary_.resets;
  if (r.status == NDIS_STATUS_PENDING)
    side.resetting = true;
  else if (r.status != NDIS_STATUS_SUCCESS)
    Fail(side, "reset failed with " + std::to_string(r.status));
}

// Up to 5 s: a reset near the end waits for the link, which on a board that
// negotiates for longer than the settle wait takes more than 2 s.
void Soak::Drain() {
  keeping_ = false;
  if (late_ != nullptr) late_->device->WriteCsr(0x38, late_mask_);  // the deferred routine comes after all
  late_ = nullptr;
  for (int round = 0; round < 500; ++round) {
    bool busy = false;
    for (Side& s : sides_) busy = busy || !s.held.empty() || s.resetting || !s.outstanding.empty();
    if (!busy) return;
    host_.RunFor(10 * sim::kMillisecond);
    for (Side& s : sides_) s.resetting = s.resetting && !s.adapter->last_reset().done;
  }
  Fail("packets still outstanding or held after draining");
}

uint32_t Soak::Query(Side& side, NDIS_OID oid) {
  hostndis::QueryResult r = side.adapter->Query(oid, 4);
  if (r.status != NDIS_STATUS_SUCCESS || r.data.size() != 4) {
    Fail(side, "statistics query failed");
    return 0;
  }
  return uint32_t(r.data[0]) | uint32_t(r.data[1]) << 8 | uint32_t(r.data[2]) << 16 | uint32_t(r.data[3]) << 24;
}

void Soak::Check() {
  for (Side& side : sides_) {
    SoakPortSummary& s = side.summary;
    for (uint64_t seq = 0; seq < options_.frames; ++seq)
      if (side.completions[seq] != 1) {
        Fail(side, "packet " + std::to_string(seq) + " completed " + std::to_string(side.completions[seq]) + " times");
        break;
      }
    if (Query(side, OID_GEN_XMIT_OK) != s.succeeded) Fail(side, "XmitOk differs from the successful completions");
    if (Query(side, OID_GEN_XMIT_ERROR) != s.failed + s.aborted) Fail(side, "XmitError differs from the failed completions");
    if (Query(side, OID_GEN_RCV_OK) != s.indicated) Fail(side, "RcvOk differs from the packets indicated");
    if (side.board == nullptr) {
      // Between real functions the wire carries no bad frame and nothing is
      // cut. A packet aborted by a reset may have left before it.
      const SoakPortSummary& peer = sides_[1 - side.index].summary;
      if (Query(side, OID_GEN_RCV_ERROR) != 0) Fail(side, "receive errors on a clean wire");
      if (s.indicated > s.due + peer.aborted) Fail(side, "more frames indicated than the peer sent through this port's filter");
      uint64_t lost = s.due > s.indicated ? s.due - s.indicated : 0;
      if (!qemu_ && lost > Query(side, OID_GEN_RCV_NO_BUFFER) + summary_.resets * kWindow)
        Fail(side, "more frames lost than the missed frames counted and the resets account for");
      // QEMU's chip drops a frame that finds no descriptor without counting
      // it, and takes frames faster than a ring of 16 can hand them on: only
      // a receive path that stopped shows, as frames due long after the last
      // one indicated (more than a burst towards a full ring can lose). The
      // chip's state goes with it, to tell a driver that stopped handing
      // descriptors back from a chip that stopped taking them.
      if (qemu_ && side.unseen > 2 * kWindow) {
        char state[240];
        std::snprintf(state, sizeof state, " (CSR5 %08x CSR6 %08x CSR7 %08x, command and status %08x)",
                      side.device->ReadCsr(0x28), side.device->ReadCsr(0x30), side.device->ReadCsr(0x38),
                      side.device->ReadPciConfig(0x04));
        // The receive list as the chip sees it: from CSR3 along the chain.
        uint32_t first = side.device->ReadCsr(0x18), at = first, owned = 0, filled = 0, count = 0;
        do {
          uint32_t d[4] = {};
          if (!host_.memory().DmaRead(at, d, sizeof d)) break;
          owned += d[0] >> 31;
          filled += (d[0] >> 31) == 0 && (d[0] & 0x300) == 0x300;
          ++count;
          at = d[3];
        } while (at != first && count < 256);
        std::snprintf(state + std::strlen(state), sizeof state - std::strlen(state), "; from CSR3 along the chain %u descriptors, %u the chip's, %u holding a whole frame",
                      count, owned, filled);
        Fail(side, std::to_string(side.unseen) + " frames due since the last one indicated" + state);
      }
    }
  }
  if (sides_[0].board) CheckBoards();
}

void Soak::CheckBoards() {
  uint64_t arrived_total = 0;
  for (Side& side : sides_) {
    SoakPortSummary& s = side.summary;
    const sim::Board::Counters& c = side.board->counters();
    const sim::Board::Counters& peer = sides_[1 - side.index].board->counters();
    s.filtered = c.rx_filtered;
    s.missed = c.rx_missed;
    s.ignored = c.rx_ignored;
    s.overflowed = c.rx_fifo_lost + c.rx_fifo_cut;
    // The wire carries no bad frame: the only errors are frames the board cut.
    if (Query(side, OID_GEN_RCV_ERROR) != c.rx_fifo_cut + c.rx_watchdog_cut)
      Fail(side, "receive errors other than the frames the board cut");
    if (Query(side, OID_GEN_RCV_NO_BUFFER) > c.rx_missed) Fail(side, "more missed frames counted than the board missed");
    if (s.indicated != c.rx_frames) Fail(side, "the board stored frames that were never indicated");
    if (s.succeeded > c.tx_frames) Fail(side, "more successful sends than frames put on the wire");
    // What arrived here crossed from the peer, less at most one frame in
    // flight per cable pull.
    uint64_t arrived = c.rx_frames + c.rx_filtered + c.rx_missed + c.rx_ignored + c.rx_runts + c.rx_fifo_lost +
                       c.rx_fifo_cut + c.rx_watchdog_cut + c.rx_reset_lost;
    if (arrived > peer.tx_frames || peer.tx_frames - arrived > summary_.flaps)
      Fail(side, "frames received do not match what the peer put on the wire");
    if (c.dma_errors != 0 || c.tx_bad_setup != 0) Fail(side, "the board saw bad DMA or a bad setup frame");
    arrived_total += arrived;
  }
  if (arrived_total != summary_.frames_on_wire) Fail("the boards account for a different number of frames than the wire carried");
}

SoakSummary Soak::Run() {
  auto start = std::chrono::steady_clock::now();
  if (!setup_error_.empty()) {
    Fail(setup_error_);
    return summary_;
  }
  if (!SetUpSide(sides_[0], 0, 0) || !SetUpSide(sides_[1], 1, 1)) return summary_;
  sides_[0].unlisted = sides_[1].unlisted = Multicast(200);
  // The unlisted group address must not share a hash bucket with a listed one.
  for (Side& s : sides_) {
    auto clashes = [&s] {
      for (const Mac& m : s.multicast)
        if ((HashCrc(m.data()) & 0x1ff) == (HashCrc(s.unlisted.data()) & 0x1ff)) return true;
      return false;
    };
    while (clashes()) ++s.unlisted[5];
  }
  if (sides_[0].board) wire_ = std::make_unique<sim::Wire>(host_.clock(), *sides_[0].board, *sides_[1].board);
  driver_ = loader_.Load(host_);
  if (driver_.status != STATUS_SUCCESS) Fail("the driver did not load " + driver_.error);
  for (Side& s : sides_) {
    if (s.adapter->Initialize() != NDIS_STATUS_SUCCESS) {
      Fail(s, "did not initialize");
      return summary_;
    }
    ULONG filter = NDIS_PACKET_TYPE_DIRECTED | NDIS_PACKET_TYPE_BROADCAST | NDIS_PACKET_TYPE_MULTICAST;
    std::vector<uint8_t> list;
    for (const Mac& m : s.multicast) list.insert(list.end(), m.begin(), m.end());
    s.adapter->Set(OID_802_3_MULTICAST_LIST, list);
    s.adapter->Set(OID_GEN_CURRENT_PACKET_FILTER, {uint8_t(filter), 0, 0, 0});
  }

  sim::Nanoseconds last_progress = host_.clock().Now();
  uint64_t last_sent = 0, next_report = 100000;
  for (;;) {
    uint64_t sent = sides_[0].summary.sent + sides_[1].summary.sent;
    if (sent == 2 * options_.frames || !summary_.failures.empty()) break;
    if (sent != last_sent) {
      last_sent = sent;
      last_progress = host_.clock().Now();
    } else if (host_.clock().Now() - last_progress > kStallLimit) {
      Fail("no packet completed for " + std::to_string(kStallLimit / sim::kSecond) + " s");
      break;
    }
    if (options_.progress && sent >= next_report) {
      std::fprintf(options_.progress, "  %llu packets completed\n", static_cast<unsigned long long>(sent));
      next_report += 100000;
    }
    // While a port resets, both protocols hold back (frames towards a port
    // that serves no interrupt only fill its ring).
    bool resetting = false;
    for (Side& s : sides_) {
      s.resetting = s.resetting && !s.adapter->last_reset().done;
      resetting = resetting || s.resetting;
    }
    for (Side& s : sides_)
      if (!resetting) SendSome(s);
    host_.RunFor(10 * sim::kMicrosecond + Random(150 * sim::kMicrosecond));
    for (Side& s : sides_) {
      for (PNDIS_PACKET p : s.done) s.adapter->FreePacket(p);
      s.done.clear();
    }
    Disturb(sides_[0].next_seq + sides_[1].next_seq);
  }
  Drain();
  summary_.frames_on_wire = wire_ ? wire_->frames_carried() : 0;
  Check();
  for (Side& s : sides_) s.adapter->Halt();
  for (Side& s : sides_) summary_.ports[s.index] = s.summary;
  summary_.virtual_seconds = static_cast<double>(host_.clock().Now()) / sim::kSecond;
  summary_.real_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  return summary_;
}

}  // namespace

void SoakSummary::Print(std::FILE* out) const {
  for (int i = 0; i < 2; ++i) {
    const SoakPortSummary& p = ports[i];
    std::fprintf(out,
                 "port %d: %llu sent (%llu ok, %llu failed, %llu aborted, %llu refusals retried); "
                 "%llu indicated of %llu due (%llu kept); board dropped %llu by filter, %llu missed, %llu ignored, "
                 "%llu overflowed\n",
                 i, (unsigned long long)p.sent, (unsigned long long)p.succeeded, (unsigned long long)p.failed,
                 (unsigned long long)p.aborted, (unsigned long long)p.refusals, (unsigned long long)p.indicated,
                 (unsigned long long)p.due, (unsigned long long)p.kept, (unsigned long long)p.filtered, (unsigned long long)p.missed,
                 (unsigned long long)p.ignored, (unsigned long long)p.overflowed);
  }
  std::fprintf(out, "%llu frames on the wire, %llu cable pulls, %llu resets, %.1f s simulated in %.1f s\n",
               (unsigned long long)frames_on_wire, (unsigned long long)flaps, (unsigned long long)resets,
               virtual_seconds, real_seconds);
  for (const std::string& f : failures) std::fprintf(out, "FAILED: %s\n", f.c_str());
  std::fprintf(out, "%s\n", ok() ? "soak passed" : "soak FAILED");
}

SoakSummary RunSoak(const SoakOptions& options) {
  auto soak = std::make_unique<Soak>(options);
  return soak->Run();
}

}  // namespace trx_test

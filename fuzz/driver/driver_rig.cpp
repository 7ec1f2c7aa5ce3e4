#include "driver_rig.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "trx_miniport.h"

namespace trx_fuzz {

namespace {

using Mac = std::array<uint8_t, 6>;
constexpr Mac kStation = {0x00, 0x12, 0x34, 0x56, 0x78, 0x9a};  // the board's EEPROM default
constexpr Mac kBroadcast = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};
constexpr Mac kGroup = {0x01, 0x00, 0x5e, 0x00, 0x00, 0x01};
constexpr Mac kStranger = {0x02, 0x00, 0x00, 0x00, 0x00, 0x77};
constexpr Mac kPeer = {0x02, 0x00, 0x00, 0x00, 0x00, 0x01};

hostndis::HostConfig SmallMachine() {
  hostndis::HostConfig config;
  config.contiguous_pages = 256;  // rings and buffers of up to 16 + 16 descriptors
  config.scattered_pages = 256;   // protocol packets
  return config;
}

}  // namespace

void Fail(const char* what, const std::string& detail) {
  std::fprintf(stderr, "driver fuzz: %s%s%s\n", what, detail.empty() ? "" : ": ", detail.c_str());
  std::abort();
}

RigSetup RigSetup::From(FuzzBytes& in) {
  static const sim::PhyModel kPhys[] = {sim::PhyModel::kPhy1378, sim::PhyModel::kPhy7810, sim::PhyModel::kNone,
                                        sim::PhyModel::kUnknown};
  static const uint32_t kThresholds[] = {100, 1, 60, 200, 1000, 1538, 14, 1514};
  RigSetup s;
  uint8_t b = in.Byte();
  s.phy = kPhys[b & 3];
  s.connection_type = (b >> 2) % 5;
  b = in.Byte();
  s.tx_ring = 1 + (b & 15);  // the driver raises rings below its minimum
  s.rx_ring = 1 + (b >> 4);
  s.map_threshold = kThresholds[in.Byte() & 7];
  static const uint8_t kCacheLines[] = {8, 0, 16, 32, 1, 3, 64, 255};
  s.cache_line_words = kCacheLines[in.Byte() & 7];
  // Half the inputs run on the kind board; the others on a named profile,
  // its seed and its delays drawn from the input (a quarter to four times the
  // profile's own).
  std::vector<std::string> names = sim::BoardProfile::Names();
  b = in.Byte();
  if ((b & 0x80) != 0) sim::BoardProfile::Named(names[(b & 0x7f) % names.size()], &s.board);
  b = in.Byte();
  s.board.seed = b & 0x0f;
  static const uint32_t kQuarters[] = {1, 2, 4, 8, 16, 4, 3, 6};
  uint32_t quarters = kQuarters[(b >> 4) & 7];
  for (sim::Nanoseconds* t : {&s.board.dma_delay_min, &s.board.dma_delay_max, &s.board.stop_time,
                              &s.board.reset_time, &s.board.negotiation_time, &s.board.flap_every,
                              &s.board.csr15_lag, &s.board.serial_delay, &s.board.serial_min_half_period,
                              &s.board.rx_writeback_min, &s.board.rx_writeback_max, &s.board.rx_stall_max})
    *t = *t * quarters / 4;
  return s;
}

DriverRig::DriverRig(const RigSetup& setup, sim::ChaosSource* chaos) : host_(SmallMachine()) {
  host_.verifier().set_print(false);
  host_.verifier().SetHook([](const hostndis::Finding& f) { Fail("verifier finding", f.message); });
  if (host_.LoadDriver(DriverEntry) != STATUS_SUCCESS) Fail("DriverEntry failed");
  sim::BoardConfig config;
  config.phy = setup.phy;
  config.cache_line_words = setup.cache_line_words;
  config.profile = setup.board;
  board_ = &host_.AddBoard(config);
  board_->SetChaosSource(chaos);
  hostndis::AdapterOptions options;
  options.send_packets = 64;  // an input sends far fewer; a big pool costs time
  adapter_ = &host_.AddAdapter(*board_, options);
  adapter_->SetKeyword("ConnectionType", setup.connection_type);
  adapter_->SetKeyword("TxRingSize", setup.tx_ring);
  adapter_->SetKeyword("RxRingSize", setup.rx_ring);
  adapter_->SetKeyword("MapThreshold", setup.map_threshold);
  adapter_->set_record_send_completions(false);
  adapter_->OnSendComplete([this](PNDIS_PACKET p, NDIS_STATUS) { Completed(p); });
  adapter_->OnReceive([this](PNDIS_PACKET) {
    return keeping_ ? hostndis::ReceiveAction::kKeep : hostndis::ReceiveAction::kReturn;
  });
  peer_.set_keep_frames(false);
  wire_ = std::make_unique<sim::Wire>(host_.clock(), *board_, peer_, sim::Wire::Pace::kUnlimited);
}

DriverRig::~DriverRig() { board_->SetChaosSource(nullptr); }

bool DriverRig::Initialize() {
  initialized_ = adapter_->Initialize() == NDIS_STATUS_SUCCESS;
  // Auto-negotiation takes a few milliseconds after the settle time; traffic
  // before it would only meet a dead wire.
  if (initialized_) host_.RunUntil([this] { return board_->CurrentMode() != sim::LinkMode::kNone; }, 10 * sim::kMillisecond);
  host_.RunPending();
  // The OIDs to pick from: what the driver says it supports, and a few it
  // answers or refuses without listing them.
  oids_.clear();
  if (initialized_) {
    hostndis::QueryResult list = adapter_->Query(OID_GEN_SUPPORTED_LIST, 512);
    for (std::size_t i = 0; i + 4 <= list.data.size(); i += 4)
      oids_.push_back(list.data[i] | list.data[i + 1] << 8 | list.data[i + 2] << 16 | static_cast<NDIS_OID>(list.data[i + 3]) << 24);
  }
  oids_.insert(oids_.end(), {OID_GEN_RCV_CRC_ERROR, OID_GEN_PHYSICAL_MEDIUM, 0});
  return initialized_;
}

void DriverRig::Completed(PNDIS_PACKET packet) {
  auto it = with_driver_.find(packet);
  if (it == with_driver_.end() || !it->second) Fail("a packet completed that the driver did not have");
  it->second = false;
  done_.push_back(packet);
}

void DriverRig::FreeDone() {
  for (PNDIS_PACKET p : done_) {
    with_driver_.erase(p);
    adapter_->FreePacket(p);
  }
  done_.clear();
}

void DriverRig::Send(FuzzBytes& in) {
  std::vector<PNDIS_PACKET> packets;
  uint32_t count = 1 + in.Byte() % 4;
  for (uint32_t k = 0; k < count; ++k) {
    uint32_t length = 1 + in.Word() % 1600;  // beyond the largest frame too
    uint32_t pieces = 1 + in.Byte() % 3;
    std::vector<hostndis::BufferSpec> buffers;
    uint32_t at = 0;
    for (uint32_t i = 0; i < pieces && at < length; ++i) {
      uint32_t left = length - at;
      uint32_t take = i + 1 == pieces ? left : 1 + in.Word() % left;
      hostndis::BufferSpec b;
      b.bytes.assign(take, static_cast<uint8_t>(at));
      b.page_offset = in.Word() % hostndis::kPageSize;
      buffers.push_back(std::move(b));
      at += take;
    }
    std::vector<uint8_t>& head = buffers[0].bytes;
    std::copy_n(kPeer.begin(), std::min<std::size_t>(6, head.size()), head.begin());
    PNDIS_PACKET p = adapter_->BuildPacket(buffers);
    if (p == nullptr) break;  // protocol memory used up: send what there is
    packets.push_back(p);
  }
  for (PNDIS_PACKET p : packets) with_driver_[p] = true;
  adapter_->Send(packets);
  for (PNDIS_PACKET p : packets) {
    if (adapter_->send_state(p) != hostndis::SendState::kRefused) continue;
    if (!with_driver_[p]) Fail("a packet both refused and completed");
    with_driver_[p] = false;
    done_.push_back(p);
  }
  host_.RunPending();
  FreeDone();
}

void DriverRig::PeerSends(FuzzBytes& in) {
  uint8_t kind = in.Byte();
  uint32_t length = in.Word() % 1600;  // runts and giants too
  static const Mac* const kDestinations[] = {&kStation, &kBroadcast, &kGroup, &kStranger};
  const Mac& to = *kDestinations[kind & 3];
  std::vector<uint8_t> frame(length, static_cast<uint8_t>(kind));
  for (uint32_t i = 0; i < 6 && i < length; ++i) frame[i] = to[i];
  for (uint32_t i = 0; i < 6 && 6 + i < length; ++i) frame[6 + i] = kPeer[i];
  peer_.Send(frame, (kind & 4) != 0);
  host_.RunPending();
  FreeDone();
}

void DriverRig::ReturnHeld(FuzzBytes& in) {
  uint8_t which = in.Byte();
  const std::vector<PNDIS_PACKET>& held = adapter_->held_packets();
  if (!held.empty()) adapter_->ReturnPacket(held[which % held.size()]);
  host_.RunPending();
  FreeDone();
}

void DriverRig::SetKeeping(FuzzBytes& in) { keeping_ = in.Byte() & 1; }

void DriverRig::Query(NDIS_OID oid, ULONG length) {
  adapter_->Query(oid, length);
  host_.RunPending();
  FreeDone();
}

void DriverRig::Set(NDIS_OID oid, const std::vector<uint8_t>& data) {
  adapter_->Set(oid, data);
  host_.RunPending();
  FreeDone();
}

void DriverRig::Reset() {
  // A reset costs a whole bring-up; past one, an input only gets slower.
  if (resets_ == kResetsPerInput) return;
  ++resets_;
  adapter_->Reset();
  // NDIS holds sends and requests until the reset completes.
  host_.RunUntil([this] { return adapter_->last_reset().done; }, 2 * sim::kSecond);
  if (!adapter_->last_reset().done) Fail("a reset that never completed");
  FreeDone();
}

void DriverRig::Run(FuzzBytes& in) {
  host_.RunFor((1 + in.Byte()) * 10 * sim::kMicrosecond);
  FreeDone();
}

void DriverRig::Cable(FuzzBytes& in) {
  if (in.Byte() & 1)
    wire_->Plug();
  else
    wire_->Unplug();
  host_.RunPending();
  FreeDone();
}

void DriverRig::Finish() {
  if (!initialized_) return;
  // Plugged again and given time, an honest board gives every descriptor
  // back; a lying one may not, and Halt must then account for the rest.
  wire_->Plug();
  host_.RunUntil([this] {
    for (const auto& p : with_driver_)
      if (p.second) return false;
    return true;
  }, 20 * sim::kMillisecond);
  FreeDone();
  adapter_->Halt();
  for (const auto& p : with_driver_)
    if (p.second) Fail("a packet sent and never completed");
}

}  // namespace trx_fuzz

// One K250 port under the Trx4n5 driver on a fresh stand-in machine, cabled
// to a far-end station, driven the way a protocol and NDIS would drive it:
// the common ground of the driver's fuzz targets. Every verifier finding and
// every broken promise (a packet completed twice or never) aborts, so that
// libFuzzer keeps the input.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "fuzz_bytes.h"
#include "hostndis/host.h"
#include "sim/board.h"
#include "sim/wire.h"

namespace trx_fuzz {

[[noreturn]] void Fail(const char* what, const std::string& detail = std::string());

// What the input's first bytes choose: the board's PHY, cache line and
// profile (with its seed and timings), and the keywords.
struct RigSetup {
  sim::PhyModel phy = sim::PhyModel::kPhy1378;
  uint32_t tx_ring = 8;
  uint32_t rx_ring = 8;
  uint32_t map_threshold = 100;
  uint32_t connection_type = 0;
  uint8_t cache_line_words = 8;
  sim::BoardProfile board;  // kind, or a named profile with drawn timings

  static RigSetup From(FuzzBytes& in);  // reads 6 bytes
};

class DriverRig {
 public:
  DriverRig(const RigSetup& setup, sim::ChaosSource* chaos);
  ~DriverRig();

  // False when Initialize refused the adapter (the stand-in has checked that
  // it released everything).
  bool Initialize();

  // The operations an input is made of; each takes its arguments from `in`.
  void Send(FuzzBytes& in);        // one to four packets of one to three buffers
  void PeerSends(FuzzBytes& in);   // one frame from the far end, any length
  void ReturnHeld(FuzzBytes& in);  // the protocol gives back a kept packet
  void SetKeeping(FuzzBytes& in);  // whether the protocol keeps what it receives
  // One of the OIDs the driver lists, or of a few more it knows or not.
  NDIS_OID PickOid(uint8_t index) const { return oids_[index % oids_.size()]; }
  void Query(NDIS_OID oid, ULONG length);
  void Set(NDIS_OID oid, const std::vector<uint8_t>& data);
  void Reset();                    // and its completion after the settle time (one per input)
  void Run(FuzzBytes& in);         // the clock moves on by up to 2.5 ms
  void Cable(FuzzBytes& in);       // pull or plug the cable

  // Lets the traffic drain, returns every kept packet and halts; the stand-in
  // checks that nothing was left behind.
  void Finish();

 private:
  void Completed(PNDIS_PACKET packet);
  void FreeDone();

  hostndis::Host host_;
  sim::Board* board_ = nullptr;
  hostndis::Adapter* adapter_ = nullptr;
  sim::FrameEndpoint peer_;
  std::unique_ptr<sim::Wire> wire_;
  std::unordered_map<PNDIS_PACKET, bool> with_driver_;  // packet -> not completed yet
  std::vector<PNDIS_PACKET> done_;
  std::vector<NDIS_OID> oids_;
  bool keeping_ = false;
  bool initialized_ = false;
  static constexpr uint32_t kResetsPerInput = 1;
  uint32_t resets_ = 0;
};

}  // namespace trx_fuzz

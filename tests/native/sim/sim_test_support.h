// Test rig for the simulated board: memory the board can reach, and the
// driver's documented register sequences.
#pragma once

#include <cstring>
#include <memory>
#include <vector>

#include "sim/board.h"

namespace simtest {

// Host memory at [base, base + size) as the board's DMA sees it.
class VectorDma : public sim::DmaSpace {
 public:
  VectorDma(uint32_t base, uint32_t size) : base_(base), memory_(size) {}
  bool DmaRead(uint32_t address, void* dst, uint32_t length) override;
  bool DmaWrite(uint32_t address, const void* src, uint32_t length) override;

  uint32_t Get32(uint32_t address) const;
  void Put32(uint32_t address, uint32_t value);
  uint8_t* At(uint32_t address) { return &memory_[address - base_]; }

 private:
  bool Reaches(uint32_t address, uint32_t length) const;
  uint32_t base_;
  std::vector<uint8_t> memory_;
};

constexpr uint32_t kMemoryBase = 0x00100000;
constexpr uint32_t kCsr(uint32_t n) { return 8 * n; }
constexpr uint32_t kInterruptMask = 0x0401b2fd;  // what the driver enables

// The driver's EEPROM word read through CSR9; `select` is the 0x2800 it ORs in.
uint16_t EepromReadWord(sim::Board& board, uint32_t address, uint32_t select = 0x2800);
// The driver's MII management frames to PHY 1.
uint16_t MiiRead(sim::Board& board, uint32_t reg);
void MiiWrite(sim::Board& board, uint32_t reg, uint16_t value);

std::vector<uint8_t> MakeFrame(const uint8_t dst[6], uint32_t length, uint8_t fill = 0x5a);
std::vector<uint8_t> SetupFrame(const std::vector<std::array<uint8_t, 6>>& addresses);
// A board with the named profile (expecting the name to be known).
sim::BoardConfig WithProfile(const char* name, sim::PhyModel phy = sim::PhyModel::kPhy1378);

// One board (with memory and a clock) cabled to a frame endpoint, bus
// mastering on and the MAC on the board's port. Descriptor and buffer
// helpers lay out rings the way the driver does.
struct Rig {
  explicit Rig(sim::BoardConfig config = sim::BoardConfig(), sim::Wire::Pace pace = sim::Wire::Pace::kUnlimited);

  static constexpr uint32_t kTxRing = kMemoryBase;            // 16 descriptors
  static constexpr uint32_t kRxRing = kMemoryBase + 0x1000;   // 16 descriptors
  static constexpr uint32_t kSetup = kMemoryBase + 0x2000;    // 192 bytes
  static constexpr uint32_t kBuffers = kMemoryBase + 0x10000; // 2 KiB each

  static uint32_t TxDescriptor(uint32_t i) { return kTxRing + 16 * i; }
  static uint32_t RxDescriptor(uint32_t i) { return kRxRing + 16 * i; }
  static uint32_t Buffer(uint32_t i) { return kBuffers + 0x800 * i; }
  uint32_t Tdes0(uint32_t i) { return dma.Get32(TxDescriptor(i)); }
  uint32_t Rdes0(uint32_t i) { return dma.Get32(RxDescriptor(i)); }

  // Chained receive list of `count` descriptors of `size`-byte buffers, all
  // owned by the board except the last (the driver's sentinel); CSR3 and the
  // receive start bit set.
  void StartReceive(uint32_t count, uint32_t size = 1518);
  // CSR4 at the ring and the transmit start bit set; the ring is empty.
  void StartTransmit();
  // Fills transmit descriptor i and hands it over (no poll demand).
  void QueueTx(uint32_t i, uint32_t tdes1, uint32_t buffer1, uint32_t buffer2 = 0);
  void QueueFrame(uint32_t i, const std::vector<uint8_t>& frame, uint32_t extra_tdes1 = 0);
  // A setup frame through the transmit ring at descriptor i, then a poll.
  void LoadFilter(uint32_t i, const std::vector<uint8_t>& setup, uint32_t filter_type = 0);
  void WaitForLink() { clock.Advance(5 * sim::kMillisecond); }

  sim::VirtualClock clock;
  VectorDma dma{kMemoryBase, 0x100000};
  std::unique_ptr<sim::Board> board;
  sim::FrameEndpoint peer;
  std::unique_ptr<sim::Wire> wire;
};

// A rig receiving into `descriptors` chained descriptors, promiscuous (no
// setup frame needed), transmit started, CSR5 clear and the driver's
// interrupts enabled.
struct ReceiveRig : Rig {
  explicit ReceiveRig(const sim::BoardConfig& config = sim::BoardConfig(), uint32_t descriptors = 4, uint32_t size = 1518);
};

constexpr uint8_t kStation[6] = {0x00, 0x12, 0x34, 0x56, 0x78, 0x9a};
constexpr uint8_t kBroadcast[6] = {0xff, 0xff, 0xff, 0xff, 0xff, 0xff};

}  // namespace simtest

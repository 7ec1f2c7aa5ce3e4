// A simulated K250 port: a 21143-family Ethernet controller with its serial
// EEPROM and MII PHY (or none), as the driver sees it through its register
// window, its PCI configuration space, its interrupt line and its DMA.
//
// The board is a register-dispatch model: ReadCsr/WriteCsr and the PCI config
// accessors are the only way in, DMA through a DmaSpace is the only way out to
// host memory, and everything that takes time is scheduled on the VirtualClock.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "sim/board_profile.h"
#include "sim/chaos.h"
#include "sim/clock.h"
#include "sim/dma.h"
#include "sim/wire.h"

namespace sim {

enum class PhyModel {
  kPhy1378,   // identifier 0x001378e0 (+revision); status in register 0x11
  kPhy7810,   // identifier 0x78100000 (+revision); status in register 0x14
  kUnknown,   // answers with BoardConfig::unknown_phy_id, no vendor status registers
  kNone,      // nothing at MII address 1: the controller's serial interface is used
};

struct BoardConfig {
  // PCI identity and configuration space.
  uint32_t pci_id = 0x00191011;          // offset 0x00: device << 16 | vendor
  uint32_t pci_subsystem = 0x02507c3a;   // offset 0x2c: subsystem id << 16 | subsystem vendor
  uint8_t cache_line_words = 8;          // offset 0x0c low byte, in 32-bit words
  uint32_t slot = 0;                     // the PCI slot the board sits in
  // Command register at power-up: firmware has enabled memory decoding (bit 1);
  // bus mastering (bit 2) is left to the driver.
  uint16_t pci_command = 0x0002;
  // Assigned resources.
  uint32_t csr_physical = 0xfebf0000;    // memory resource: register window
  uint32_t csr_length = 0x400;
  bool has_interrupt = true;             // an interrupt resource is assigned
  uint32_t interrupt_level = 11;
  uint32_t interrupt_vector = 11;
  // EEPROM contents; the default holds the station address 00-12-34-56-78-9A
  // in words 0x2a..0x2c (high byte of each word first).
  std::array<uint16_t, 64> eeprom = DefaultEeprom();
  // PHY.
  PhyModel phy = PhyModel::kPhy1378;
  uint32_t phy_revision = 0;             // low four bits of the identifier
  uint32_t unknown_phy_id = 0x00137812;  // identifier answered by kUnknown
  uint16_t phy_advertisement = 0x01e1;   // register 4 after reset (1 = selector only)
  // Cycles of the 16-bit MII status read that a PHY needs after reset before
  // it reports itself ready (register 0 bit 15 clear).
  uint32_t phy_reset_reads = 2;
  // How far the board departs from the kind model (board_profile.h).
  BoardProfile profile;

  static std::array<uint16_t, 64> DefaultEeprom();
  static std::array<uint16_t, 64> EepromWithAddress(const uint8_t mac[6]);
};

// Error injection on transmit: applies to the next `count` frames sent.
struct TxFault {
  enum Kind { kUnderflow, kCollisions, kExcessiveCollisions, kCarrierLoss, kNoCarrier, kDeferred };
  Kind kind;
  uint32_t collisions = 1;  // for kCollisions: count written into TDES0 bits 6-3
  uint32_t count = 1;
};

// What the last setup frame programmed.
struct ReceiveFilter {
  enum Mode { kPerfect, kHash, kHashOnly, kInverse } mode = kPerfect;
  // 16 entries in perfect and inverse mode; in hash mode the one physical
  // address (words 39-41) that unicast frames are compared with.
  std::vector<std::array<uint8_t, 6>> perfect;
  std::array<uint16_t, 32> hash{};              // 512-bit table (hash and hash-only modes)
  std::array<uint32_t, 48> raw{};               // the 48 setup-frame words as read
  bool programmed = false;                      // a setup frame has been processed since reset
};

// What a setup frame (its 192 bytes and the TDES1 of its descriptor, whose
// bits 22 and 28 give the filtering type) programs into a chip's filter.
ReceiveFilter DecodeSetupFrame(const uint8_t* setup, uint32_t tdes1);

// One register or DMA access, for tests that check sequences.
struct TraceEntry {
  enum Kind { kCsrRead, kCsrWrite, kPciRead, kPciWrite, kDmaRead, kDmaWrite, kInterrupt } kind;
  Nanoseconds at;
  uint32_t address;  // CSR offset, PCI offset or bus address; for kInterrupt 1/0
  uint32_t value;    // register value, or DMA length
};

class Board : public WirePort {
 public:
  Board(VirtualClock& clock, DmaSpace& dma, const BoardConfig& config = BoardConfig());
  ~Board() override;
  Board(const Board&) = delete;
  Board& operator=(const Board&) = delete;

  const BoardConfig& config() const;

  // --- The driver's way in -------------------------------------------------
  // Offsets are from the start of the register window (CSRn at 8 * n).
  // Accesses outside CSR0..CSR15 read 0xffffffff and ignore writes.
  uint32_t ReadCsr(uint32_t offset);
  void WriteCsr(uint32_t offset, uint32_t value);
  // Configuration space of the board's own slot (dword offsets).
  uint32_t ReadPciConfig(uint32_t offset);
  void WritePciConfig(uint32_t offset, uint32_t value);

  // The INTA line: asserted while CSR5 & CSR7 has an enabled summary bit.
  // The listener runs on every change, from inside whatever call changed it.
  bool InterruptAsserted() const;
  void SetInterruptListener(std::function<void(bool asserted)> listener);

  // --- What a test can see and change --------------------------------------
  uint16_t EepromWord(uint32_t address) const;
  void SetEepromWord(uint32_t address, uint16_t value);
  // Direct (non-bit-banged) access to the PHY's registers; no-op / 0xffff
  // without a PHY.
  uint16_t PhyRegister(uint32_t reg) const;
  void SetPhyRegister(uint32_t reg, uint16_t value);

  // Link events: the serial interface raises link pass/fail (CSR5 bits 4/12),
  // a PHY raises the general-purpose port interrupt (CSR5 bit 26) and latches
  // its interrupt until MII registers 1 and its vendor register are read.
  LinkMode CurrentMode() const;   // what this board's port runs at, kNone if no link
  // The PHY's interrupt output (latched link change, enabled in its vendor
  // register); false without a PHY.
  bool PhyInterruptLine() const;

  void InjectTxFault(const TxFault& fault);
  // The next `count` received frames get the dribbling bit (alignment error).
  void InjectRxDribble(uint32_t count = 1);

  const ReceiveFilter& filter() const;

  // The transmit process takes one descriptor now, outside its own schedule
  // (a race finder lets the chip run between two of the driver's stores): a
  // frame sent with its status written back, or a setup or dummy descriptor
  // processed. False when it cannot (stopped, or a frame still on the wire).
  bool TakeDmaStep();

  // Reports what `source` makes of each value (see sim/chaos.h) from now on;
  // null makes the board honest again. The source must outlive its use.
  void SetChaosSource(ChaosSource* source);

  // Trace of register and DMA accesses; off by default (it costs time).
  void EnableTrace(bool on);
  const std::vector<TraceEntry>& trace() const;
  void ClearTrace();

  struct Counters {
    uint64_t tx_frames = 0;       // frames put on the wire
    uint64_t tx_setup_frames = 0;
    uint64_t rx_frames = 0;       // frames written to receive buffers (cut ones not included)
    uint64_t rx_filtered = 0;     // frames dropped by the address filter
    uint64_t rx_missed = 0;       // frames lost for want of a descriptor
    uint64_t rx_fifo_lost = 0;    // frames lost to a full receive FIFO (CSR8 bits 17-27)
    uint64_t rx_fifo_cut = 0;     // frames closed with an overflow: part of them found room
    uint64_t rx_watchdog_cut = 0; // frames the receive watchdog cut
    uint64_t rx_reset_lost = 0;   // whole frames stored whose status a reset lost
    uint64_t rx_runts_crc = 0;    // frames that arrived with a bad FCS
    uint64_t rx_runts = 0;        // frames under 64 bytes dropped (CSR6 bit 3 clear)
    uint64_t rx_ignored = 0;      // frames arriving with no link or the receiver stopped
    uint64_t tx_no_link = 0;      // frames completed with carrier errors, not sent
    uint64_t tx_bad_setup = 0;    // setup descriptors whose buffer was not 192 bytes
    uint64_t dma_errors = 0;      // master aborts (no bus mastering, unreachable address)
  };
  const Counters& counters() const;

  // --- WirePort ------------------------------------------------------------
  void FrameArrived(const uint8_t* frame, uint32_t length) override;
  void PeerChanged() override;
  bool AutoNegotiates() const override;
  Abilities Advertised() const override;
  LinkMode ForcedMode() const override;
  bool Transmitting() const override;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace sim

// The descriptor race rule: checks the driver's stores into its descriptor
// area, one by one, against what the chip owns and reads.
//
// A descriptor is chip-owned while bit 31 of its word 0 is set in memory and
// the chip's process for its ring (transmit or receive) is not stopped: a
// stopped process reads nothing, so the driver may take its descriptors back
// (a restart flushes the ring that way). Word 0 in memory is the truth: the
// driver sets bit 31 to hand a descriptor over, the chip clears it when it
// writes the descriptor's status back (a give-back).
//
// A word is written for a hand-over when the driver stored into it after the
// chip last gave the descriptor back. When the rule is armed every word of
// every descriptor counts as written (the rings are quiescent then).
// Words a hand-over needs: TDES1, TDES2 and TDES3 of a transmit descriptor
// (control, both buffers), RDES2 and RDES3 of a receive descriptor (buffer,
// next in the chain; RDES1 never changes after set-up).
//
// Findings (rule kDescriptorRace):
// - the driver stores into a word of a chip-owned descriptor, or into the
//   setup frame while a chip-owned setup descriptor points at it (handing
//   over, a store setting bit 31 into word 0 of a host-owned descriptor, is
//   allowed);
// - the chip reads a chip-owned descriptor of which a needed word is not
//   written for this hand-over.
// Each names the descriptor (ring, index, bus address), the word and the
// store (its EIP and the image offset).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kimage {

constexpr const char kDescriptorRace[] = "DescriptorRace";

// The driver's descriptor area: the transmit ring, the receive ring, then
// the 192-byte setup frame, 16 bytes per descriptor.
struct DescriptorArea {
  uint32_t bus = 0;       // bus address of its first byte
  uint32_t emulated = 0;  // the same byte as the image addresses it
  const uint8_t* host = nullptr;
  uint32_t tx_count = 0, rx_count = 0;
  static constexpr uint32_t kSetupFrameLength = 192;
  uint32_t setup_offset() const { return (tx_count + rx_count) * 16; }
  uint32_t length() const { return setup_offset() + kSetupFrameLength; }
};

class DescriptorRaceRule {
 public:
  struct Hooks {
    std::function<void(const std::string& what)> report;
    // Whether the chip's transmit (true) or receive (false) process runs.
    std::function<bool(bool transmit)> process_running;
    // How a code address is named in findings ("Trx4n5.sys+0x1a2b").
    std::function<std::string(uint32_t eip)> code_name;
  };
  DescriptorRaceRule(const DescriptorArea& area, Hooks hooks);

  // A store of the driver at emulated `address`, before it lands.
  void DriverStore(uint32_t address, uint32_t size, uint32_t value, uint32_t eip);
  // The chip's DMA (after it happened, for writes).
  void ChipRead(uint32_t bus, uint32_t length);
  void ChipWrote(uint32_t bus, uint32_t length);

  uint64_t stores_seen() const { return stores_; }

 private:
  struct Track {
    uint8_t written = 0x0f;  // words stored since the last give-back
    uint32_t handover_eip = 0;
    bool frame_reported = false;  // a setup descriptor: its frame's race, once per hand-over
  };
  bool Transmit(uint32_t index) const { return index < area_.tx_count; }
  uint32_t Word0(uint32_t index) const;
  bool ChipOwns(uint32_t index) const;
  std::string Name(uint32_t index) const;
  std::string Store(uint32_t eip) const;
  void CheckSetupFrame(uint32_t offset, uint32_t eip);

  DescriptorArea area_;
  Hooks hooks_;
  std::vector<Track> tracks_;
  uint64_t stores_ = 0;
};

}  // namespace kimage

#include "kimage/descriptor_race.h"

#include <cstdio>
#include <cstring>

namespace kimage {
namespace {

constexpr uint32_t kOwn = 0x80000000u;
constexpr uint32_t kSetupPacket = 1u << 27;  // TDES1
constexpr uint8_t kTransmitNeeds = 0x0e;     // TDES1, TDES2, TDES3
constexpr uint8_t kReceiveNeeds = 0x0c;      // RDES2, RDES3

std::string Hex32(uint32_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "0x%08x", v);
  return b;
}

}  // namespace

DescriptorRaceRule::DescriptorRaceRule(const DescriptorArea& area, Hooks hooks)
    : area_(area), hooks_(std::move(hooks)), tracks_(area.tx_count + area.rx_count) {}

uint32_t DescriptorRaceRule::Word0(uint32_t index) const {
  uint32_t v;
  std::memcpy(&v, area_.host + 16 * index, 4);
  return v;
}

bool DescriptorRaceRule::ChipOwns(uint32_t index) const {
  return (Word0(index) & kOwn) != 0 && hooks_.process_running(Transmit(index));
}

std::string DescriptorRaceRule::Name(uint32_t index) const {
  bool tx = Transmit(index);
  uint32_t n = tx ? index : index - area_.tx_count;
  return std::string(tx ? "transmit" : "receive") + " descriptor " + std::to_string(n) + " (bus " +
         Hex32(area_.bus + 16 * index) + ")";
}

std::string DescriptorRaceRule::Store(uint32_t eip) const {
  return "the store at EIP " + Hex32(eip) + " (" + hooks_.code_name(eip) + ")";
}

void DescriptorRaceRule::DriverStore(uint32_t address, uint32_t size, uint32_t value, uint32_t eip) {
  ++stores_;
  uint32_t offset = address - area_.emulated;
  if (offset >= area_.length()) return;
  if (offset >= area_.setup_offset()) {
    CheckSetupFrame(offset, eip);
    return;
  }
  uint32_t index = offset / 16, in = offset % 16;
  uint32_t first = in / 4, last = (in + size - 1) / 4;
  if (last > 3) last = 3;
  Track& t = tracks_[index];
  const char* prefix = Transmit(index) ? "TDES" : "RDES";
  if (ChipOwns(index)) {
    hooks_.report("the driver stores " + Hex32(value) + " into " + prefix + std::to_string(first) + " of " +
                  Name(index) + " while the chip owns it: " + Store(eip));
  } else if (in == 0 && size >= 4 && (value & kOwn)) {
    t.handover_eip = eip;  // handing over
    t.frame_reported = false;
  }
  for (uint32_t w = first; w <= last; ++w) t.written |= static_cast<uint8_t>(1u << w);
}

void DescriptorRaceRule::CheckSetupFrame(uint32_t offset, uint32_t eip) {
  uint32_t frame_bus = area_.bus + area_.setup_offset();
  for (uint32_t i = 0; i < area_.tx_count; ++i) {
    uint32_t d[4];
    std::memcpy(d, area_.host + 16 * i, sizeof d);
    if (!(d[0] & kOwn) || !(d[1] & kSetupPacket) || d[2] != frame_bus || tracks_[i].frame_reported) continue;
    if (!hooks_.process_running(true)) return;
    tracks_[i].frame_reported = true;
    hooks_.report("the driver stores into word " + std::to_string((offset - area_.setup_offset()) / 4) +
                  " of the setup frame while " + Name(i) + ", a setup descriptor the chip owns, points at it: " +
                  Store(eip));
  }
}

void DescriptorRaceRule::ChipRead(uint32_t bus, uint32_t length) {
  uint32_t offset = bus - area_.bus;
  if (offset >= area_.setup_offset() || offset % 16 != 0 || length < 16) return;
  uint32_t index = offset / 16;
  if (!(Word0(index) & kOwn)) return;
  Track& t = tracks_[index];
  uint8_t missing = static_cast<uint8_t>((Transmit(index) ? kTransmitNeeds : kReceiveNeeds) & ~t.written);
  if (missing == 0) return;
  t.written |= missing;  // once per hand-over
  std::string words;
  const char* prefix = Transmit(index) ? "TDES" : "RDES";
  for (uint32_t w = 1; w < 4; ++w)
    if (missing & (1u << w)) words += std::string(words.empty() ? "" : ", ") + prefix + std::to_string(w);
  hooks_.report("the chip reads " + Name(index) + ", which it owns, before " + words +
                " was written for this hand-over (handed over by " + Store(t.handover_eip) + ")");
}

void DescriptorRaceRule::ChipWrote(uint32_t bus, uint32_t length) {
  uint32_t offset = bus - area_.bus;
  if (offset >= area_.setup_offset() || offset % 16 != 0 || length < 4) return;
  uint32_t index = offset / 16;
  if (!(Word0(index) & kOwn)) tracks_[index].written = 0;  // given back
}

}  // namespace kimage

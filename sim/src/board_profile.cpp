#include "sim/board_profile.h"

#include <cstdlib>

namespace sim {

namespace {

// Each behaviour sets its own fields; `realistic` applies them all.
void AsyncDma(BoardProfile& p) {
  p.dma_delay_min = 2 * kMicrosecond;
  p.dma_delay_max = 400 * kMicrosecond;
}
void SlowStops(BoardProfile& p) { p.stop_time = 150 * kMicrosecond; }
void SlowReset(BoardProfile& p) { p.reset_time = 2 * kMicrosecond; }  // about 50 PCI clocks
void SlowLink(BoardProfile& p) {
  p.negotiation_time = 1800 * kMillisecond;
  p.csr15_lag = 200 * kMicrosecond;
}
void Flapping(BoardProfile& p) { p.flap_every = 5 * kSecond; }
void ZeroStatus(BoardProfile& p) { p.zero_status_on_empty = true; }
void ModeBits(BoardProfile& p) {
  p.duplex_mismatch_errors = true;
  p.threshold_underflows = true;
}
void SerialTiming(BoardProfile& p) {
  p.serial_delay = 300;            // MII: valid within 300 ns of the clock
  p.serial_min_half_period = 400;  // the slower of the two buses
  p.phy_reset_reads = 8;           // about 1 ms
}
void MdioHigh(BoardProfile& p) { p.mdio_idles_high = true; }
void ResetValues(BoardProfile& p) { p.documented_registers = true; }
void RxStatus(BoardProfile& p) {
  p.rx_writeback_min = 1 * kMicrosecond;
  p.rx_writeback_max = 8 * kMicrosecond;
  p.rx_stall_one_in = 1000;  // another bus master or a slow host bridge
  p.rx_stall_max = 1 * kMillisecond;
  p.rx_fifo_bytes = 2048;
  p.rx_watchdog = true;
  p.rx_running_lengths = true;
}

void (*const kBehaviours[])(BoardProfile&) = {AsyncDma, SlowStops,    SlowReset, SlowLink,    ZeroStatus,
                                              ModeBits, SerialTiming, MdioHigh,  ResetValues, RxStatus};

void Realistic(BoardProfile& p) {
  for (auto apply : kBehaviours) apply(p);
  p.flap_every = 30 * kSecond;  // rare enough for a test, often enough for a soak
}

struct Entry {
  const char* name;
  void (*apply)(BoardProfile&);
};

const Entry kProfiles[] = {
    {"kind", [](BoardProfile&) {}},
    {"realistic", Realistic},
    {"async-dma", AsyncDma},
    {"slow-stops", SlowStops},
    {"slow-reset", SlowReset},
    {"slow-link", SlowLink},
    {"flapping", Flapping},
    {"zero-status", ZeroStatus},
    {"mode-bits", ModeBits},
    {"serial-timing", SerialTiming},
    {"mdio-high", MdioHigh},
    {"reset-values", ResetValues},
    {"rx-status", RxStatus},
};

}  // namespace

bool BoardProfile::Kind() const {
  return dma_delay_max == 0 && stop_time == 0 && reset_time == 0 && negotiation_time == 0 && csr15_lag == 0 && flap_every == 0 &&
         serial_delay == 0 && serial_min_half_period == 0 && phy_reset_reads == 0 && !zero_status_on_empty && !duplex_mismatch_errors && !threshold_underflows && !mdio_idles_high &&
         !documented_registers && rx_writeback_max == 0 && rx_fifo_bytes == 0 && !rx_watchdog && !rx_running_lengths;
}

bool BoardProfile::Named(const std::string& name, BoardProfile* out) {
  for (const Entry& e : kProfiles) {
    if (name != e.name) continue;
    uint32_t seed = out->seed;
    *out = BoardProfile();
    e.apply(*out);
    out->name = e.name;
    out->seed = seed;
    return true;
  }
  return false;
}

std::vector<std::string> BoardProfile::Names() {
  std::vector<std::string> names;
  for (const Entry& e : kProfiles) names.push_back(e.name);
  return names;
}

bool BoardProfile::Parse(const std::string& text, BoardProfile* out) {
  std::string::size_type colon = text.find(':');
  BoardProfile p;
  if (colon != std::string::npos) {
    std::string seed = text.substr(colon + 1);
    char* end = nullptr;
    unsigned long v = std::strtoul(seed.c_str(), &end, 10);
    if (seed.empty() || *end != '\0' || seed[0] == '-' || v > 0xffffffffUL) return false;
    p.seed = static_cast<uint32_t>(v);
  }
  if (!Named(text.substr(0, colon), &p)) return false;
  *out = p;
  return true;
}

}  // namespace sim

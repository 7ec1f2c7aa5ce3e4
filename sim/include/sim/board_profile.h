// Board profiles: how far the simulated board departs from the kind model
// (instant DMA, instant stops and resets, a link that is always up in time)
// towards what silicon does. Every departure has its own setting; a named
// profile fills them in. All randomness comes from `seed`, so a run repeats.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/clock.h"

namespace sim {

struct BoardProfile {
  std::string name = "kind";
  uint32_t seed = 1;

  // Asynchronous DMA: a poll demand (or a finished frame) has the transmit
  // process take its next descriptor after a delay drawn from [min, max];
  // one descriptor per step, so the driver runs between the chip's steps.
  // 0 keeps the walk inside the register write that asks for it.
  Nanoseconds dma_delay_min = 0;
  Nanoseconds dma_delay_max = 0;
  // Slow stops: a process told to stop keeps its CSR5 state this long (and
  // at least until the frame on the wire has left).
  Nanoseconds stop_time = 0;
  // A software reset takes this long; register writes meanwhile are lost.
  Nanoseconds reset_time = 0;
  // Auto-negotiation time (0: 2 ms). Longer than the driver's 1.5 s settle
  // wait means the link comes up after bring-up has finished.
  Nanoseconds negotiation_time = 0;
  // Link flaps: about this long after each link-up (half to one and a half
  // times, drawn) the link drops and is negotiated again, as both ends see it.
  Nanoseconds flap_every = 0;
  // The serial interface's CSR15 link indication lags CSR12 by this long.
  Nanoseconds csr15_lag = 0;
  // Dummy and setup descriptors are closed with status 0.
  bool zero_status_on_empty = false;
  // A CSR6 duplex that disagrees with the link costs frames their status:
  // late collisions (full-duplex MAC on a half-duplex link) or carrier loss
  // (half-duplex MAC on a full-duplex link).
  bool duplex_mismatch_errors = false;
  // Without store and forward (CSR6 bit 21), a frame longer than the
  // transmit threshold (CSR6 bits 14-15) may outrun the PCI bus and underflow:
  // one frame in 16 at the lowest threshold, half as many per step up.
  bool threshold_underflows = false;
  // Serial bus timing (EEPROM and MII through CSR9): a data bit becomes
  // readable this long after the clock edge that shifts it out, and a clock
  // level held shorter than the minimum half period is not seen at all.
  Nanoseconds serial_delay = 0;
  Nanoseconds serial_min_half_period = 0;
  // A PHY reset lasts at least this many management reads (BoardConfig's
  // phy_reset_reads if longer); at the driver's pace a read takes ~130 us.
  uint32_t phy_reset_reads = 0;
  // The management data line idles high: with nothing driving it (no PHY)
  // every PHY register reads 0xffff.
  bool mdio_idles_high = false;
  // Registers read as the chip documents them: its values after a software
  // reset and at power up (CSR6 promiscuous, CSR9 in MII read mode, the
  // serial interface's registers all ones in their low halves), reserved and
  // unused bits that read as ones whatever was written, CSR5's error bits
  // kept until the next reset, CSR12's receive-activity bit.
  bool documented_registers = false;
  // Receive write-back: a frame's data goes to its buffers at once, its RDES0
  // words and the receive interrupt follow after a delay drawn from
  // [min, max], in order behind the frames before it; CSR5 shows an early
  // receive (bit 14) meanwhile. 0 writes everything at once.
  Nanoseconds rx_writeback_min = 0;
  Nanoseconds rx_writeback_max = 0;
  // One write-back in `rx_stall_one_in` waits up to `rx_stall_max` more for
  // the bus. Frames arriving back to back meanwhile fill the receive FIFO
  // (`rx_fifo_bytes`, 0: never full): a frame with no room is lost and counted
  // in CSR8 bits 17-27, one that found some room is closed with an overflow.
  uint32_t rx_stall_one_in = 0;
  Nanoseconds rx_stall_max = 0;
  uint32_t rx_fifo_bytes = 0;
  // The receive watchdog cuts a frame after 2048 to 2560 bytes (RDES0 bits 4
  // and 7, CSR5 bit 9).
  bool rx_watchdog = false;
  // Descriptors before a frame's last hold the byte count so far in their
  // length field, valid in the last descriptor only.
  bool rx_running_lengths = false;

  bool Kind() const;
  // The same profile for port `n` of a machine: its own seed, so that two
  // boards on one wire do not draw the same delays.
  BoardProfile ForPort(uint32_t n) const {
    BoardProfile p = *this;
    p.seed += n;
    return p;
  }
  // Fills `out` with the named profile (seed kept); false for an unknown name.
  static bool Named(const std::string& name, BoardProfile* out);
  static std::vector<std::string> Names();
  // Parses "NAME" or "NAME:SEED".
  static bool Parse(const std::string& text, BoardProfile* out);
};

}  // namespace sim

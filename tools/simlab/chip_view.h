// What a tool shows of a port's chip: the simulated board's own state, or
// what a real chip gives through its registers (its serial ROM and PHY
// through CSR9, its filter from the last setup frame it took).
#pragma once

#include <cstdint>

#include "sim/board.h"
#include "simlab.h"

namespace simlab {

// Between two clock edges on a real chip's CSR9: its setup and hold times.
void PauseForRealChip();

uint16_t EepromWord(Port& port, uint32_t address);
// A register of the PHY at MII address 1.
uint16_t PhyRegister(Port& port, uint32_t reg);
uint32_t ReadCsr(Port& port, uint32_t offset);
// The last value the driver wrote to a CSR.
uint32_t LastWritten(Port& port, uint32_t offset);
// The receive filter: the board's, or what the last setup frame the chip
// took from the transmit ring programs (not programmed when none is left
// in the ring).
sim::ReceiveFilter CurrentFilter(Lab& lab, Port& port);
// What the newest setup frame in `adapter`'s transmit ring that the chip has
// given back programs (its records needed).
sim::ReceiveFilter SetupFrameFilter(hostndis::PhysicalMemory& memory, const ADAPTER_CONTEXT& adapter);

}  // namespace simlab

// Dumps of what the chip holds at the end of a run: its registers and the
// receive filter its last setup frame programmed.
#pragma once

#include "json_writer.h"
#include "sim/board.h"
#include "simlab.h"

// "csr": CSR0 to CSR15 as the chip answers reads now.
void WriteCsrDump(JsonWriter& json, simlab::Port& port);
// "filter": the mode of the last setup frame and its 16 perfect addresses,
// or the hash indices set in its table (with the one perfect address that a
// hash frame keeps beside it).
void WriteFilterDump(JsonWriter& json, const sim::ReceiveFilter& filter);

// Classic pcap output (microsecond timestamps, link type Ethernet).
#pragma once

#include <cstdint>
#include <cstdio>

#include "sim/clock.h"

namespace sim::detail {

bool WritePcapHeader(std::FILE* file);
void WritePcapRecord(std::FILE* file, Nanoseconds at, const uint8_t* data, uint32_t length);

}  // namespace sim::detail

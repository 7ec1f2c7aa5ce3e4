// "reg_info": an adapter's eleven creation values as 32-bit little-endian
// numbers, in their model order.
#pragma once

#include <cstdint>

#include "model/adapters.h"

constexpr int REG_INFO_SIZE = 44;

void Pack_Reg_Info(const AdapterValues& values, uint8_t (&data)[REG_INFO_SIZE]);
AdapterValues Unpack_Reg_Info(const uint8_t (&data)[REG_INFO_SIZE]);

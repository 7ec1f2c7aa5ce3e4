#include "reg_info.h"

namespace {
constexpr int32_t AdapterValues::*FIELDS[] = {
    &AdapterValues::Model,        &AdapterValues::BusType,        &AdapterValues::BusWidth,
    &AdapterValues::BusNumber,    &AdapterValues::DeviceNumber,   &AdapterValues::SlotNumber,
    &AdapterValues::FunctionNumber, &AdapterValues::PortNumber,   &AdapterValues::ConnectionType,
    &AdapterValues::RdCount,      &AdapterValues::TdCount,
};
static_assert(sizeof FIELDS / sizeof FIELDS[0] * 4 == REG_INFO_SIZE, "eleven numbers");
}  // namespace

void Pack_Reg_Info(const AdapterValues& values, uint8_t (&data)[REG_INFO_SIZE])
{
  int offset = 0;
  for (auto field : FIELDS) {
    const uint32_t number = static_cast<uint32_t>(values.*field);
    for (int shift = 0; shift < 32; shift += 8) data[offset++] = static_cast<uint8_t>(number >> shift);
  }
}

AdapterValues Unpack_Reg_Info(const uint8_t (&data)[REG_INFO_SIZE])
{
  AdapterValues values{};
  int offset = 0;
  for (auto field : FIELDS) {
    uint32_t number = 0;
    for (int shift = 0; shift < 32; shift += 8) number |= static_cast<uint32_t>(data[offset++]) << shift;
    values.*field = static_cast<int32_t>(number);
  }
  return values;
}

#pragma once
#include <cstdint>

// The eleven creation values of an adapter, always handled together in this
// order (PortsList entry of the text list, registry value reg_info).
struct AdapterValues {
  int32_t Model;
  int32_t BusType;          // 5 = PCI
  int32_t BusWidth;         // 32 or 64
  int32_t BusNumber;
  int32_t DeviceNumber;
  int32_t SlotNumber;
  int32_t FunctionNumber;
  int32_t PortNumber;
  int32_t ConnectionType;   // value type 1
  int32_t RdCount;          // value type 2; 0 = not set
  int32_t TdCount;          // value type 3; 0 = not set
};

// One physical adapter port. Identified by (BusNumber, SlotNumber, FunctionNumber).
struct Adapter : AdapterValues {
  int32_t adapter_id;   // shown in brackets in msg
  int32_t link_id;      // LinkID of its trunk; 0 = unassigned
  char* msg;            // display name, at most 79 characters, owned
  Adapter* next;
};

constexpr int32_t PCI_BUS_TYPE = 5;
constexpr int DISPLAY_NAME_MAX = 79;

enum AdapterValueType { VALUE_CONNECTION_TYPE = 1, VALUE_RD_COUNT = 2, VALUE_TD_COUNT = 3 };

// Finds the adapter at the values' location and updates its PortNumber,
// ConnectionType, RdCount and TdCount, or appends a new one.
Adapter* Add_Adapter(const AdapterValues& values);

// The n-th adapter (0-based, list order) whose link_id equals `linkId`.
Adapter* Get_Nth_Adapter(int n, int32_t linkId);

int Set_Adapter_Value(Adapter* adapter, int valueType, int32_t value);

// Gives the adapter a stored id: refused (0, message) when it is not above 0
// or another adapter holds it. Ids handed out later stay above it.
int Set_Adapter_Id(Adapter* adapter, int32_t id);
// Replaces the display name with a copy of `text` cut to 79 characters.
int Replace_Display_Name(Adapter* adapter, const char* text);

void Delete_All_Adapters();

Adapter* First_Adapter();
int Adapter_Count();

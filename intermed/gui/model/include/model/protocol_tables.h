#pragma once
#include <cstdint>

// The choices that the rule entry dialog offers; the last row of each
// table stands for any other value.
struct ProtocolRow {
  uint32_t code;
  char name[32];
  char label[64];
};

constexpr int PROTOCOL_TABLE_ROWS = 4;

extern const ProtocolRow Net_Protocol_Table[PROTOCOL_TABLE_ROWS];
extern const ProtocolRow Transport_Protocol_Table[PROTOCOL_TABLE_ROWS];
extern const ProtocolRow Socket_Table[PROTOCOL_TABLE_ROWS];

enum : uint32_t {
  NETPROTO_IP = 0x0800,
  NETPROTO_IPX = 0x8137,
  NETPROTO_IPX_ALT = 0x8138,
  NETPROTO_APPLETALK = 0x809B,
  PROTOTYPE_ICMP = 1,
  PROTOTYPE_TCP = 6,
  PROTOTYPE_UDP = 0x17,   // as the stored configurations code it
  SOCKET_FTP = 20,
  SOCKET_SMTP = 25,
  SOCKET_HTTP = 80,
};

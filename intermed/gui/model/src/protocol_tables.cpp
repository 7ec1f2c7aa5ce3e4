#include "model/protocol_tables.h"

const ProtocolRow Net_Protocol_Table[PROTOCOL_TABLE_ROWS] = {
  {NETPROTO_IP, "IP", "(0x0800)IP"},
  {NETPROTO_IPX, "IPX", "(0x8137)IPX"},
  {NETPROTO_APPLETALK, "AppleTalk", "(0x809B)AppleTalk"},
  {0, "Other", "(0)Other"},
};

const ProtocolRow Transport_Protocol_Table[PROTOCOL_TABLE_ROWS] = {
  {PROTOTYPE_TCP, "TCP", "(0x0006)TCP"},
  {PROTOTYPE_UDP, "UDP", "(0x0017)UDP"},
  {PROTOTYPE_ICMP, "ICMP", "(0x0001)ICMP"},
  {0, "Other", "(0)Other"},
};

const ProtocolRow Socket_Table[PROTOCOL_TABLE_ROWS] = {
  {SOCKET_FTP, "ftp", "(20)ftp"},
  {SOCKET_SMTP, "smtp", "(25)smtp"},
  {SOCKET_HTTP, "http", "(80)http"},
  {0, "Other", "(0)Other"},
};

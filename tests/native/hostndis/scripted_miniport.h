// A miniport whose handlers do whatever the running test scripts, so that a
// test can make any NDIS call from inside any handler. Handlers without a
// script do the least a miniport must: Initialize picks 802.3 and sets the
// attributes, SendPackets refuses, requests answer INVALID_OID.
#pragma once

#include <functional>

#include <ndis.h>

namespace hostndis_test {

struct Script {
  NDIS_HANDLE handle = nullptr;  // the adapter's MiniportAdapterHandle, once initialized
  NDIS_HANDLE wrapper_context = nullptr;
  std::function<NDIS_STATUS()> initialize;  // after NdisMSetAttributesEx
  std::function<void()> halt;
  std::function<void(PPNDIS_PACKET, UINT)> send_packets;
  std::function<void(PNDIS_PACKET)> return_packet;
  std::function<NDIS_STATUS(NDIS_OID, PVOID, ULONG, PULONG, PULONG)> query;
  std::function<NDIS_STATUS(NDIS_OID, PVOID, ULONG, PULONG, PULONG)> set;
  std::function<NDIS_STATUS(PBOOLEAN)> reset;
  std::function<bool()> isr;  // returns recognized; queues the deferred routine when true
  std::function<void()> handle_interrupt;
  bool set_attributes = true;
  int isr_calls = 0;
  int dpc_calls = 0;
};

// The script the handlers follow (one test at a time).
void SetScript(Script* script);
NTSTATUS NTAPI ScriptedDriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath);

}  // namespace hostndis_test

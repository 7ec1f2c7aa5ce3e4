// Routines of the chip layer that its own files share. The miniport layer
// does not include this header: it reaches the chip through CHIP_OPS only.
#pragma once

#include "trx_adapter.h"

// Serial EEPROM and MII management (trx_serial.cpp).
USHORT MiiRead(PADAPTER_CONTEXT A, ULONG Register);
VOID MiiWrite(PADAPTER_CONTEXT A, ULONG Register, USHORT Value);
USHORT EepromReadWord(PADAPTER_CONTEXT A, ULONG Address);
VOID ReadEepromAddress(PADAPTER_CONTEXT A, PUCHAR Address);

// PHY and link (trx_phy.cpp, trx_link.cpp).
VOID DetectPhy(PADAPTER_CONTEXT A);
NDIS_STATUS SetUpPhy(PADAPTER_CONTEXT A);
VOID UpdateLinkState(PADAPTER_CONTEXT A);
VOID SetConnectionType(PADAPTER_CONTEXT A, ULONG Unused, ULONG Type);
ULONG QueryLinkSpeed(PADAPTER_CONTEXT A, ULONG Unused);
BOOLEAN QueryLinkState(PADAPTER_CONTEXT A, ULONG Unused);
NDIS_STATUS ChangeOperationMode(PADAPTER_CONTEXT A, ULONG Current, ULONG Wanted);

// Bring-up, stop, release (trx_bringup.cpp).
NDIS_STATUS InitializeChip(PADAPTER_CONTEXT A, BOOLEAN LinkSettled);
VOID StopChip(PADAPTER_CONTEXT A);
VOID ReleaseChip(PADAPTER_CONTEXT A);
VOID DemandTransmitPoll(PADAPTER_CONTEXT A);

// Transmit ring (trx_transmit.cpp).
PTX_RECORD ReserveTransmit(PADAPTER_CONTEXT A, PULONG Count);
VOID SubmitTransmit(PADAPTER_CONTEXT A, PTX_RECORD First, ULONG Count);
VOID CompleteTransmits(PADAPTER_CONTEXT A);
VOID AbortTransmits(PADAPTER_CONTEXT A);
PTX_RECORD TxRecordAfter(PADAPTER_CONTEXT A, PTX_RECORD Record, ULONG Steps);

// Receive chain (trx_receive.cpp).
VOID RecycleReceive(PADAPTER_CONTEXT A, PRX_RECORD Record);
VOID IndicateReceives(PADAPTER_CONTEXT A);
VOID IndicatePackets(PADAPTER_CONTEXT A, PRX_RECORD First, ULONG Count);

// Interrupts (trx_interrupt.cpp).
BOOLEAN InterruptPending(PADAPTER_CONTEXT A);
VOID ServiceInterrupts(PADAPTER_CONTEXT A);
VOID EnableInterrupts(PADAPTER_CONTEXT A);
VOID DisableInterrupts(PADAPTER_CONTEXT A);

// Receive filter, addresses and statistics (trx_filter.cpp, trx_stats.cpp).
VOID LoadFilter(PADAPTER_CONTEXT A);
ULONG HashCrc(const UCHAR Address[6]);
ULONG QueryStatistic(PADAPTER_CONTEXT A, ULONG Unused, NDIS_OID Oid);
ULONG QueryPacketFilter(PADAPTER_CONTEXT A);
VOID SetPacketFilter(PADAPTER_CONTEXT A, ULONG Unused, ULONG Filter);
VOID QueryStationAddress(PADAPTER_CONTEXT A, ULONG Unused, PUCHAR Address);
VOID SetStationAddress(PADAPTER_CONTEXT A, ULONG Unused, const UCHAR* Address);
VOID QueryMulticastList(PADAPTER_CONTEXT A, ULONG Unused, ULONG Capacity, PULONG Count, PUCHAR List);
VOID SetMulticastList(PADAPTER_CONTEXT A, ULONG Unused, ULONG Count, const UCHAR* List);

// Bounds of the hardware wait loops. A timeout leaves the chip as it is and
// reports NDIS_STATUS_HARD_ERRORS to whoever started the sequence.
#define TRX_RESET_TRIES          100     // x 100 us: read-back after software reset
#define TRX_PHY_RESET_TRIES      1000    // MII reads of the reset bit (~130 us each)
#define TRX_PHY_CONFIG_TRIES     100     // MII write/read-back rounds
#define TRX_STOP_TRIES           1000    // x 10 us: processes stopping for a mode change
#define TRX_DRAIN_TRIES          1000    // x 10 us: the setup frame leaving the ring
#define TRX_SERVICE_ROUNDS       64      // status rounds per deferred call; events left re-interrupt

// 21143 controller registers, descriptor bits and the PCI configuration
// offsets the driver uses, with the register-access macros of the chip layer.
//
// The chip layer reaches the hardware only through five primitives:
//   TRX_CSR_WRITE / TRX_CSR_READ   32-bit controller register write and read
//   TrxPciRead / TrxPciWrite       a configuration dword of the adapter's slot
//   TRX_STALL                      busy-wait a number of microseconds
//   TRX_SLEEP                      sleep a number of microseconds
#pragma once

#include <ndis.h>

// Control and status registers: memory-mapped, 32 bits wide, 8 bytes apart.
#define CSR0_BUS_MODE        0x00
#define CSR1_TX_POLL         0x08
#define CSR3_RX_LIST         0x18
#define CSR4_TX_LIST         0x20
#define CSR5_STATUS          0x28
#define CSR6_OPMODE          0x30
#define CSR7_INTR_ENABLE     0x38
#define CSR8_MISSED          0x40
#define CSR9_SROM_MII        0x48
#define CSR12_SIA_STATUS     0x60
#define CSR13_SIA_CONNECT    0x68
#define CSR14_SIA_TXRX       0x70
#define CSR15_SIA_GENERAL    0x78

// CSR0
#define CSR0_SOFTWARE_RESET      0x00000001
#define CSR0_CACHE_ALIGN_MASK    0x0000c000
#define CSR0_CACHE_ALIGN_32      0x00004000
#define CSR0_CACHE_ALIGN_64      0x00008000
#define CSR0_CACHE_ALIGN_128     0x0000c000
#define CSR0_NO_CACHE_CMDS_MASK  0xfe5fffff   // clears read multiple, read line, write and invalidate
#define CSR0_DEFAULT             0x01a02000

// CSR5 / CSR7 (one layout)
#define CSR5_TX_INTERRUPT        0x00000001
#define CSR5_TX_UNAVAILABLE      0x00000004
#define CSR5_LINK_PASS           0x00000010
#define CSR5_TX_UNDERFLOW        0x00000020
#define CSR5_RX_INTERRUPT        0x00000040
#define CSR5_RX_UNAVAILABLE      0x00000080
#define CSR5_LINK_FAIL           0x00001000
#define CSR5_SUMMARY             0x00018000
#define CSR5_GP_PORT             0x04000000
#define CSR5_ABNORMAL_EVENTS     0x040032b8
#define CSR5_RX_STATE_MASK       0x000e0000
#define CSR5_TX_STATE_MASK       0x00700000
#define CSR5_PROCESS_STATE_MASK  0x007e0000
#define CSR7_ENABLED_EVENTS      0x0401b2fd

// CSR6
#define CSR6_START_RX            0x00000002
#define CSR6_PROMISCUOUS         0x00000040
#define CSR6_PASS_ALL_MULTICAST  0x00000080
#define CSR6_FULL_DUPLEX         0x00000200
#define CSR6_START_TX            0x00002000
#define CSR6_THRESHOLD_MASK      0x0000c000
#define CSR6_THRESHOLD_STEP      0x00004000
#define CSR6_PORT_SELECT         0x00040000
#define CSR6_STORE_AND_FORWARD   0x00200000
#define CSR6_THRESHOLD_MODE_10   0x00400000
#define CSR6_DEFAULT             0x020c0008
#define CSR6_RESET_SIA           0x02000000
#define CSR6_RESET_MII           0x02040000
#define CSR6_NO_PHY_MASK         0xffbbffff   // clears port select and the 10 Mb/s threshold mode
#define CSR6_RUN_BITS            (CSR6_START_RX | CSR6_START_TX)

// CSR8
#define CSR8_COUNT_MASK          0x0000ffff
#define CSR8_OVERFLOW            0x00010000

// CSR9: serial EEPROM and MII management
#define CSR9_SROM_CS             0x00000001
#define CSR9_SROM_CLOCK          0x00000002
#define CSR9_SROM_DATA_SHIFT     2
#define CSR9_SROM_DATA_OUT       0x00000008
#define CSR9_SROM_SELECT         0x00002800
#define CSR9_MII_CLOCK           0x00010000
#define CSR9_MII_DATA_SHIFT      17
#define CSR9_MII_READ            0x00040000
#define CSR9_MII_DATA_IN         0x00080000

// Serial interface
#define CSR12_LINK_FAIL_10       0x00000004
#define CSR14_SIA_FULL_DUPLEX    0x00007f3d
#define CSR14_SIA_HALF_DUPLEX    0x00007f3f
#define CSR14_HALF_DUPLEX_BIT    0x00000002
#define CSR15_SIA_LINK           0x00010000

// Transmit descriptor
#define TDES0_OWN                0x80000000
#define TDES0_ERROR_SUMMARY      0x00008000
#define TDES0_LOSS_OF_CARRIER    0x00000800
#define TDES0_NO_CARRIER         0x00000400
#define TDES0_EXCESS_COLLISIONS  0x00000100
#define TDES0_COLLISION_MASK     0x00000078
#define TDES0_UNDERFLOW          0x00000002
#define TDES0_DEFERRED           0x00000001
#define TDES0_NOTHING            0x7fffffff   // setup, dummy or flushed non-first descriptor
#define TDES0_FLUSHED            0x7eeeeeee   // a packet flushed by a chip restart
#define TDES1_INTERRUPT          0x80000000
#define TDES1_FIRST_LAST         0x60000000
#define TDES1_FIRST_SEGMENT      0x20000000
#define TDES1_SETUP_FRAME        0x08000000
#define TDES1_END_OF_RING        0x02000000
#define TDES1_SETUP_PERFECT      0x080000c0   // setup frame, 192-byte buffer 1
#define TDES1_HASH_FILTER        0x00400000
#define TDES1_HASH_ONLY_FILTER   0x10400000
#define TDES1_BUFFER2_SHIFT      11

// Receive descriptor
#define RDES0_OWN                0x80000000
#define RDES0_LENGTH_SHIFT       16
#define RDES0_LENGTH_MASK        0x3fff
#define RDES0_ERROR_SUMMARY      0x00008000
#define RDES0_FIRST_LAST         0x00000300   // first and last descriptor: the whole frame is here
#define RDES0_LAST_DESCRIPTOR    0x00000100
#define RDES0_DRIBBLING          0x00000004
#define RDES0_CRC_ERROR          0x00000002
#define RDES1_CHAINED_1518       0x010005ee

// PCI configuration offsets
#define PCI_ID_OFFSET            0x00
#define PCI_COMMAND_OFFSET       0x04
#define PCI_CACHE_LINE_OFFSET    0x0c
#define PCI_SUBSYSTEM_OFFSET     0x2c
#define PCI_POWER_OFFSET         0x40
#define PCI_COMMAND_MEM_MASTER   0x00000006
#define TRX_PCI_ID               0x00191011
#define TRX_PCI_SUBSYSTEM        0x02507c3a

// Sizes
#define TRX_MAX_FRAME            1518          // receive and copy buffer size
#define TRX_MAX_PACKET           1514          // largest frame the stack may send, without CRC
#define TRX_HEADER_SIZE          14
#define TRX_DESCRIPTOR_SIZE      16
#define TRX_SETUP_FRAME_SIZE     192
#define TRX_SETUP_WORDS          48
#define TRX_MAX_MULTICAST        32
#define TRX_INDICATE_BATCH       16

// The five primitives.
#define TRX_CSR_WRITE(A, Reg, Value) \
  WRITE_REGISTER_ULONG((PULONG)((PUCHAR)(A)->CsrBase + (Reg)), (ULONG)(Value))
#define TRX_CSR_READ(A, Reg) \
  READ_REGISTER_ULONG((PULONG)((PUCHAR)(A)->CsrBase + (Reg)))
#define TRX_STALL(Microseconds) NdisStallExecution(Microseconds)
#define TRX_SLEEP(Microseconds) NdisMSleep(Microseconds)

// Bit-banged serial protocols through CSR9: the MII management interface to
// the PHY at address 1, and the 64-word serial EEPROM.
#include "trx_chip.h"

#define TRX_PHY_ADDRESS 1

static VOID MiiWriteBit(PADAPTER_CONTEXT A, ULONG Bit) {
  ULONG Value = (Bit & 1) << CSR9_MII_DATA_SHIFT;
  TRX_CSR_WRITE(A, CSR9_SROM_MII, Value);
  TRX_STALL(1);
  TRX_CSR_WRITE(A, CSR9_SROM_MII, Value | CSR9_MII_CLOCK);
  TRX_STALL(1);
}

static ULONG MiiReadBit(PADAPTER_CONTEXT A) {
  TRX_CSR_WRITE(A, CSR9_SROM_MII, CSR9_MII_READ);
  TRX_STALL(1);
  TRX_CSR_WRITE(A, CSR9_SROM_MII, CSR9_MII_READ | CSR9_MII_CLOCK);
  TRX_STALL(1);
  return (TRX_CSR_READ(A, CSR9_SROM_MII) & CSR9_MII_DATA_IN) ? 1 : 0;
}

static VOID MiiWriteBits(PADAPTER_CONTEXT A, ULONG Value, ULONG Count) {
  while (Count-- > 0) MiiWriteBit(A, (Value >> Count) & 1);
}

// Preamble, start, opcode, PHY address and register number.
static VOID MiiFrameHeader(PADAPTER_CONTEXT A, ULONG Opcode, ULONG Register) {
  for (ULONG i = 0; i < 34; i++) MiiWriteBit(A, 1);
  MiiWriteBits(A, 0x4 | Opcode, 4);  // 0 1 then the two opcode bits
  MiiWriteBits(A, TRX_PHY_ADDRESS, 5);
  MiiWriteBits(A, Register, 5);
}

USHORT MiiRead(PADAPTER_CONTEXT A, ULONG Register) {
  MiiFrameHeader(A, 0x2, Register);  // read: 1 0
  MiiReadBit(A);                     // turnaround
  ULONG Value = 0;
  for (ULONG i = 0; i < 16; i++) Value = (Value << 1) | MiiReadBit(A);
  MiiReadBit(A);
  TRX_CSR_WRITE(A, CSR9_SROM_MII, 0);
  return (USHORT)Value;
}

VOID MiiWrite(PADAPTER_CONTEXT A, ULONG Register, USHORT Value) {
  MiiFrameHeader(A, 0x1, Register);  // write: 0 1
  MiiWriteBits(A, 0x2, 2);           // turnaround: 1 0
  MiiWriteBits(A, Value, 16);
  TRX_CSR_WRITE(A, CSR9_SROM_MII, 0);
}

// One EEPROM clock with chip select Cs and data bit D; returns the data-out bit.
static ULONG EepromClock(PADAPTER_CONTEXT A, ULONG Cs, ULONG D) {
  ULONG Value = (D << CSR9_SROM_DATA_SHIFT) + CSR9_SROM_SELECT + Cs;
  TRX_CSR_WRITE(A, CSR9_SROM_MII, Value);
  TRX_STALL(1);
  TRX_CSR_WRITE(A, CSR9_SROM_MII, Value | CSR9_SROM_CLOCK);
  TRX_STALL(1);
  ULONG Sample = (TRX_CSR_READ(A, CSR9_SROM_MII) & CSR9_SROM_DATA_OUT) ? 1 : 0;
  TRX_CSR_WRITE(A, CSR9_SROM_MII, Value);
  TRX_STALL(1);
  return Sample;
}

USHORT EepromReadWord(PADAPTER_CONTEXT A, ULONG Address) {
  EepromClock(A, 0, 0);
  EepromClock(A, 1, 0);
  ULONG Command = (Address & 0x3f) + 0x180;  // 0, start 1, read 1 0, six address bits
  for (LONG Bit = 9; Bit >= 0; Bit--) EepromClock(A, 1, (Command >> Bit) & 1);
  ULONG Word = 0;
  for (ULONG i = 0; i < 16; i++) Word = (Word << 1) | EepromClock(A, 1, 0);
  EepromClock(A, 0, 0);
  return (USHORT)Word;
}

VOID ReadEepromAddress(PADAPTER_CONTEXT A, PUCHAR Address) {
  for (ULONG i = 0; i < 3; i++) {
    USHORT Word = EepromReadWord(A, 0x2a + i);
    Address[2 * i] = (UCHAR)(Word >> 8);
    Address[2 * i + 1] = (UCHAR)Word;
  }
}

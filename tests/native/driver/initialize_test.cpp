// Initialize: medium, board identity, memory layout, the values every
// bring-up writes, the station address, and adapters without an interrupt.
#include <tuple>

#include "driver_fixture.h"
#include "ndis_call_log.h"

namespace trx_test {
namespace {

using sim::TraceEntry;

bool AnyCsrAccess(const sim::Board& board) {
  for (const TraceEntry& e : board.trace())
    if (e.kind == TraceEntry::kCsrRead || e.kind == TraceEntry::kCsrWrite) return true;
  return false;
}

class InitializeTest : public DriverTest {};

TEST_F(InitializeTest, SelectsTheEthernetMediumWhereverItStands) {
  Port& port = AddPort();
  port.adapter->SetMedia({NdisMedium802_5, NdisMediumFddi, NdisMedium802_3});
  ASSERT_EQ(port.adapter->Initialize(), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port.adapter->selected_medium(), 2u);
  EXPECT_EQ(port.adapter->open_error_status(), NDIS_STATUS_SUCCESS);
}

TEST_F(InitializeTest, RefusesMediaWithoutEthernetBeforeAllocatingAnything) {
  Port& port = AddPort();
  port.adapter->SetMedia({NdisMedium802_5, NdisMediumFddi});
  EXPECT_EQ(port.adapter->Initialize(), NDIS_STATUS_UNSUPPORTED_MEDIA);
  EXPECT_EQ(CallIndex("NdisFreeMemory"), -1) << "no context was ever allocated, so none is freed";
}

TEST_F(InitializeTest, FillsTheContextWithTheDefaults) {
  Port& port = AddPort();
  BringUp(port);
  PADAPTER_CONTEXT a = port.context();
  EXPECT_EQ(a->SlotNumber, 0u);
  EXPECT_EQ(a->CurrentLookahead, 1514u);
  EXPECT_EQ(a->MaxMulticast, 32u);
  EXPECT_EQ(a->MapThreshold, 100u);
  EXPECT_EQ(a->RxRingSize, 256u);
  EXPECT_EQ(a->TxRingSize, 256u);
  EXPECT_EQ(a->TxFree, 255u) << "one record always stays between head and tail";
  EXPECT_EQ(a->PhyKind, static_cast<ULONG>(TRX_PHY_1378));
  EXPECT_EQ(a->AbilityMask, 0x1e1u);
  EXPECT_TRUE(a->InitDone);
  EXPECT_TRUE(a->InterruptRegistered);
  EXPECT_TRUE(a->ShutdownRegistered);
  EXPECT_EQ(ToMac(a->StationAddress), kStation) << "EEPROM words 0x2a..0x2c";
  EXPECT_EQ(port.adapter->attributes(), static_cast<ULONG>(NDIS_ATTRIBUTE_BUS_MASTER));
  EXPECT_EQ(port.board().ReadPciConfig(0x04) & 0x6, 0x6u) << "memory space and bus master enabled";
}

TEST_F(InitializeTest, ReadsTheStationAddressFromTheEeprom) {
  const uint8_t mac[6] = {0x00, 0xa0, 0xc9, 0x01, 0x02, 0x03};
  sim::BoardConfig config;
  config.eeprom = sim::BoardConfig::EepromWithAddress(mac);
  Port& port = AddPort(config);
  BringUp(port);
  hostndis::QueryResult r = port.adapter->Query(OID_802_3_PERMANENT_ADDRESS, 6);
  EXPECT_EQ(r.data, std::vector<uint8_t>(mac, mac + 6));
}

TEST_F(InitializeTest, UsesASixByteAddressOverrideAndIgnoresOthers) {
  const Mac override_address = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
  Port& port = AddPort();
  port.adapter->SetNetworkAddress({0x02, 0x11, 0x22, 0x33, 0x44});
  ASSERT_EQ(port.adapter->Initialize(), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(ToMac(port.context()->StationAddress), kStation) << "a 5-byte override is ignored";
  port.adapter->Halt();

  port.adapter->SetNetworkAddress(std::vector<uint8_t>(override_address.begin(), override_address.end()));
  BringUp(port);
  std::vector<uint8_t> expected(override_address.begin(), override_address.end());
  EXPECT_EQ(port.adapter->Query(OID_802_3_CURRENT_ADDRESS, 6).data, expected);
  EXPECT_EQ(port.adapter->Query(OID_802_3_PERMANENT_ADDRESS, 6).data, expected) << "the override shows in both";

  ASSERT_EQ(SetFilter(port, NDIS_PACKET_TYPE_DIRECTED), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(port.board().filter().mode, sim::ReceiveFilter::kPerfect);
  EXPECT_EQ(port.board().filter().perfect[0], override_address) << "the chip receives for the override";
  port.peer->Send(Frame(override_address, 60));
  Run(sim::kMillisecond);
  EXPECT_EQ(port.adapter->received().size(), 1u);
}

TEST_F(InitializeTest, WrongBoardIsRefusedWithoutTouchingTheController) {
  sim::BoardConfig wrong_device;
  wrong_device.pci_id = 0x00141011;
  sim::BoardConfig wrong_subsystem;
  wrong_subsystem.slot = 1;
  wrong_subsystem.pci_subsystem = 0x02517c3a;
  for (Port* port : {&AddPort(wrong_device), &AddPort(wrong_subsystem)}) {
    CallLog().clear();
    port->board().EnableTrace(true);
    EXPECT_EQ(port->adapter->Initialize(), NDIS_STATUS_ADAPTER_NOT_FOUND);
    EXPECT_FALSE(AnyCsrAccess(port->board())) << "slot " << port->board().config().slot;
    EXPECT_GE(CallIndex("NdisFreeMemory"), 0) << "the context is freed";
  }
}

TEST_F(InitializeTest, RunsWithoutAnInterruptResourceAndHaltStillStopsTheChip) {
  sim::BoardConfig config;
  config.has_interrupt = false;
  Port& port = AddPort(config);
  ASSERT_EQ(port.adapter->Initialize(), NDIS_STATUS_SUCCESS);
  EXPECT_FALSE(port.context()->InterruptRegistered);
  Run(10 * sim::kMillisecond);
  EXPECT_FALSE(port.context()->LinkUp) << "no interrupt tells the driver that the link came up";
  EXPECT_EQ(QueryValue(port, OID_GEN_MEDIA_CONNECT_STATUS), static_cast<ULONG>(NdisMediaStateConnected));
  EXPECT_TRUE(port.context()->LinkUp) << "the query reads the link and reports the change";
  ASSERT_FALSE(port.adapter->status_events().empty());
  EXPECT_EQ(port.adapter->status_events()[0].status, NDIS_STATUS_MEDIA_CONNECT);
  ASSERT_EQ(SetFilter(port, kDirectedBroadcast), NDIS_STATUS_SUCCESS);
  port.board().EnableTrace(true);
  port.adapter->Halt();
  bool reset = false;
  for (const TraceEntry& e : port.board().trace())
    reset = reset || (e.kind == TraceEntry::kCsrWrite && e.address == 0x00 && e.value == 1);
  EXPECT_TRUE(reset) << "a software reset at Halt, interrupt or not";
  for (uint8_t i = 0; i < 4; ++i) port.peer->Send(Frame(i % 2 ? kBroadcast : kStation, 60, i));
  Run(sim::kMillisecond);
  EXPECT_EQ(host.verifier().Count(hostndis::rule::kDmaFreedMemory), 0u)
      << "frames arriving after Halt are not stored into the freed rings";
  EXPECT_EQ(port.board().counters().rx_frames, 0u);
}

TEST_F(InitializeTest, LeavesPowerSavingAndProgramsTheRings) {
  Port& port = AddPort();
  port.board().EnableTrace(true);
  BringUp(port);
  bool power_written = false;
  for (const TraceEntry& e : port.board().trace())
    power_written = power_written || (e.kind == TraceEntry::kPciWrite && e.address == 0x40 && e.value == 0);
  EXPECT_TRUE(power_written) << "configuration dword 0x40 written 0";

  PADAPTER_CONTEXT a = port.context();
  EXPECT_EQ(port.board().ReadCsr(0x20), a->TxRecords[0].DescriptorPhysical) << "CSR4 at the first descriptor";
  EXPECT_EQ(a->RxRecords[0].DescriptorPhysical, a->DescriptorAreaPhysical + 16 * a->TxRingSize);
  for (ULONG i = 0; i + 1 < a->RxCount; ++i) {
    ASSERT_EQ(a->RxRecords[i].Descriptor[0], RDES0_OWN) << "record " << i << " belongs to the chip";
    ASSERT_EQ(a->RxRecords[i].Descriptor[1], 0x010005eeu);
    ASSERT_EQ(a->RxRecords[i].Descriptor[3], a->RxRecords[i + 1].DescriptorPhysical) << "chained in array order";
  }
  EXPECT_EQ(a->RxRecords[a->RxCount - 1].Descriptor[0] & RDES0_OWN, 0u) << "the last record is the host's sentinel";
  EXPECT_EQ(a->RxTail, &a->RxRecords[a->RxCount - 1]);
}

// Shared memory that starts off a page boundary makes the alignment
// arithmetic matter.
// Cache line in words, the Alignment it gives, and the bus mode written.
using CacheLineCase = std::tuple<uint8_t, ULONG, ULONG>;

class AlignmentTest : public DriverTest, public ::testing::WithParamInterface<CacheLineCase> {
 protected:
  static hostndis::HostConfig Config() {
    hostndis::HostConfig config;
    config.shared_memory_offset = 24;
    return config;
  }
  AlignmentTest() : DriverTest(Config()) {}
};

TEST_P(AlignmentTest, CacheLineChoosesAlignmentAndBusMode) {
  auto [words, alignment, expected] = GetParam();
  sim::BoardConfig config;
  config.cache_line_words = words;
  Port& port = AddPort(config);
  BringUp(port);
  PADAPTER_CONTEXT a = port.context();
  EXPECT_EQ(a->Alignment, alignment);
  EXPECT_EQ(a->BufferSize % alignment, 0u);
  EXPECT_EQ(a->Csr0Value, expected);
  EXPECT_EQ(CsrAsWritten(port, 0x00), expected) << "CSR0 as written";
  for (ULONG i = 0; i < a->TxCount; ++i) ASSERT_EQ(a->TxRecords[i].CopyPhysical % alignment, 0u) << "copy buffer " << i;
  for (ULONG i = 0; i < a->RxCount; ++i) ASSERT_EQ(a->RxRecords[i].BufferPhysical % alignment, 0u) << "receive buffer " << i;
}

// Below 32 bytes no cache alignment, and no read multiple, read line or
// write and invalidate.
INSTANTIATE_TEST_SUITE_P(CacheLines, AlignmentTest,
                         ::testing::Values(CacheLineCase{0, 16, 0x00002000}, CacheLineCase{4, 16, 0x00002000},
                                           CacheLineCase{8, 32, 0x01a06000}, CacheLineCase{16, 64, 0x01a0a000},
                                           CacheLineCase{32, 128, 0x01a0e000}, CacheLineCase{12, 64, 0x01a0a000}));

}  // namespace
}  // namespace trx_test

// Every way Initialize can fail: each returns its status and leaves nothing
// allocated (the stand-in audits the adapter after a failed Initialize and
// any leftover is a verifier finding), and the adapter initializes again
// afterwards.
#include "driver_fixture.h"
#include "ndis_call_log.h"

namespace trx_test {
namespace {

using hostndis::Op;

class InitializeFaultTest : public DriverTest {
 protected:
  // Initialize must fail with `expected`, then succeed once nothing is in
  // the way, and halt cleanly.
  void ExpectFailure(Port& port, NDIS_STATUS expected, const std::string& what) {
    EXPECT_EQ(port.adapter->Initialize(), expected) << what;
    EXPECT_FALSE(port.adapter->initialized()) << what;
    host.faults().Clear();
  }
  void ExpectRecovery(Port& port) {
    ASSERT_EQ(port.adapter->Initialize(), NDIS_STATUS_SUCCESS) << "the next Initialize";
    port.adapter->Halt();
  }
};

// The failing call's own status comes back (a distinctive one where the
// call reports a status at all).
TEST_F(InitializeFaultTest, EachFailingCallReturnsItsStatusAfterReleasingEverything) {
  struct Row {
    Op op;
    uint64_t nth;
    NDIS_STATUS expected;
    const char* what;
  } rows[] = {
      {Op::kNdisAllocateMemory, 1, NDIS_STATUS_RESOURCES, "AdapterContext"},
      {Op::kNdisOpenConfiguration, 1, NDIS_STATUS_OPEN_FAILED, "configuration"},
      {Op::kNdisMPciAssignResources, 1, NDIS_STATUS_RESOURCE_CONFLICT, "resources"},
      {Op::kNdisAllocatePacketPool, 1, NDIS_STATUS_RESOURCES, "packet pool"},
      {Op::kNdisAllocateBufferPool, 1, NDIS_STATUS_RESOURCES, "buffer pool"},
      {Op::kNdisMMapIoSpace, 1, NDIS_STATUS_DEVICE_FAILED, "register window"},
      {Op::kNdisMAllocateMapRegisters, 1, NDIS_STATUS_RESOURCES, "map registers"},
      {Op::kNdisMAllocateSharedMemory, 1, NDIS_STATUS_RESOURCES, "buffer area"},
      {Op::kNdisMAllocateSharedMemory, 2, NDIS_STATUS_RESOURCES, "descriptor area"},
      {Op::kNdisAllocateMemory, 2, NDIS_STATUS_RESOURCES, "TxRecords"},
      {Op::kNdisAllocateMemory, 3, NDIS_STATUS_RESOURCES, "RxRecords"},
      {Op::kNdisMRegisterInterrupt, 1, NDIS_STATUS_RESOURCE_CONFLICT, "interrupt"},
  };
  Port& port = AddPort();
  for (const Row& row : rows) {
    host.faults().FailNthCall(row.op, row.nth, row.expected);
    ExpectFailure(port, row.expected, row.what);
  }
  ExpectRecovery(port);
}

// Small rings keep the walk short while every kind of allocation, the
// per-record ones included, still fails once.
TEST_F(InitializeFaultTest, EveryAllocationFailingInTurnFailsCleanly) {
  Port& port = AddPort();
  port.adapter->SetKeyword("TxRingSize", 8u);
  port.adapter->SetKeyword("RxRingSize", 8u);
  uint64_t before = host.faults().allocations();
  ExpectRecovery(port);
  uint64_t allocations = host.faults().allocations() - before;
  ASSERT_GE(allocations, 8u + 2u * 8u) << "at least a copy buffer per transmit record and a packet and a buffer "
                                         "per receive record, beside the context, pools and rings";
  for (uint64_t n = 1; n <= allocations; ++n) {
    host.faults().FailNthAllocation(n, NDIS_STATUS_RESOURCES);
    ExpectFailure(port, NDIS_STATUS_RESOURCES, "allocation " + std::to_string(n));
  }
  ExpectRecovery(port);
}

TEST_F(InitializeFaultTest, NoMemoryResourceFails) {
  Port& port = AddPort();
  HideMemoryResource(true);
  ExpectFailure(port, NDIS_STATUS_FAILURE, "no register window among the resources");
  HideMemoryResource(false);
  ExpectRecovery(port);
}

// Hardware that never answers: every wait is bounded and ends Initialize
// with NDIS_STATUS_HARD_ERRORS.
TEST_F(InitializeFaultTest, ABusModeThatNeverReadsBackFails) {
  Port& port = AddPort();
  port.adapter->SetKeyword("Options", std::string("1"));  // the reset bit: the chip resets on every write
  ExpectFailure(port, NDIS_STATUS_HARD_ERRORS, "CSR0 read-back");
  port.adapter->RemoveKeyword("Options");
  ExpectRecovery(port);
}

TEST_F(InitializeFaultTest, APhyThatStaysInResetFails) {
  for (sim::PhyModel phy : {sim::PhyModel::kPhy1378, sim::PhyModel::kPhy7810}) {
    sim::BoardConfig config;
    config.phy = phy;
    config.phy_reset_reads = 100000;
    config.slot = static_cast<uint32_t>(phy);
    Port& port = AddPort(config);
    ExpectFailure(port, NDIS_STATUS_HARD_ERRORS, "PHY model " + std::to_string(static_cast<int>(phy)));
  }
}

TEST_F(InitializeFaultTest, ASetupFrameThatNeverLeavesTheRingFails) {
  Port& port = AddPort();
  port.device->keep_bus_master_off = true;
  ExpectFailure(port, NDIS_STATUS_HARD_ERRORS, "the chip cannot fetch descriptors");
  EXPECT_GT(port.board().counters().dma_errors, 0u);
  port.device->keep_bus_master_off = false;
  ExpectRecovery(port);
}

// The transmitter runs when the setup frame fails to drain: the chip must be
// stopped before its rings are freed, or a late poll and arriving frames
// reach freed memory. Without an interrupt nothing else would stop it.
TEST_F(InitializeFaultTest, ADrainTimeoutStopsTheChipBeforeFreeingItsRings) {
  sim::BoardConfig config;
  config.has_interrupt = false;
  Port& port = AddPort(config);
  port.device->drop_poll_demands = true;
  ExpectFailure(port, NDIS_STATUS_HARD_ERRORS, "the setup frame is never fetched");
  port.device->drop_poll_demands = false;
  port.board().WriteCsr(0x08, 0);  // the lost poll demand arrives late
  for (uint8_t i = 0; i < 4; ++i) port.peer->Send(Frame(kStation, 60, i));
  Run(sim::kMillisecond);
  EXPECT_EQ(host.verifier().Count(hostndis::rule::kDmaFreedMemory), 0u) << "no DMA after the rings were freed";
  EXPECT_EQ(port.board().counters().tx_setup_frames, 0u) << "the stopped chip fetched nothing";
  ExpectRecovery(port);
}

}  // namespace
}  // namespace trx_test

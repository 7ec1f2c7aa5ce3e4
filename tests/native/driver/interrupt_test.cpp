// The ISR and the deferred interrupt loop: which status bits are claimed and
// what each event runs. Scripted CSR5/CSR8 reads give the loop exact values.
#include "driver_fixture.h"

namespace trx_test {
namespace {

using hostndis::SendState;
using sim::TraceEntry;

constexpr uint32_t kVector = 11;  // the board's default

class InterruptTest : public DriverTest {
 protected:
  int CountTrace(const sim::Board& board, TraceEntry::Kind kind, uint32_t offset) {
    int n = 0;
    for (const TraceEntry& e : board.trace()) n += e.kind == kind && e.address == offset;
    return n;
  }
  // One interrupt whose ISR and first loop pass read `csr5`, with nothing
  // left afterwards.
  bool Interrupt(Port& port, uint32_t csr5) {
    port.device->csr5_script = {csr5, csr5, 0};
    bool claimed = host.RaiseSharedInterrupt(kVector);
    port.device->csr5_script.clear();
    return claimed;
  }
};

TEST_F(InterruptTest, LeavesASharedInterruptWithoutSummaryBitsToOthers) {
  Port& port = AddPort();
  BringUp(port);
  port.board().EnableTrace(true);
  port.device->csr5_script = {0x00000040};
  EXPECT_FALSE(host.RaiseSharedInterrupt(kVector));
  EXPECT_TRUE(port.device->csr5_script.empty()) << "the ISR looked at CSR5";
  EXPECT_EQ(CountTrace(port.board(), TraceEntry::kCsrWrite, 0x38), 0) << "interrupts not masked";
  EXPECT_EQ(CountTrace(port.board(), TraceEntry::kCsrRead, 0x28), 0) << "no deferred routine ran";
}

TEST_F(InterruptTest, AReceiveInterruptRunsOnlyTheReceiveWalk) {
  Port& port = AddPort();
  BringUp(port);
  ASSERT_EQ(SetFilter(port, NDIS_PACKET_TYPE_DIRECTED), NDIS_STATUS_SUCCESS);
  port.device->MuteLine(true);
  port.peer->Send(Frame(kStation, 60));
  PNDIS_PACKET p = port.adapter->BuildPacket(Frame(kPeer, 60, 0, kStation));
  port.adapter->Send({p});
  Run(sim::kMillisecond);
  ASSERT_EQ(port.peer->received().size(), 1u) << "the frame went out; its completion waits";

  EXPECT_TRUE(Interrupt(port, 0x00010040));
  EXPECT_EQ(port.adapter->received().size(), 1u);
  EXPECT_EQ(port.adapter->send_state(p), SendState::kWithMiniport) << "no transmit walk for a receive interrupt";
  EXPECT_EQ(CsrAsWritten(port, 0x38), 0x0401b2fdu) << "interrupts enabled again";

  port.device->MuteLine(false);
  Run(sim::kMillisecond);
  EXPECT_EQ(port.adapter->send_status(p), NDIS_STATUS_SUCCESS);
}

class UnderflowTest : public InterruptTest,
                      public ::testing::WithParamInterface<std::tuple<ULONG, ULONG>> {};

TEST_P(UnderflowTest, RaisesTheTransmitThresholdOrSwitchesToStoreAndForward) {
  auto [before, after] = GetParam();
  Port& port = AddPort();
  port.adapter->SetKeyword("Options", "0," + std::to_string(0x020c0008u | before));
  BringUp(port);
  port.board().InjectTxFault(sim::TxFault{sim::TxFault::kUnderflow, 0, 1});
  EXPECT_EQ(SendAndComplete(port, port.adapter->BuildPacket(Frame(kPeer, 60, 0, kStation))), NDIS_STATUS_FAILURE);
  EXPECT_EQ(port.board().ReadCsr(0x30) & 0x20c000u, after);
  EXPECT_EQ(port.context()->Csr6Value & 0x20c000u, before) << "the next bring-up starts from the keyword again";
  EXPECT_EQ(SendAndComplete(port, port.adapter->BuildPacket(Frame(kPeer, 61, 0, kStation))), NDIS_STATUS_SUCCESS)
      << "the transmitter runs again";
}

INSTANTIATE_TEST_SUITE_P(Thresholds, UnderflowTest,
                         ::testing::Values(std::make_tuple(0x0000u, 0x4000u), std::make_tuple(0x4000u, 0x8000u),
                                           std::make_tuple(0xc000u, 0x20c000u)));

TEST_F(InterruptTest, AddsMissedFramesAndACounterOverflow) {
  Port& port = AddPort();
  BringUp(port);
  port.device->csr8_script = {0x00010005};
  EXPECT_TRUE(Interrupt(port, 0x00008080));
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_NO_BUFFER), 0x10000u) << "an overflowed counter counts 0x10000";
  port.device->csr8_script = {0x00000005};
  EXPECT_TRUE(Interrupt(port, 0x00008080));
  EXPECT_EQ(QueryValue(port, OID_GEN_RCV_NO_BUFFER), 0x10005u);
}

// Link fail and link pass (bits 12 and 4) belong to the serial interface:
// with a PHY its own interrupt (bit 26) drives link updates.
TEST_F(InterruptTest, SerialLinkEventsUpdateTheLinkOnlyWithoutAPhy) {
  sim::BoardConfig no_phy;
  no_phy.phy = sim::PhyModel::kNone;
  no_phy.slot = 1;
  Port& with_phy = AddPort();
  Port& serial = AddPort(no_phy);
  BringUp(with_phy);
  BringUp(serial);
  for (Port* port : {&with_phy, &serial}) {
    port->board().EnableTrace(true);
    port->board().ClearTrace();
    EXPECT_TRUE(Interrupt(*port, 0x00009010));
    bool serial_port = port == &serial;
    EXPECT_EQ(CountTrace(port->board(), TraceEntry::kCsrRead, 0x60) > 0, serial_port) << "CSR12 read";
    EXPECT_EQ(CountTrace(port->board(), TraceEntry::kCsrWrite, 0x48), 0) << "no MII traffic";
  }
  with_phy.board().ClearTrace();
  EXPECT_TRUE(Interrupt(with_phy, 0x04008000));
  EXPECT_GT(CountTrace(with_phy.board(), TraceEntry::kCsrWrite, 0x48), 0) << "the PHY is read for bit 26";
}

}  // namespace
}  // namespace trx_test

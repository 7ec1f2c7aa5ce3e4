// The probe miniport on the stand-in over simulated boards: from DriverEntry
// to Halt, with the verifier failing the test on any finding.
#include <gtest/gtest.h>

#include <memory>

#include "hostndis/testing.h"
#include "sim/board.h"
#include "sim/wire.h"

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT DriverObject, PUNICODE_STRING RegistryPath);

namespace hostndis_test {
namespace {

using hostndis::ReceiveAction;
using hostndis::SendState;

std::vector<uint8_t> Frame(uint32_t length, uint8_t seed) {
  std::vector<uint8_t> f(length);
  for (uint32_t i = 0; i < length; ++i) f[i] = static_cast<uint8_t>(seed + i);
  f[0] = 0x02;  // a unicast destination
  return f;
}

// One board and its cable to a far-end station.
struct Port {
  Port(hostndis::Host& host, uint32_t slot) {
    sim::BoardConfig config;
    config.slot = slot;
    board = &host.AddBoard(config);
    wire = std::make_unique<sim::Wire>(host.clock(), *board, peer, sim::Wire::Pace::kUnlimited);
    adapter = &host.AddAdapter(*board);
    adapter->SetKeyword("ConnectionType", 0u);
    adapter->SetKeyword("SlotNumber", slot);
    adapter->SetKeyword("Options", std::string("0"));
  }
  sim::FrameEndpoint peer;
  sim::Board* board = nullptr;
  std::unique_ptr<sim::Wire> wire;
  hostndis::Adapter* adapter = nullptr;
};

class Probe : public hostndis::testing::HostTest {
 protected:
  void SetUp() override {
    ASSERT_EQ(host.LoadDriver(DriverEntry), STATUS_SUCCESS);
    port = std::make_unique<Port>(host, 0);
    adapter = port->adapter;
  }
  void TearDown() override {
    port.reset();
    HostTest::TearDown();
  }
  std::unique_ptr<Port> port;
  hostndis::Adapter* adapter = nullptr;
};

TEST_F(Probe, RunsFromInitializeToHaltWithTheVerifierSilent) {
  ASSERT_EQ(adapter->Initialize(), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(adapter->selected_medium(), 0u);
  host.RunFor(10 * sim::kMillisecond);
  ASSERT_EQ(adapter->status_events().size(), 2u) << "the probe's timer indicates the link";
  EXPECT_EQ(adapter->status_events()[0].status, NDIS_STATUS_MEDIA_CONNECT);
  EXPECT_EQ(adapter->send_resources_notices(), 1u);

  // A header buffer and a payload that crosses a page: copied, then mapped
  // in two segments.
  std::vector<uint8_t> header = Frame(14, 1), payload = Frame(200, 50);
  PNDIS_PACKET p = adapter->BuildPacket({{header, 0}, {payload, hostndis::kPageSize - 96}});
  adapter->Send({p});
  host.RunFor(sim::kMillisecond);
  EXPECT_EQ(adapter->send_state(p), SendState::kCompleted);
  EXPECT_EQ(adapter->send_status(p), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(port->peer.received().size(), 1u);
  std::vector<uint8_t> sent = port->peer.received().front();
  ASSERT_EQ(sent.size(), 214u + 4) << "the frame and its FCS";
  EXPECT_TRUE(std::equal(header.begin(), header.end(), sent.begin()));
  EXPECT_TRUE(std::equal(payload.begin(), payload.end(), sent.begin() + 14));

  port->peer.Send(Frame(60, 7));
  host.RunFor(sim::kMillisecond);
  ASSERT_EQ(adapter->received().size(), 1u);
  EXPECT_EQ(adapter->received()[0].bytes, Frame(60, 7));
  EXPECT_EQ(adapter->received()[0].header_size, 14u);

  // A packet the protocol keeps holds the one receive buffer until returned.
  adapter->OnReceive([](PNDIS_PACKET) { return ReceiveAction::kKeep; });
  port->peer.Send(Frame(100, 9));
  host.RunFor(sim::kMillisecond);
  ASSERT_EQ(adapter->held_packets().size(), 1u);
  EXPECT_EQ(hostndis::Adapter::PacketBytes(adapter->held_packets()[0]), Frame(100, 9));
  adapter->ReturnPacket(adapter->held_packets()[0]);
  adapter->OnReceive(nullptr);
  port->peer.Send(Frame(80, 3));
  host.RunFor(sim::kMillisecond);
  EXPECT_EQ(adapter->received().size(), 2u) << "the returned buffer received again";

  hostndis::QueryResult medium = adapter->Query(OID_GEN_MEDIA_SUPPORTED, 4);
  EXPECT_EQ(medium.status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(adapter->Set(OID_GEN_CURRENT_PACKET_FILTER, {0x10, 0, 0, 0}).status, NDIS_STATUS_NOT_SUPPORTED);
  EXPECT_EQ(adapter->Reset().status, NDIS_STATUS_SUCCESS);
  EXPECT_TRUE(adapter->Shutdown());
  adapter->Halt();
  EXPECT_TRUE(host.verifier().findings().empty());
}

TEST_F(Probe, EveryInitializeFailureReleasesEverything) {
  ASSERT_EQ(adapter->Initialize(), NDIS_STATUS_SUCCESS);
  adapter->Halt();
  uint64_t allocations = host.faults().allocations();
  ASSERT_GT(allocations, 5u);
  for (uint64_t n = 1; n <= allocations; ++n) {
    host.faults().FailNthAllocation(n, NDIS_STATUS_RESOURCES);
    EXPECT_NE(adapter->Initialize(), NDIS_STATUS_SUCCESS) << "allocation " << n;
  }
  for (const char* op : {"NdisOpenConfiguration", "NdisMPciAssignResources", "NdisMMapIoSpace",
                         "NdisMAllocateMapRegisters", "NdisMRegisterInterrupt"}) {
    ASSERT_TRUE(host.faults().FailNthCall(op, 1, NDIS_STATUS_FAILURE));
    EXPECT_EQ(adapter->Initialize(), NDIS_STATUS_FAILURE) << op;
  }
  EXPECT_EQ(host.faults().injected(), allocations + 5);
  EXPECT_TRUE(host.verifier().findings().empty()) << "no failure path leaves anything behind";
}

TEST_F(Probe, TwoBoardsAreDrivenByTwoInstancesOnASharedLine) {
  Port second(host, 1);
  ASSERT_EQ(adapter->Initialize(), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(second.adapter->Initialize(), NDIS_STATUS_SUCCESS);
  host.RunFor(10 * sim::kMillisecond);
  PNDIS_PACKET a = adapter->BuildPacket(Frame(60, 1));
  PNDIS_PACKET b = second.adapter->BuildPacket(Frame(70, 2));
  adapter->Send({a});
  second.adapter->Send({b});
  port->peer.Send(Frame(64, 5));
  host.RunFor(sim::kMillisecond);
  EXPECT_EQ(adapter->send_state(a), SendState::kCompleted);
  EXPECT_EQ(second.adapter->send_state(b), SendState::kCompleted);
  EXPECT_EQ(port->peer.received().size(), 1u);
  EXPECT_EQ(second.peer.received().size(), 1u);
  EXPECT_EQ(adapter->received().size(), 1u);
  EXPECT_TRUE(second.adapter->received().empty()) << "each instance sees its own board";
  second.adapter->Halt();
  adapter->Halt();
}

}  // namespace
}  // namespace hostndis_test

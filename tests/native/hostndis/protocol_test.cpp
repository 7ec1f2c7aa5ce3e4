// The protocol side: sends and their completions, receive indications,
// status indications and requests.
#include <algorithm>

#include "script_fixture.h"

namespace hostndis_test {
namespace {

using hostndis::ReceiveAction;
using hostndis::SendState;

using Mapping = ScriptTest;

class Protocol : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    script.initialize = [&] {
      NDIS_STATUS status;
      NdisAllocatePacketPool(&status, &packet_pool, 4, 16);
      NdisAllocateBufferPool(&status, &buffer_pool, 4);
      NdisMAllocateSharedMemory(script.handle, 4 * 64, TRUE, reinterpret_cast<PVOID*>(&area), &area_physical);
      for (int i = 0; i < 4; ++i) {
        NdisAllocatePacket(&status, &rx[i], packet_pool);
        NdisAllocateBuffer(&status, &rx_buffer[i], buffer_pool, area + 64 * i, 64);
        NdisChainBufferAtFront(rx[i], rx_buffer[i]);
        NDIS_SET_PACKET_HEADER_SIZE(rx[i], 14);
        std::fill(area + 64 * i, area + 64 * i + 64, static_cast<UCHAR>(0x10 + i));
      }
      return status;
    };
    // Accepts every packet; the test completes them.
    script.send_packets = [&](PPNDIS_PACKET packets, UINT count) {
      for (UINT i = 0; i < count; ++i) {
        NDIS_SET_PACKET_STATUS(packets[i], NDIS_STATUS_PENDING);
        accepted.push_back(packets[i]);
      }
    };
    InitializeAdapter();
  }

  // Indicates the first `count` receive packets, each with `length` bytes.
  void Indicate(UINT count, UINT length = 64) {
    InHandler([&] {
      for (UINT i = 0; i < count; ++i) {
        NdisAdjustBufferLength(rx_buffer[i], length);
        NDIS_SET_PACKET_STATUS(rx[i], NDIS_STATUS_SUCCESS);
      }
      NdisMIndicateReceivePacket(script.handle, rx, count);
    });
  }

  NDIS_HANDLE packet_pool = nullptr, buffer_pool = nullptr;
  PUCHAR area = nullptr;
  NDIS_PHYSICAL_ADDRESS area_physical{};
  PNDIS_PACKET rx[4] = {};
  PNDIS_BUFFER rx_buffer[4] = {};
  std::vector<PNDIS_PACKET> accepted;
};

TEST_F(Protocol, EachSendIsCompletedWithItsOwnStatus) {
  PNDIS_PACKET a = adapter->BuildPacket(std::vector<uint8_t>(60, 0xaa));
  PNDIS_PACKET b = adapter->BuildPacket(std::vector<uint8_t>(70, 0xbb));
  adapter->Send({a, b});
  EXPECT_EQ(adapter->send_state(a), SendState::kWithMiniport);
  InHandler([&] {
    NdisMSendComplete(script.handle, b, NDIS_STATUS_FAILURE);
    NdisMSendComplete(script.handle, a, NDIS_STATUS_SUCCESS);
  });
  ASSERT_EQ(adapter->send_completions().size(), 2u);
  EXPECT_EQ(adapter->send_completions()[0].packet, b) << "in the order the miniport completed them";
  EXPECT_EQ(adapter->send_status(b), NDIS_STATUS_FAILURE);
  EXPECT_EQ(adapter->send_state(a), SendState::kCompleted);
  EXPECT_EQ(adapter->send_status(a), NDIS_STATUS_SUCCESS);
}

TEST_F(Protocol, StatusesSetBySendPacketsDecideEachPacketsFate) {
  script.send_packets = [](PPNDIS_PACKET packets, UINT) {
    NDIS_SET_PACKET_STATUS(packets[0], NDIS_STATUS_RESOURCES);
    NDIS_SET_PACKET_STATUS(packets[1], NDIS_STATUS_SUCCESS);
    NDIS_SET_PACKET_STATUS(packets[2], NDIS_STATUS_PENDING);
  };
  std::vector<PNDIS_PACKET> p;
  for (int i = 0; i < 3; ++i) p.push_back(adapter->BuildPacket(std::vector<uint8_t>(60, static_cast<uint8_t>(i))));
  adapter->Send(p);
  EXPECT_EQ(adapter->send_state(p[0]), SendState::kRefused);
  EXPECT_EQ(adapter->send_state(p[1]), SendState::kCompleted) << "a status other than PENDING completes at once";
  EXPECT_EQ(adapter->send_state(p[2]), SendState::kWithMiniport);
  ASSERT_EQ(adapter->send_completions().size(), 1u);
  adapter->Send({p[0]});
  EXPECT_EQ(adapter->send_state(p[0]), SendState::kRefused) << "a refused packet may be sent again";
}

TEST_F(Protocol, RefusedSendsAreRequeuedAfterTheNotice) {
  auto owned = std::make_unique<FakeDevice>(6);
  FakeDevice* other = owned.get();
  host.AddDevice(std::move(owned));
  hostndis::AdapterOptions options;
  options.requeue_refused_sends = true;
  hostndis::Adapter& second = host.AddAdapter(*other, options);
  script.initialize = nullptr;
  ASSERT_EQ(second.Initialize(), NDIS_STATUS_SUCCESS);
  bool room = false;
  script.send_packets = [&](PPNDIS_PACKET packets, UINT) {
    NDIS_SET_PACKET_STATUS(packets[0], room ? NDIS_STATUS_SUCCESS : NDIS_STATUS_RESOURCES);
  };
  PNDIS_PACKET p = second.BuildPacket(std::vector<uint8_t>(60, 1));
  second.Send({p});
  EXPECT_EQ(second.send_state(p), SendState::kQueued);
  room = true;
  script.query = [&](NDIS_OID, PVOID, ULONG, PULONG, PULONG) {
    NdisMSendResourcesAvailable(script.handle);
    EXPECT_EQ(second.send_state(p), SendState::kQueued) << "sent again only once the handler returned";
    return NDIS_STATUS_SUCCESS;
  };
  second.Query(OID_GEN_VENDOR_ID, 4);
  EXPECT_EQ(second.send_resources_notices(), 1u);
  EXPECT_EQ(second.send_state(p), SendState::kCompleted);
}

TEST_F(Protocol, KeptReceivePacketsComeBackThroughReturnPacket) {
  std::vector<PNDIS_PACKET> returned;
  script.return_packet = [&](PNDIS_PACKET p) {
    EXPECT_EQ(KeGetCurrentIrql(), DISPATCH_LEVEL);
    returned.push_back(p);
  };
  adapter->OnReceive([&](PNDIS_PACKET p) { return p == rx[0] ? ReceiveAction::kKeep : ReceiveAction::kReturn; });
  Indicate(2);
  EXPECT_EQ(NDIS_GET_PACKET_STATUS(rx[0]), NDIS_STATUS_PENDING) << "a kept packet is marked pending";
  EXPECT_EQ(NDIS_GET_PACKET_STATUS(rx[1]), NDIS_STATUS_SUCCESS);
  ASSERT_EQ(adapter->held_packets().size(), 1u);
  EXPECT_TRUE(returned.empty());
  adapter->ReturnPacket(rx[0]);
  EXPECT_EQ(returned, std::vector<PNDIS_PACKET>{rx[0]});
  EXPECT_TRUE(adapter->held_packets().empty());
}

TEST_F(Protocol, ReturnFromInsideTheIndicationWaitsForTheHandler) {
  std::vector<PNDIS_PACKET> returned;
  bool inside = false;
  script.return_packet = [&](PNDIS_PACKET p) {
    EXPECT_FALSE(inside) << "ReturnPacket ran inside the indicating handler";
    returned.push_back(p);
  };
  adapter->OnReceive([&](PNDIS_PACKET p) {
    inside = true;
    adapter->ReturnPacket(p);  // still held: the call waits
    return ReceiveAction::kKeep;
  });
  InHandler([&] {
    NDIS_SET_PACKET_STATUS(rx[0], NDIS_STATUS_SUCCESS);
    NdisMIndicateReceivePacket(script.handle, rx, 1);
    inside = false;
  });
  EXPECT_EQ(returned.size(), 1u);
}

TEST_F(Protocol, WithoutACallbackFramesAreCopied) {
  Indicate(2, 60);
  ASSERT_EQ(adapter->received().size(), 2u);
  EXPECT_EQ(adapter->received()[1].bytes, std::vector<uint8_t>(60, 0x11));
  EXPECT_EQ(adapter->received()[1].header_size, 14u);
  EXPECT_EQ(adapter->packets_indicated(), 2u);
  EXPECT_EQ(adapter->receive_indications(), 1u);
}

TEST_F(Protocol, HaltGivesKeptPacketsBackFirst) {
  std::vector<std::string> order;
  script.return_packet = [&](PNDIS_PACKET) { order.push_back("return"); };
  script.halt = [&] {
    order.push_back("halt");
    NdisFreePacketPool(packet_pool);
    NdisFreeBufferPool(buffer_pool);
    NdisMFreeSharedMemory(script.handle, 4 * 64, TRUE, area, area_physical);
  };
  adapter->OnReceive([](PNDIS_PACKET) { return ReceiveAction::kKeep; });
  Indicate(2);
  adapter->Halt();
  EXPECT_EQ(order, (std::vector<std::string>{"return", "return", "halt"}));
}

TEST_F(Protocol, StatusIndicationsAndNoticesAreRecorded) {
  InHandler([&] {
    NdisMIndicateStatus(script.handle, NDIS_STATUS_MEDIA_DISCONNECT, nullptr, 0);
    NdisMIndicateStatusComplete(script.handle);
    NdisMSendResourcesAvailable(script.handle);
  });
  ASSERT_EQ(adapter->status_events().size(), 2u);
  EXPECT_EQ(adapter->status_events()[0].status, NDIS_STATUS_MEDIA_DISCONNECT);
  EXPECT_FALSE(adapter->status_events()[0].complete);
  EXPECT_TRUE(adapter->status_events()[1].complete);
  EXPECT_EQ(adapter->send_resources_notices(), 1u);
}

TEST_F(Protocol, QueryAndSetCarryBuffersAndByteCounts) {
  script.query = [](NDIS_OID oid, PVOID buffer, ULONG length, PULONG written, PULONG needed) {
    if (oid != OID_GEN_LINK_SPEED) return NDIS_STATUS_INVALID_OID;
    if (length < 4) {
      *needed = 4;
      return NDIS_STATUS_INVALID_LENGTH;
    }
    ULONG speed = 1000000;
    NdisMoveMemory(buffer, &speed, 4);
    *written = 4;
    return NDIS_STATUS_SUCCESS;
  };
  ULONG seen_filter = 0;
  script.set = [&](NDIS_OID, PVOID buffer, ULONG length, PULONG read, PULONG) {
    NdisMoveMemory(&seen_filter, buffer, 4);
    *read = length;
    return NDIS_STATUS_SUCCESS;
  };
  hostndis::QueryResult q = adapter->Query(OID_GEN_LINK_SPEED, 8);
  EXPECT_EQ(q.status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(q.bytes_written, 4u);
  EXPECT_EQ(q.data, (std::vector<uint8_t>{0x40, 0x42, 0x0f, 0x00}));
  q = adapter->Query(OID_GEN_LINK_SPEED, 2);
  EXPECT_EQ(q.status, NDIS_STATUS_INVALID_LENGTH);
  EXPECT_EQ(q.bytes_needed, 4u);
  hostndis::SetResult s = adapter->Set(OID_GEN_CURRENT_PACKET_FILTER, {0x09, 0, 0, 0});
  EXPECT_EQ(s.status, NDIS_STATUS_SUCCESS);
  EXPECT_EQ(s.bytes_read, 4u);
  EXPECT_EQ(seen_filter, 9u);
}

TEST_F(Mapping, ProtocolBufferCrossingAPageMapsToTwoSegments) {
  NDIS_PHYSICAL_ADDRESS_UNIT segments[2] = {};
  UINT count = 0;
  script.initialize = [&] { return NdisMAllocateMapRegisters(script.handle, 0, NDIS_DMA_32BITS, 1, 1518); };
  script.halt = [&] { NdisMFreeMapRegisters(script.handle); };
  InitializeAdapter();
  std::vector<uint8_t> header(14, 0xee), payload(1000);
  for (size_t i = 0; i < payload.size(); ++i) payload[i] = static_cast<uint8_t>(i);
  PNDIS_PACKET p = adapter->BuildPacket({{header, 0}, {payload, hostndis::kPageSize - 200}});
  script.send_packets = [&](PPNDIS_PACKET packets, UINT) {
    PNDIS_BUFFER last = packets[0]->Private.Tail;
    NdisMStartBufferPhysicalMapping(script.handle, last, 0, TRUE, segments, &count);
    NdisMCompleteBufferPhysicalMapping(script.handle, last, 0);
    NDIS_SET_PACKET_STATUS(packets[0], NDIS_STATUS_SUCCESS);
  };
  adapter->Send({p});
  ASSERT_EQ(count, 2u);
  EXPECT_EQ(segments[0].Length, 200u);
  EXPECT_EQ(segments[1].Length, 800u);
  std::vector<uint8_t> seen(800);
  sim::DmaSpace& bus = host.memory();
  ASSERT_TRUE(bus.DmaRead(static_cast<uint32_t>(segments[1].PhysicalAddress.QuadPart), seen.data(), 800));
  EXPECT_TRUE(std::equal(seen.begin(), seen.end(), payload.begin() + 200)) << "segment 2 holds the rest of the buffer";
  adapter->Halt();
}

VOID NTAPI FinishReset(PVOID, PVOID context, PVOID, PVOID) {
  NdisMResetComplete(static_cast<Script*>(context)->handle, NDIS_STATUS_SUCCESS, TRUE);
}

TEST_F(Protocol, PendingResetCompletesThroughNdisMResetComplete) {
  NDIS_MINIPORT_TIMER timer;
  script.reset = [&](PBOOLEAN) {
    NdisMInitializeTimer(&timer, script.handle, FinishReset, &script);
    NdisMSetTimer(&timer, 5);
    return NDIS_STATUS_PENDING;
  };
  hostndis::ResetResult r = adapter->Reset();
  EXPECT_EQ(r.status, NDIS_STATUS_PENDING);
  EXPECT_FALSE(r.done);
  host.RunFor(10 * sim::kMillisecond);
  EXPECT_TRUE(adapter->last_reset().done);
  EXPECT_EQ(adapter->last_reset().status, NDIS_STATUS_SUCCESS);
  EXPECT_TRUE(adapter->last_reset().addressing_reset);
}

}  // namespace
}  // namespace hostndis_test

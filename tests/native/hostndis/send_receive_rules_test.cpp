// Verifier rules about sends, receive indications, buffers and mappings.
#include "script_fixture.h"

namespace hostndis_test {
namespace {

namespace rule = hostndis::rule;

class SendRules : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    script.send_packets = [](PPNDIS_PACKET packets, UINT count) {
      for (UINT i = 0; i < count; ++i) NDIS_SET_PACKET_STATUS(packets[i], NDIS_STATUS_PENDING);
    };
    InitializeAdapter();
    packet = adapter->BuildPacket(std::vector<uint8_t>(60, 1));
  }
  PNDIS_PACKET packet = nullptr;
};

TEST_F(SendRules, CompletingTwiceOrARefusedPacketIsReported) {
  ExpectFinding(rule::kSendCompleteNotPending);
  adapter->Send({packet});
  InHandler([&] {
    NdisMSendComplete(script.handle, packet, NDIS_STATUS_SUCCESS);
    NdisMSendComplete(script.handle, packet, NDIS_STATUS_SUCCESS);
  });
  PNDIS_PACKET never_sent = adapter->BuildPacket(std::vector<uint8_t>(60, 2));
  InHandler([&] { NdisMSendComplete(script.handle, never_sent, NDIS_STATUS_SUCCESS); });
  EXPECT_EQ(host.verifier().Count(rule::kSendCompleteNotPending), 2u);
  EXPECT_EQ(adapter->send_completions().size(), 1u) << "only the real completion reaches the protocol";
}

TEST_F(SendRules, StatusLeftUnsetIsReported) {
  ExpectFinding(rule::kSendStatusUnset);
  script.send_packets = [](PPNDIS_PACKET, UINT) {};
  adapter->Send({packet});
}

TEST_F(SendRules, SendStillPendingAtHaltIsReported) {
  ExpectFinding(rule::kSendNotCompleted);
  adapter->Send({packet});
  adapter->Halt();
}

TEST_F(SendRules, CompletingWhileStillMappedIsReported) {
  ExpectFinding(rule::kSendCompleteMapped);
  adapter->Halt();
  script.initialize = [&] { return NdisMAllocateMapRegisters(script.handle, 0, NDIS_DMA_32BITS, 2, 1518); };
  InitializeAdapter();
  script.send_packets = [&](PPNDIS_PACKET packets, UINT) {
    NDIS_PHYSICAL_ADDRESS_UNIT units[2];
    UINT count;
    NdisMStartBufferPhysicalMapping(script.handle, packets[0]->Private.Head, 1, TRUE, units, &count);
    NDIS_SET_PACKET_STATUS(packets[0], NDIS_STATUS_PENDING);
  };
  adapter->Send({packet});
  InHandler([&] {
    NdisMSendComplete(script.handle, packet, NDIS_STATUS_SUCCESS);
    NdisMCompleteBufferPhysicalMapping(script.handle, packet->Private.Head, 1);
  });
}

TEST_F(SendRules, ForeignPacketsAndHandlesAreReported) {
  ExpectFinding(rule::kBadPacket);
  ExpectFinding(rule::kBadHandle);
  NDIS_PACKET stray{};
  InHandler([&] {
    NdisMSendComplete(script.handle, &stray, NDIS_STATUS_SUCCESS);
    NdisMSendComplete(&stray, packet, NDIS_STATUS_SUCCESS);
  });
}

class ReceiveRules : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    script.initialize = [&] {
      NDIS_STATUS status;
      NdisAllocatePacketPool(&status, &packets_pool, 20, 16);
      NdisAllocateBufferPool(&status, &buffers_pool, 20);
      for (int i = 0; i < 20; ++i) {
        NdisAllocatePacket(&status, &packets[i], packets_pool);
        NdisAllocateBuffer(&status, &buffers[i], buffers_pool, memory[i], sizeof(memory[i]));
        NdisChainBufferAtBack(packets[i], buffers[i]);
        NDIS_SET_PACKET_STATUS(packets[i], NDIS_STATUS_SUCCESS);
      }
      return status;
    };
    InitializeAdapter();
  }
  NDIS_HANDLE packets_pool = nullptr, buffers_pool = nullptr;
  PNDIS_PACKET packets[20] = {};
  PNDIS_BUFFER buffers[20] = {};
  UCHAR memory[20][64] = {};
};

TEST_F(ReceiveRules, MoreThanSixteenPacketsInOneIndicationIsReported) {
  ExpectFinding(rule::kIndicateTooMany);
  InHandler([&] { NdisMIndicateReceivePacket(script.handle, packets, 16); });
  EXPECT_EQ(host.verifier().Count(rule::kIndicateTooMany), 0u) << "sixteen is allowed";
  InHandler([&] { NdisMIndicateReceivePacket(script.handle, packets, 17); });
  EXPECT_EQ(adapter->packets_indicated(), 33u);
}

TEST_F(ReceiveRules, IndicatingAPacketTheProtocolKeepsIsReported) {
  ExpectFinding(rule::kIndicateHeldPacket);
  adapter->OnReceive([](PNDIS_PACKET) { return hostndis::ReceiveAction::kKeep; });
  InHandler([&] { NdisMIndicateReceivePacket(script.handle, packets, 1); });
  NDIS_SET_PACKET_STATUS(packets[0], NDIS_STATUS_SUCCESS);
  InHandler([&] { NdisMIndicateReceivePacket(script.handle, packets, 1); });
  EXPECT_EQ(adapter->packets_indicated(), 1u);
}

TEST_F(ReceiveRules, PacketsIndicatedWithResourcesStatusCannotBeKept) {
  adapter->OnReceive([](PNDIS_PACKET) { return hostndis::ReceiveAction::kKeep; });
  NDIS_SET_PACKET_STATUS(packets[0], NDIS_STATUS_RESOURCES);
  InHandler([&] { NdisMIndicateReceivePacket(script.handle, packets, 1); });
  EXPECT_TRUE(adapter->held_packets().empty());
  EXPECT_EQ(NDIS_GET_PACKET_STATUS(packets[0]), NDIS_STATUS_RESOURCES);
}

TEST_F(ReceiveRules, BufferLengthBeyondItsMemoryIsReported) {
  ExpectFinding(rule::kBufferLength);
  InHandler([&] {
    NdisAdjustBufferLength(buffers[0], 64);
    NdisAdjustBufferLength(buffers[0], 65);
  });
  EXPECT_EQ(host.verifier().Count(rule::kBufferLength), 1u) << "adjusting to 65 bytes of 64";
  // A length set behind NDIS's back is caught when the packet goes up.
  buffers[1]->ByteCount = 65;
  InHandler([&] { NdisMIndicateReceivePacket(script.handle, &packets[1], 1); });
  EXPECT_EQ(host.verifier().Count(rule::kBufferLength), 2u) << "indicating a 65-byte claim over 64 bytes";
  EXPECT_EQ(adapter->packets_indicated(), 0u) << "the overlong packet never reaches the protocol";
}

TEST_F(ReceiveRules, UnchainingWalksTheChainFromEitherEnd) {
  PNDIS_PACKET p = packets[0];
  NdisChainBufferAtBack(p, buffers[1]);
  NdisChainBufferAtFront(p, buffers[2]);
  PNDIS_BUFFER front = nullptr, back = nullptr;
  UINT count = 0, total = 0;
  NdisQueryPacket(p, nullptr, &count, nullptr, &total);
  EXPECT_EQ(count, 3u);
  EXPECT_EQ(total, 192u);
  NdisUnchainBufferAtFront(p, &front);
  NdisUnchainBufferAtBack(p, &back);
  EXPECT_EQ(front, buffers[2]);
  EXPECT_EQ(back, buffers[1]);
  EXPECT_EQ(p->Private.Head, buffers[0]);
  EXPECT_EQ(p->Private.Tail, buffers[0]);
  EXPECT_EQ(NDIS_BUFFER_LINKAGE(front), nullptr);
}

class MappingRules : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    script.initialize = [&] {
      NDIS_STATUS status;
      NdisAllocateBufferPool(&status, &pool, 4);
      NDIS_PHYSICAL_ADDRESS physical;
      PVOID shared;
      NdisMAllocateSharedMemory(script.handle, 4096, TRUE, &shared, &physical);
      NdisAllocateBuffer(&status, &dma_buffer, pool, shared, 1000);
      NdisAllocateBuffer(&status, &long_buffer, pool, static_cast<PUCHAR>(shared) + 1000, 2000);
      NdisAllocateBuffer(&status, &host_buffer, pool, plain, sizeof(plain));
      return NdisMAllocateMapRegisters(script.handle, 0, NDIS_DMA_32BITS, 2, 1518);
    };
    InitializeAdapter();
  }
  NDIS_HANDLE pool = nullptr;
  PNDIS_BUFFER dma_buffer = nullptr, long_buffer = nullptr, host_buffer = nullptr;
  UCHAR plain[64] = {};
  NDIS_PHYSICAL_ADDRESS_UNIT units[2] = {};
  UINT count = 0;
};

TEST_F(MappingRules, UnpairedMappingsAreReported) {
  ExpectFinding(rule::kMappingPairing);
  InHandler([&] {
    NdisMCompleteBufferPhysicalMapping(script.handle, dma_buffer, 0);  // nothing mapped
    NdisMStartBufferPhysicalMapping(script.handle, dma_buffer, 2, TRUE, units, &count);  // no register 2
    NdisMStartBufferPhysicalMapping(script.handle, dma_buffer, 0, TRUE, units, &count);
    NdisMStartBufferPhysicalMapping(script.handle, dma_buffer, 0, TRUE, units, &count);  // in use
    NdisMCompleteBufferPhysicalMapping(script.handle, host_buffer, 0);  // another buffer
  });
  EXPECT_EQ(host.verifier().Count(rule::kMappingPairing), 4u);
}

TEST_F(MappingRules, TooLongOrUnreachableBuffersAreReported) {
  ExpectFinding(rule::kMappingTooLong);
  ExpectFinding(rule::kMappingNotDmaMemory);
  InHandler([&] {
    NdisMStartBufferPhysicalMapping(script.handle, long_buffer, 0, TRUE, units, &count);
    NdisMCompleteBufferPhysicalMapping(script.handle, long_buffer, 0);
    NdisMStartBufferPhysicalMapping(script.handle, host_buffer, 1, TRUE, units, &count);
  });
  EXPECT_EQ(count, 0u) << "nothing a device could reach";
}

TEST_F(MappingRules, LeftoversAreReportedAtHalt) {
  ExpectFinding(rule::kLeakMapping);
  ExpectFinding(rule::kLeakMapRegisters);
  ExpectFinding(rule::kLeakPool);
  ExpectFinding(rule::kLeakSharedMemory);
  InHandler([&] { NdisMStartBufferPhysicalMapping(script.handle, dma_buffer, 1, TRUE, units, &count); });
  EXPECT_EQ(count, 1u) << "shared memory is one physical run";
  adapter->Halt();
}

}  // namespace
}  // namespace hostndis_test

// The transmit path: descriptors for copied and mapped buffers, refusals,
// the completion interrupt positions, and how completions are classified.
#include "driver_fixture.h"

namespace trx_test {
namespace {

using hostndis::BufferSpec;
using hostndis::SendState;

class TransmitTest : public DriverTest {
 protected:
  // The bytes the far end received last, without the FCS.
  std::vector<uint8_t> LastOnWire(Port& port) {
    std::vector<uint8_t> f = port.peer->received().back();
    f.resize(f.size() - 4);
    return f;
  }
  ULONG PhysicalOf(PNDIS_BUFFER buffer) {
    uint32_t phys = 0;
    EXPECT_TRUE(host.memory().Translate(MmGetSystemAddressForMdl(buffer), &phys));
    return phys;
  }
  static std::vector<uint8_t> Join(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b) {
    std::vector<uint8_t> j = a;
    j.insert(j.end(), b.begin(), b.end());
    return j;
  }
};

TEST_F(TransmitTest, CopiesABufferBelowTheMapThreshold) {
  Port& port = AddPort();
  BringUp(port);
  PTX_RECORD r = port.context()->TxHead;
  std::vector<uint8_t> frame = Frame(kPeer, 60, 1, kStation);
  EXPECT_EQ(SendAndComplete(port, port.adapter->BuildPacket(frame)), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(r->Descriptor[1], 0x6000003cu) << "60 bytes in buffer 1, first and last segment";
  EXPECT_EQ(r->Descriptor[2], r->CopyPhysical);
  EXPECT_EQ(r->Descriptor[3], 0u);
  EXPECT_EQ(LastOnWire(port), frame);
}

TEST_F(TransmitTest, MapsALargeLastBufferInPlace) {
  Port& port = AddPort();
  BringUp(port);
  PTX_RECORD r = port.context()->TxHead;
  std::vector<uint8_t> header = Frame(kPeer, 14, 0, kStation), payload = Frame(kPeer, 1000, 9);
  PNDIS_PACKET p = port.adapter->BuildPacket({BufferSpec{header, 100}, BufferSpec{payload, 0}});
  ULONG payload_physical = PhysicalOf(p->Private.Head->Next);
  EXPECT_EQ(SendAndComplete(port, p), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(r->Descriptor[1], 14u + (1000u << 11) + 0x60000000u);
  EXPECT_EQ(r->Descriptor[3], payload_physical) << "buffer 2 is the packet's own buffer";
  EXPECT_EQ(LastOnWire(port), Join(header, payload));
}

// A last buffer of exactly MapThreshold bytes is mapped; one byte less is copied.
TEST_F(TransmitTest, MapThresholdIsTheSmallestLastBufferThatIsMapped) {
  Port& port = AddPort();
  port.adapter->SetKeyword("MapThreshold", 200u);
  BringUp(port);
  std::vector<uint8_t> header = Frame(kPeer, 14, 0, kStation);
  struct Case {
    uint32_t last;
    ULONG tdes1;
    bool mapped;
  } cases[] = {{200, 0x6006400e, true}, {199, 0x600000d5, false}};
  for (const Case& c : cases) {
    PTX_RECORD r = port.context()->TxHead;
    std::vector<uint8_t> payload = Frame(kPeer, c.last, 7);
    PNDIS_PACKET p = port.adapter->BuildPacket({BufferSpec{header, 0}, BufferSpec{payload, 0}});
    ULONG payload_physical = PhysicalOf(p->Private.Head->Next);
    EXPECT_EQ(SendAndComplete(port, p), NDIS_STATUS_SUCCESS) << c.last << " bytes";
    EXPECT_EQ(r->Descriptor[1], c.tdes1) << c.last << " bytes";
    EXPECT_EQ(r->Descriptor[3], c.mapped ? payload_physical : 0u) << c.last << " bytes";
    EXPECT_EQ(LastOnWire(port), Join(header, payload)) << c.last << " bytes";
  }
}

TEST_F(TransmitTest, CopiesTheFirstPieceOfAMappedBufferThatCrossesAPage) {
  Port& port = AddPort();
  BringUp(port);
  PTX_RECORD r = port.context()->TxHead;
  std::vector<uint8_t> header = Frame(kPeer, 14, 0, kStation), payload = Frame(kPeer, 1000, 3);
  PNDIS_PACKET p = port.adapter->BuildPacket({BufferSpec{header, 0}, BufferSpec{payload, hostndis::kPageSize - 200}});
  EXPECT_EQ(SendAndComplete(port, p), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(r->Descriptor[1], 214u + (800u << 11) + 0x60000000u) << "header and 200 bytes copied, 800 mapped";
  EXPECT_EQ(LastOnWire(port), Join(header, payload));
}

TEST_F(TransmitTest, HighestMapThresholdCopiesEveryPacketWhole) {
  Port& port = AddPort();
  port.adapter->SetKeyword("MapThreshold", 1538u);
  BringUp(port);
  PTX_RECORD r = port.context()->TxHead;
  std::vector<uint8_t> header = Frame(kPeer, 14, 0, kStation), payload = Frame(kPeer, 1500, 5);
  PNDIS_PACKET p = port.adapter->BuildPacket({BufferSpec{header, 0}, BufferSpec{payload, 3000}});
  EXPECT_EQ(SendAndComplete(port, p), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(r->Descriptor[1], 1514u + 0x60000000u);
  EXPECT_EQ(r->Descriptor[3], 0u);
  EXPECT_EQ(LastOnWire(port), Join(header, payload));
}

// A frame longer than 1514 bytes never reaches the 1518-byte copy buffer: it
// fails at once and its descriptor goes out empty; its neighbours are sent.
TEST_F(TransmitTest, FailsAPacketTooLongForOneFrameAndSendsTheOthers) {
  Port& port = AddPort();
  port.adapter->SetKeyword("MapThreshold", 1538u);
  BringUp(port);
  PTX_RECORD r = port.context()->TxHead->Next;
  PUCHAR after = r->CopyVirtual + TRX_MAX_FRAME;
  // Up to the next copy buffer (2 bytes on, with a 16-byte alignment).
  std::vector<uint8_t> guard(after, r->CopyVirtual + port.context()->BufferSize);
  PNDIS_PACKET ok1 = port.adapter->BuildPacket(Frame(kPeer, 60, 1, kStation));
  PNDIS_PACKET big = port.adapter->BuildPacket({BufferSpec{Frame(kPeer, 1000, 0, kStation), 0},
                                                BufferSpec{std::vector<uint8_t>(1000, 0xee), 0}});
  PNDIS_PACKET ok2 = port.adapter->BuildPacket(Frame(kPeer, 61, 2, kStation));
  port.adapter->Send({ok1, big, ok2});
  EXPECT_EQ(port.adapter->send_state(big), SendState::kCompleted) << "failed synchronously";
  EXPECT_EQ(port.adapter->send_status(big), NDIS_STATUS_FAILURE);
  host.RunUntil([&] { return port.adapter->send_state(ok2) == SendState::kCompleted; }, Patience(10 * sim::kMillisecond));
  EXPECT_EQ(port.adapter->send_status(ok1), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port.adapter->send_status(ok2), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port.peer->received().size(), 2u);
  EXPECT_EQ(r->Descriptor[0], 0x7fffffffu) << "the empty descriptor had nothing to report";
  EXPECT_EQ(std::vector<uint8_t>(after, after + guard.size()), guard) << "nothing written past the copy buffer";
  EXPECT_EQ(QueryValue(port, OID_GEN_XMIT_OK), 2u);
  EXPECT_EQ(QueryValue(port, OID_GEN_XMIT_ERROR), 0u);
}

TEST_F(TransmitTest, RefusesThePacketsThatDoNotFitTheRing) {
  Port& port = AddPort();
  port.adapter->SetKeyword("TxRingSize", 4u);
  BringUp(port);
  ASSERT_EQ(port.context()->TxFree, 3u);
  std::vector<PNDIS_PACKET> packets;
  for (uint8_t i = 0; i < 5; ++i) packets.push_back(port.adapter->BuildPacket(Frame(kPeer, 60, i, kStation)));
  uint64_t notices = port.adapter->send_resources_notices();
  port.adapter->Send(packets);
  for (int i = 3; i < 5; ++i) {
    EXPECT_EQ(port.adapter->send_state(packets[i]), SendState::kRefused) << "packet " << i;
    EXPECT_EQ(port.adapter->send_status(packets[i]), NDIS_STATUS_RESOURCES) << "packet " << i;
  }
  EXPECT_FALSE(port.context()->SendResourcesNeeded) << "a full ring is no reason to wait for the link";
  Run(sim::kMillisecond);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(port.adapter->send_status(packets[i]), NDIS_STATUS_SUCCESS) << "packet " << i;
  EXPECT_EQ(port.peer->received().size(), 3u);
  EXPECT_EQ(port.adapter->send_resources_notices(), notices + 1) << "the ring that refused part of a batch has room again";
}

TEST_F(TransmitTest, AsksForACompletionInterruptAtHalfAndEndOfTheRing) {
  Port& port = AddPort();
  BringUp(port);
  for (int batch = 0; batch < 20; ++batch) {
    std::vector<PNDIS_PACKET> packets;
    for (int i = 0; i < 16; ++i) packets.push_back(port.adapter->BuildPacket(Frame(kPeer, 60, 0, kStation)));
    port.adapter->Send(packets);
    Run(sim::kMillisecond);
    for (PNDIS_PACKET p : packets) port.adapter->FreePacket(p);
  }
  ASSERT_EQ(port.peer->received().size(), 320u);
  for (ULONG i = 0; i < 256; ++i) {
    ULONG bits = port.TxDescriptor(i)[1] & 0xfe000000u;
    ULONG expected = i == 127 ? 0xe0000000u : i == 255 ? 0xe2000000u : 0x60000000u;
    if ((port.TxDescriptor(i)[1] & 0x08000000u) == 0 && (port.TxDescriptor(i)[1] & 0x7ff) == 60) {
      EXPECT_EQ(bits, expected) << "record " << i;
    }
  }
  EXPECT_EQ(port.TxDescriptor(127)[1], 0xe000003cu) << "interrupt on completion at record 127";
  EXPECT_EQ(port.TxDescriptor(255)[1], 0xe200003cu) << "interrupt and end of ring on the last record";
}

// The interrupts at the ring's half and end complete the packets before them
// while the chip still sends the rest: completions do not wait for the ring
// to run dry. Any four records in a row hold one of the two.
TEST_F(TransmitTest, CompletesWhileTheRestOfTheRingIsStillSent) {
  Port& port = AddPort(sim::BoardConfig(), true, sim::Wire::Pace::kLineRate);
  port.adapter->SetKeyword("TxRingSize", 8u);
  BringUp(port);
  std::vector<PNDIS_PACKET> packets;
  for (uint8_t i = 0; i < 7; ++i) packets.push_back(port.adapter->BuildPacket(Frame(kPeer, 1514, i, kStation)));
  port.adapter->Send(packets);
  for (int step = 0; step < 200 && port.peer->received().size() < 6; ++step) Run(10 * sim::kMicrosecond);
  ASSERT_EQ(port.peer->received().size(), 6u) << "one frame still to send";
  EXPECT_EQ(port.adapter->send_state(packets[0]), SendState::kCompleted) << "the first packet, five frames ago";
  Run(sim::kMillisecond);
  for (PNDIS_PACKET p : packets) EXPECT_EQ(port.adapter->send_status(p), NDIS_STATUS_SUCCESS);
}

// Each fault on its own number of packets, so that no two counters agree.
TEST_F(TransmitTest, SortsCompletionsIntoTheCounters) {
  Port& port = AddPort();
  BringUp(port);
  struct Case {
    sim::TxFault::Kind kind;
    int packets;
    NDIS_STATUS status;
  } cases[] = {{sim::TxFault::kCollisions, 3, NDIS_STATUS_SUCCESS},
               {sim::TxFault::kDeferred, 1, NDIS_STATUS_SUCCESS},
               {sim::TxFault::kExcessiveCollisions, 2, NDIS_STATUS_FAILURE},
               {sim::TxFault::kCarrierLoss, 3, NDIS_STATUS_FAILURE},
               {sim::TxFault::kNoCarrier, 3, NDIS_STATUS_FAILURE},
               {sim::TxFault::kUnderflow, 5, NDIS_STATUS_FAILURE}};
  for (const Case& c : cases) {
    for (int i = 0; i < c.packets; ++i) {
      port.board().InjectTxFault(sim::TxFault{c.kind, 3, 1});
      EXPECT_EQ(SendAndComplete(port, port.adapter->BuildPacket(Frame(kPeer, 60, 0, kStation))), c.status)
          << "fault kind " << c.kind;
    }
  }
  EXPECT_EQ(QueryValue(port, OID_GEN_XMIT_OK), 4u);
  EXPECT_EQ(QueryValue(port, OID_GEN_XMIT_ERROR), 13u);
  EXPECT_EQ(QueryValue(port, OID_802_3_XMIT_ONE_COLLISION), 3u);
  EXPECT_EQ(QueryValue(port, OID_802_3_XMIT_MORE_COLLISIONS), 0u);
  EXPECT_EQ(QueryValue(port, OID_802_3_XMIT_DEFERRED), 1u);
  EXPECT_EQ(QueryValue(port, OID_802_3_XMIT_MAX_COLLISIONS), 2u);
  EXPECT_EQ(QueryValue(port, OID_802_3_XMIT_TIMES_CRS_LOST), 6u);
  EXPECT_EQ(QueryValue(port, OID_802_3_XMIT_UNDERRUN), 5u);
}

// With the line muted a sent frame's status waits in its descriptor; the test
// rewrites it before the driver looks.
class CompletionStatusTest : public TransmitTest {
 protected:
  PTX_RECORD SendHeld(Port& port, PNDIS_PACKET p) {
    port.device->MuteLine(true);
    PTX_RECORD r = port.context()->TxHead;
    port.adapter->Send({p});
    Run(sim::kMillisecond);
    EXPECT_EQ(port.adapter->send_state(p), SendState::kWithMiniport);
    EXPECT_EQ(r->Descriptor[0], 0u) << "a clean transmission writes a zero status";
    return r;
  }
};

TEST_F(CompletionStatusTest, DeferredWithOneCollisionCountsOnceInEachCounter) {
  Port& port = AddPort();
  BringUp(port);
  PNDIS_PACKET p = port.adapter->BuildPacket(Frame(kPeer, 60, 0, kStation));
  PTX_RECORD r = SendHeld(port, p);
  r->Descriptor[0] = 0x00000009;
  port.device->MuteLine(false);
  Run(sim::kMillisecond);
  EXPECT_EQ(port.adapter->send_status(p), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(QueryValue(port, OID_GEN_XMIT_OK), 1u);
  EXPECT_EQ(QueryValue(port, OID_802_3_XMIT_DEFERRED), 1u);
  EXPECT_EQ(QueryValue(port, OID_802_3_XMIT_ONE_COLLISION), 1u);
}

TEST_F(CompletionStatusTest, AZeroStatusIsCleanOnlyForARecordHandedToTheChip) {
  Port& port = AddPort();
  BringUp(port);
  PNDIS_PACKET p = port.adapter->BuildPacket(Frame(kPeer, 60, 0, kStation));
  PTX_RECORD r = SendHeld(port, p);
  r->Submitted = FALSE;  // as if never handed over
  port.device->MuteLine(false);
  Run(sim::kMillisecond);
  EXPECT_EQ(port.adapter->send_state(p), SendState::kWithMiniport) << "the walk stops at a record never handed over";
  EXPECT_EQ(port.context()->TxTail, r);
  EXPECT_FALSE(port.context()->CompletionBusy);

  r->Submitted = TRUE;
  EXPECT_EQ(SendAndComplete(port, port.adapter->BuildPacket(Frame(kPeer, 61, 0, kStation))), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(port.adapter->send_status(p), NDIS_STATUS_SUCCESS) << "completed by the next walk, in ring order";
  ASSERT_EQ(port.adapter->send_completions().size(), 2u);
  EXPECT_EQ(port.adapter->send_completions()[0].packet, p);
}

}  // namespace
}  // namespace trx_test

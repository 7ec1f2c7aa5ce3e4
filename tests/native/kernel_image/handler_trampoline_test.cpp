// The image's handlers and indications as the stand-in sees them: small
// routines stand in for the image's OID, reset and send handlers, or indicate
// through the miniport block, and the stand-in's rules hold for them as for
// a natively built driver (whose twins are in tests/native/hostndis).
#include <gtest/gtest.h>

#include "ddk_layouts.h"
#include "image_probe.h"

namespace {

using hostndis::rule::kBadPacket;
using hostndis::rule::kInformationOverrun;
using probe::Routine;
namespace ddk = kimage::ddk;

constexpr uint16_t kOidHandlerArgs = 24;

// A handler replaced by a routine stays so until the test ends: Halt, the
// only handler the test's end calls, is never replaced.
class HandlerTrampolineTest : public probe::ImageProbeTest {};

// As Resources.OidHandlerWritingPastItsBufferIsReported natively.
TEST_F(HandlerTrampolineTest, AnOidHandlerWritingPastItsBufferIsAnOverrun) {
  ExpectFinding(kInformationOverrun);
  hostndis::Adapter& adapter = BringUpAdapter();
  uint32_t overrun = Place(Routine()
                               .Bytes({0x8b, 0x44, 0x24, 0x0c})                    // mov eax, [esp+12]: the buffer
                               .Bytes({0x03, 0x44, 0x24, 0x10})                    // add eax, [esp+16]: its length
                               .Bytes({0xc7, 0x00, 0x11, 0x11, 0x11, 0x11})        // mov dword [eax], ...
                               .Bytes({0x31, 0xc0})                                // xor eax, eax
                               .Return(kOidHandlerArgs));
  bridge().handlers.query = bridge().handlers.set = overrun;
  adapter.Query(OID_GEN_VENDOR_ID, 4);
  EXPECT_EQ(Count(kInformationOverrun), 1u) << "the query";
  adapter.Set(OID_GEN_CURRENT_PACKET_FILTER, {1, 0, 0, 0});
  EXPECT_EQ(Count(kInformationOverrun), 2u) << "the set";
}

TEST_F(HandlerTrampolineTest, AQueryCompletedInsideItsHandlerKeepsItsAnswer) {
  hostndis::Adapter& adapter = BringUpAdapter();
  bridge().handlers.query = Place(Routine()
                                      .Bytes({0x8b, 0x44, 0x24, 0x0c})              // mov eax, [esp+12]
                                      .Bytes({0xc7, 0x00, 0x01, 0x02, 0x03, 0x04})  // the answer
                                      .Bytes({0x8b, 0x44, 0x24, 0x14})              // mov eax, [esp+20]
                                      .Bytes({0xc7, 0x00, 0x04, 0x00, 0x00, 0x00})  // 4 bytes written
                                      .Call(BlockSlot(ddk::NDIS_MINIPORT_BLOCK_QueryCompleteHandler),
                                            {shadow().block, NDIS_STATUS_SUCCESS})
                                      .Bytes({0xb8, 0x03, 0x01, 0x00, 0x00})        // NDIS_STATUS_PENDING
                                      .Return(kOidHandlerArgs));
  hostndis::QueryResult r = adapter.Query(OID_GEN_VENDOR_ID, 4);
  EXPECT_TRUE(r.done) << "completed";
  EXPECT_EQ(r.status, NDIS_STATUS_SUCCESS) << "the status it completed with";
  EXPECT_EQ(r.bytes_written, 4u) << "BytesWritten";
  EXPECT_EQ(r.data, (std::vector<uint8_t>{1, 2, 3, 4})) << "the answer the handler wrote";
  EXPECT_EQ(shadow().request.counts, 0u) << "no request left pending";
}

TEST_F(HandlerTrampolineTest, AResetsAddressingResetGoesBackToTheProtocol) {
  hostndis::Adapter& adapter = BringUpAdapter();
  bridge().handlers.reset = Place(Routine()
                                      .Bytes({0x8b, 0x44, 0x24, 0x04})  // mov eax, [esp+4]: AddressingReset
                                      .Bytes({0xc6, 0x00, 0x01})        // mov byte [eax], TRUE
                                      .Bytes({0x31, 0xc0})              // NDIS_STATUS_SUCCESS
                                      .Return(8));
  hostndis::ResetResult r = adapter.Reset();
  EXPECT_EQ(r.status, NDIS_STATUS_SUCCESS) << "the handler's status";
  EXPECT_TRUE(r.addressing_reset) << "the handler set it";
}

// A buffer chain that goes on into an MDL of no pool is a bad packet (as
// natively: ReceiveRules), not a shorter frame.
TEST_F(HandlerTrampolineTest, AReceivedChainRunningIntoAForeignMdlIsABadPacket) {
  ExpectFinding(kBadPacket);
  hostndis::Adapter& adapter = BringUpAdapter();
  uint32_t out = Cell(), pool = Cell(), packet = Cell(), buffers = Cell(), buffer = Cell();
  uint32_t data = Cell(64), mdl = Cell(ddk::MDL_size), array = Cell();
  Run(Place(Routine()
                .Call(Import("NdisAllocatePacketPool"), {out, pool, 1, 16})
                .Call(Import("NdisAllocatePacket"), {out, packet, Routine::In(pool)})
                .Call(Import("NdisAllocateBufferPool"), {out, buffers, 1})
                .Call(Import("NdisAllocateBuffer"), {out, buffer, Routine::In(buffers), data, 64})
                .Return()));
  Write(Read(packet) + ddk::NDIS_PACKET_Head, Read(buffer));  // NdisChainBufferAtFront
  Write(Read(buffer) + ddk::MDL_Next, mdl);
  Write(Read(packet) + ddk::NDIS_PACKET_Tail, mdl);
  Write(array, Read(packet));
  Run(Place(Routine().Call(BlockSlot(ddk::NDIS_MINIPORT_BLOCK_PacketIndicateHandler), {shadow().block, array, 1}).Return()));
  EXPECT_EQ(Count(kBadPacket), 1u) << "the broken chain";
  EXPECT_TRUE(adapter.received().empty()) << "no frame went up";
}

// Miniports of NDIS 3.0, 4.0 and 5.0 whose only send handler is Send: the
// record in the DDK's layout is registered and its Send serves the protocol.
class RegistrationTest : public probe::ImageProbeTest, public ::testing::WithParamInterface<int> {};

TEST_P(RegistrationTest, ARecordOfAnyVersionWithOnlySendIsRegisteredAndSends) {
  const uint32_t sizes[] = {ddk::NDIS30_MINIPORT_CHARACTERISTICS_size, ddk::NDIS40_MINIPORT_CHARACTERISTICS_size,
                            ddk::NDIS_MINIPORT_CHARACTERISTICS_size};
  uint32_t size = sizes[GetParam() - 3];
  const kimage::ImageHandlers& h = bridge().handlers;
  uint32_t chars = Cell(size), wrapper = Cell(), status = Cell();
  auto put = [&](uint32_t offset, uint32_t value) { Write(chars + offset, value); };
  *bridge().At<uint8_t>(chars + ddk::NDIS_MINIPORT_CHARACTERISTICS_MajorNdisVersion) = static_cast<uint8_t>(GetParam());
  put(ddk::NDIS_MINIPORT_CHARACTERISTICS_CheckForHangHandler, h.check_for_hang);
  put(ddk::NDIS_MINIPORT_CHARACTERISTICS_DisableInterruptHandler, h.disable_interrupt);
  put(ddk::NDIS_MINIPORT_CHARACTERISTICS_EnableInterruptHandler, h.enable_interrupt);
  put(ddk::NDIS_MINIPORT_CHARACTERISTICS_HaltHandler, h.halt);
  put(ddk::NDIS_MINIPORT_CHARACTERISTICS_HandleInterruptHandler, h.handle_interrupt);
  put(ddk::NDIS_MINIPORT_CHARACTERISTICS_InitializeHandler, h.initialize);
  put(ddk::NDIS_MINIPORT_CHARACTERISTICS_ISRHandler, h.isr);
  put(ddk::NDIS_MINIPORT_CHARACTERISTICS_QueryInformationHandler, h.query);
  put(ddk::NDIS_MINIPORT_CHARACTERISTICS_ResetHandler, h.reset);
  put(ddk::NDIS_MINIPORT_CHARACTERISTICS_SetInformationHandler, h.set);
  put(ddk::NDIS_MINIPORT_CHARACTERISTICS_SendHandler, Place(Routine().Bytes({0x31, 0xc0}).Return(12)));
  Run(Place(Routine()
                .Call(Import("NdisInitializeWrapper"), {wrapper, bridge().driver_object, bridge().registry_path, 0})
                .Call(Import("NdisMRegisterMiniport"), {Routine::In(wrapper), chars, size})
                .StoreEax(status)
                .Return()));
  ASSERT_EQ(Read(status), static_cast<uint32_t>(NDIS_STATUS_SUCCESS)) << "NDIS " << GetParam() << ".0, " << size << " bytes";
  hostndis::Adapter& adapter = BringUpAdapter();
  PNDIS_PACKET packet = adapter.BuildPacket(std::vector<uint8_t>(60, 0x5a));
  adapter.Send({packet});
  EXPECT_EQ(adapter.send_state(packet), hostndis::SendState::kCompleted) << "Send took it";
  EXPECT_EQ(adapter.send_status(packet), NDIS_STATUS_SUCCESS) << "with the status Send returned";
}

INSTANTIATE_TEST_SUITE_P(Versions, RegistrationTest, ::testing::Values(3, 4, 5));

}  // namespace

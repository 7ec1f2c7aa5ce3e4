// The stand-in over a simulated 21143 board.
#include <gtest/gtest.h>

#include "hostndis/testing.h"
#include "sim/board.h"
#include "scripted_miniport.h"

namespace hostndis_test {
namespace {

class OverABoard : public hostndis::testing::HostTest {
 protected:
  void SetUp() override {
    SetScript(&script);
    sim::BoardConfig config;
    config.slot = 4;
    board = &host.AddBoard(config);
    ASSERT_EQ(host.LoadDriver(ScriptedDriverEntry), STATUS_SUCCESS);
    adapter = &host.AddAdapter(*board);
  }
  void TearDown() override {
    HostTest::TearDown();
    SetScript(nullptr);
  }
  Script script;
  sim::Board* board = nullptr;
  hostndis::Adapter* adapter = nullptr;
};

TEST_F(OverABoard, PciIdentityComesFromTheBoard) {
  ULONG id = 0, subsystem = 0, cache_line = 0;
  script.initialize = [&] {
    NdisReadPciSlotInformation(script.handle, 4, 0x00, &id, 4);
    NdisReadPciSlotInformation(script.handle, 4, 0x2c, &subsystem, 4);
    NdisReadPciSlotInformation(script.handle, 4, 0x0c, &cache_line, 4);
    return NDIS_STATUS_SUCCESS;
  };
  ASSERT_EQ(adapter->Initialize(), NDIS_STATUS_SUCCESS);
  EXPECT_EQ(id, 0x00191011u);
  EXPECT_EQ(subsystem, 0x02507c3au);
  EXPECT_EQ(cache_line & 0xff, 8u);
}

TEST_F(OverABoard, RegistersAndInterruptLineOfTheBoard) {
  NDIS_MINIPORT_INTERRUPT interrupt{};
  PUCHAR csr = nullptr;
  PULONG descriptor = nullptr;
  NDIS_PHYSICAL_ADDRESS descriptor_physical{};
  script.initialize = [&] {
    NdisMAllocateSharedMemory(script.handle, 16, FALSE, reinterpret_cast<PVOID*>(&descriptor), &descriptor_physical);
    if (descriptor == nullptr) return NDIS_STATUS_RESOURCES;
    NdisZeroMemory(descriptor, 16);  // owned by the host: nothing to send
    PNDIS_RESOURCE_LIST list;
    NDIS_STATUS status = NdisMPciAssignResources(script.handle, 4, &list);
    if (status != NDIS_STATUS_SUCCESS) return status;
    status = NdisMMapIoSpace(reinterpret_cast<PVOID*>(&csr), script.handle, list->PartialDescriptors[1].u.Memory.Start,
                             list->PartialDescriptors[1].u.Memory.Length);
    if (status != NDIS_STATUS_SUCCESS) return status;
    return NdisMRegisterInterrupt(&interrupt, script.handle, 11, 11, TRUE, TRUE, NdisInterruptLevelSensitive);
  };
  script.isr = [&] {
    if (!(READ_REGISTER_ULONG(reinterpret_cast<PULONG>(csr + 0x28)) & 0x18000)) return false;
    WRITE_REGISTER_ULONG(reinterpret_cast<PULONG>(csr + 0x38), 0);
    return true;
  };
  script.handle_interrupt = [&] {
    ULONG events = READ_REGISTER_ULONG(reinterpret_cast<PULONG>(csr + 0x28));
    WRITE_REGISTER_ULONG(reinterpret_cast<PULONG>(csr + 0x28), events);
  };
  script.halt = [&] {
    NdisMDeregisterInterrupt(&interrupt);
    NdisMUnmapIoSpace(script.handle, csr, 0x400);
    NdisMFreeSharedMemory(script.handle, 16, FALSE, descriptor, descriptor_physical);
  };
  ASSERT_EQ(adapter->Initialize(), NDIS_STATUS_SUCCESS);
  // Starting the transmitter on a descriptor the host owns raises "transmit
  // buffer unavailable" (read by DMA from shared memory); with that event
  // enabled the line rises.
  ULONG command = 0;
  script.query = [&](NDIS_OID, PVOID, ULONG, PULONG, PULONG) {
    NdisReadPciSlotInformation(script.handle, 4, 0x04, &command, 4);
    command |= 0x6;
    NdisWritePciSlotInformation(script.handle, 4, 0x04, &command, 4);
    WRITE_REGISTER_ULONG(reinterpret_cast<PULONG>(csr + 0x20), descriptor_physical.LowPart);
    WRITE_REGISTER_ULONG(reinterpret_cast<PULONG>(csr + 0x38), 0x00010004);
    WRITE_REGISTER_ULONG(reinterpret_cast<PULONG>(csr + 0x30), 0x02042000);
    return NDIS_STATUS_SUCCESS;
  };
  adapter->Query(OID_GEN_VENDOR_ID, 4);
  EXPECT_GE(script.isr_calls, 1);
  EXPECT_EQ(script.dpc_calls, 1);
  EXPECT_FALSE(board->InterruptAsserted()) << "acknowledged by the deferred routine";
  adapter->Halt();
}

}  // namespace
}  // namespace hostndis_test

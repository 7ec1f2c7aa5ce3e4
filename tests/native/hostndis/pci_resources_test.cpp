#include "script_fixture.h"

namespace hostndis_test {
namespace {

using PciAndResources = ScriptTest;

TEST_F(PciAndResources, ConfigSpaceOfTheBoardsSlotAndOfAnEmptySlot) {
  ULONG id = 0, subsystem = 0, empty = 0, read = 0, empty_read = 0;
  UCHAR bytes[3] = {};
  script.initialize = [&] {
    read = NdisReadPciSlotInformation(script.handle, 3, 0x00, &id, 4);
    NdisReadPciSlotInformation(script.handle, 3, 0x2c, &subsystem, 4);
    NdisReadPciSlotInformation(script.handle, 3, 0x2d, bytes, 3);  // unaligned, inside one dword
    empty_read = NdisReadPciSlotInformation(script.handle, 7, 0x00, &empty, 4);
    return NDIS_STATUS_SUCCESS;
  };
  InitializeAdapter();
  EXPECT_EQ(read, 4u);
  EXPECT_EQ(id, 0x00191011u);
  EXPECT_EQ(subsystem, 0x02507c3au);
  EXPECT_EQ(bytes[0], 0x7c);
  EXPECT_EQ(bytes[2], 0x02);
  EXPECT_EQ(empty_read, 4u);
  EXPECT_EQ(empty, 0xffffffffu) << "an empty slot reads all ones";
}

TEST_F(PciAndResources, ConfigWriteOfPartOfADwordKeepsTheRest) {
  script.initialize = [&] {
    ULONG command = 0x12345678;
    NdisWritePciSlotInformation(script.handle, 3, 0x04, &command, 4);
    UCHAR low = 0x06;
    NdisWritePciSlotInformation(script.handle, 3, 0x04, &low, 1);
    return NDIS_STATUS_SUCCESS;
  };
  InitializeAdapter();
  EXPECT_EQ(device->ReadPciConfig(0x04), 0x12345606u);
}

TEST_F(PciAndResources, ResourceListHoldsPortMemoryAndInterrupt) {
  PNDIS_RESOURCE_LIST list = nullptr;
  script.initialize = [&] { return NdisMPciAssignResources(script.handle, 3, &list); };
  InitializeAdapter();
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->Count, 3u);
  EXPECT_EQ(list->PartialDescriptors[0].Type, CmResourceTypePort);
  const CM_PARTIAL_RESOURCE_DESCRIPTOR& memory = list->PartialDescriptors[1];
  EXPECT_EQ(memory.Type, CmResourceTypeMemory);
  EXPECT_EQ(static_cast<uint64_t>(memory.u.Memory.Start.QuadPart), device->resources().csr_physical);
  EXPECT_EQ(memory.u.Memory.Length, device->resources().csr_length);
  const CM_PARTIAL_RESOURCE_DESCRIPTOR& interrupt = list->PartialDescriptors[2];
  EXPECT_EQ(interrupt.Type, CmResourceTypeInterrupt);
  EXPECT_EQ(interrupt.u.Interrupt.Vector, 9u);
  EXPECT_EQ(interrupt.u.Interrupt.Level, 9u);
  EXPECT_EQ(adapter->assigned_resources(), list);
}

TEST_F(PciAndResources, ResourceListWithoutInterruptOrPort) {
  auto owned = std::make_unique<FakeDevice>(5, /*has_interrupt=*/false);
  FakeDevice* quiet = owned.get();
  host.AddDevice(std::move(owned));
  hostndis::AdapterOptions options;
  options.port_resource = false;
  hostndis::Adapter& second = host.AddAdapter(*quiet, options);
  PNDIS_RESOURCE_LIST list = nullptr;
  NDIS_STATUS wrong_slot = NDIS_STATUS_SUCCESS;
  script.initialize = [&] {
    PNDIS_RESOURCE_LIST ignored;
    wrong_slot = NdisMPciAssignResources(script.handle, 3, &ignored);
    return NdisMPciAssignResources(script.handle, 5, &list);
  };
  ASSERT_EQ(second.Initialize(), NDIS_STATUS_SUCCESS);
  EXPECT_NE(wrong_slot, NDIS_STATUS_SUCCESS) << "another adapter's slot";
  ASSERT_NE(list, nullptr);
  ASSERT_EQ(list->Count, 1u);
  EXPECT_EQ(list->PartialDescriptors[0].Type, CmResourceTypeMemory);
}

TEST_F(PciAndResources, RegisterWindowReachesTheDevice) {
  PVOID csr = nullptr;
  NDIS_STATUS outside = NDIS_STATUS_SUCCESS;
  script.initialize = [&] {
    NDIS_PHYSICAL_ADDRESS start, wrong;
    start.QuadPart = device->resources().csr_physical;
    wrong.QuadPart = 0x10000000;
    PVOID ignored;
    outside = NdisMMapIoSpace(&ignored, script.handle, wrong, 0x80);
    return NdisMMapIoSpace(&csr, script.handle, start, 0x80);
  };
  InitializeAdapter();
  EXPECT_EQ(outside, NDIS_STATUS_RESOURCE_CONFLICT) << "only the device's own range maps";
  ASSERT_NE(csr, nullptr);
  auto* reg = static_cast<PUCHAR>(csr);
  device->csr[5] = 0x1234;
  InHandler([&] {
    WRITE_REGISTER_ULONG(reinterpret_cast<PULONG>(reg + 0x38), 0xabcd);
    EXPECT_EQ(READ_REGISTER_ULONG(reinterpret_cast<PULONG>(reg + 0x28)), 0x1234u);
  });
  EXPECT_EQ(device->csr[7], 0xabcdu);
  script.halt = [&] { NdisMUnmapIoSpace(script.handle, csr, 0x80); };
  adapter->Halt();
}

TEST_F(PciAndResources, AccessOutsideEveryWindowIsReported) {
  ExpectFinding(hostndis::rule::kRegisterWindow);
  InitializeAdapter();
  ULONG ordinary = 0;
  ULONG value = 0;
  InHandler([&] { value = READ_REGISTER_ULONG(&ordinary); });
  EXPECT_EQ(value, 0xffffffffu) << "an unmapped read floats high";
  EXPECT_EQ(host.verifier().Count(hostndis::rule::kRegisterWindow), 1u);
}

}  // namespace
}  // namespace hostndis_test

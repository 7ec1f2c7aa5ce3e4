#include "script_fixture.h"

namespace hostndis_test {
namespace {

// Initialize takes three allocations of different kinds and gives back what
// it got when one fails.
class Faults : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    script.initialize = [&] {
      NDIS_PHYSICAL_ADDRESS no_limit = NDIS_PHYSICAL_ADDRESS_CONST(-1, -1);
      NDIS_STATUS status = NdisAllocateMemory(&memory, 64, 0, no_limit);
      if (status != NDIS_STATUS_SUCCESS) return status;
      NdisAllocatePacketPool(&status, &pool, 8, 16);
      if (status != NDIS_STATUS_SUCCESS) {
        NdisFreeMemory(memory, 64, 0);
        return status;
      }
      PVOID window;
      NDIS_PHYSICAL_ADDRESS csr;
      csr.QuadPart = device->resources().csr_physical;
      status = NdisMMapIoSpace(&window, script.handle, csr, 0x80);
      if (status == NDIS_STATUS_SUCCESS) NdisMUnmapIoSpace(script.handle, window, 0x80);
      NdisFreePacketPool(pool);
      NdisFreeMemory(memory, 64, 0);
      return status;
    };
  }
  PVOID memory = nullptr;
  NDIS_HANDLE pool = nullptr;
};

TEST_F(Faults, NthAllocationFailsWithTheChosenStatus) {
  host.faults().FailNthAllocation(2, NDIS_STATUS_RESOURCES);
  EXPECT_EQ(adapter->Initialize(), NDIS_STATUS_RESOURCES) << "the packet pool is the second allocation";
  EXPECT_EQ(host.faults().injected(), 1u);
  EXPECT_EQ(host.faults().calls(hostndis::Op::kNdisMMapIoSpace), 0u) << "Initialize stopped at the failure";
  EXPECT_EQ(adapter->Initialize(), NDIS_STATUS_SUCCESS) << "a fault is injected once";
}

TEST_F(Faults, NthCallOfANamedOperationFails) {
  ASSERT_TRUE(host.faults().FailNthCall("NdisMMapIoSpace", 1, NDIS_STATUS_RESOURCE_CONFLICT));
  EXPECT_EQ(adapter->Initialize(), NDIS_STATUS_RESOURCE_CONFLICT);
  EXPECT_EQ(host.faults().calls("NdisMMapIoSpace"), 1u);
  EXPECT_EQ(host.faults().allocations(), 2u);
}

TEST_F(Faults, EveryAllocationOfInitializeCanBeMadeToFail) {
  InitializeAdapter();
  adapter->Halt();
  uint64_t total = host.faults().allocations();
  ASSERT_EQ(total, 2u);
  for (uint64_t n = 1; n <= total; ++n) {
    host.faults().FailNthAllocation(n, NDIS_STATUS_FAILURE);
    EXPECT_EQ(adapter->Initialize(), NDIS_STATUS_FAILURE) << "allocation " << n;
    EXPECT_FALSE(adapter->initialized());
    EXPECT_EQ(host.faults().injected(), n);
  }
}

TEST_F(Faults, UnknownOperationsAndZeroArmNothing) {
  EXPECT_FALSE(host.faults().FailNthCall("NdisFrobnicate", 1));
  EXPECT_FALSE(host.faults().FailNthCall("NdisMMapIoSpace", 0));
  host.faults().FailNthAllocation(0);
  InitializeAdapter();
  EXPECT_EQ(host.faults().injected(), 0u);
}

TEST_F(Faults, OperationNamesRoundTrip) {
  for (int i = 0; i < static_cast<int>(hostndis::Op::kCount); ++i) {
    hostndis::Op op = static_cast<hostndis::Op>(i), back;
    ASSERT_TRUE(hostndis::OpFromName(hostndis::OpName(op), &back)) << hostndis::OpName(op);
    EXPECT_EQ(back, op);
  }
}

}  // namespace
}  // namespace hostndis_test

// Verifier rules about memory and other resources, IRQL and call context.
#include <cstdlib>
#include <memory>

#include "script_fixture.h"

namespace hostndis_test {
namespace {

namespace rule = hostndis::rule;

using Resources = ScriptTest;

const NDIS_PHYSICAL_ADDRESS kNoLimit = NDIS_PHYSICAL_ADDRESS_CONST(-1, -1);

VOID NTAPI Shutdown(PVOID) {}

// An emulated driver's pool memory lives in physical memory: a host that goes
// away while some is still allocated must not hand it to free().
TEST(PoolInPhysicalMemory, AHostGoneWithPoolMemoryHeldGivesItBackWithThePhysicalMemory) {
  hostndis::HostConfig config;
  config.pool_in_physical_memory = true;
  auto host = std::make_unique<hostndis::Host>(config);
  host->verifier().set_print(false);
  PVOID memory = nullptr;
  ASSERT_EQ(NdisAllocateMemory(&memory, 100, 0, kNoLimit), NDIS_STATUS_SUCCESS) << "pool memory";
  EXPECT_TRUE(host->memory().Contains(memory)) << "pool memory in physical memory";
  // Run apart, so that a free() of memory malloc never gave is this test's
  // failure rather than the end of the test program.
  EXPECT_EXIT((host.reset(), std::exit(0)), ::testing::ExitedWithCode(0), "") << "the host goes away cleanly";
}

TEST_F(Resources, EverythingLeftAtHaltIsReported) {
  ExpectFinding(rule::kLeakMemory);
  ExpectFinding(rule::kLeakSharedMemory);
  ExpectFinding(rule::kLeakPool);
  ExpectFinding(rule::kLeakIoSpace);
  ExpectFinding(rule::kLeakShutdownHandler);
  script.initialize = [&] {
    PVOID memory;
    NdisAllocateMemory(&memory, 100, 0, kNoLimit);
    NDIS_PHYSICAL_ADDRESS physical;
    NdisMAllocateSharedMemory(script.handle, 100, FALSE, &memory, &physical);
    NDIS_STATUS status;
    NDIS_HANDLE pool;
    NdisAllocatePacketPool(&status, &pool, 4, 0);
    NDIS_PHYSICAL_ADDRESS window;
    window.QuadPart = device->resources().csr_physical;
    NdisMMapIoSpace(&memory, script.handle, window, 0x80);
    NdisMRegisterAdapterShutdownHandler(script.handle, nullptr, Shutdown);
    return NDIS_STATUS_SUCCESS;
  };
  InitializeAdapter();
  adapter->Halt();
  size_t reported = host.verifier().findings().size();
  EXPECT_EQ(reported, 5u) << "one finding per leftover";
  ASSERT_EQ(adapter->Initialize(), NDIS_STATUS_SUCCESS) << "reclaimed resources can be had again";
}

TEST_F(Resources, FailedInitializeMustReleaseWhatItTook) {
  ExpectFinding(rule::kLeakMemory);
  script.initialize = [&] {
    PVOID memory;
    NdisAllocateMemory(&memory, 100, 0, kNoLimit);
    return NDIS_STATUS_ADAPTER_NOT_FOUND;
  };
  EXPECT_EQ(adapter->Initialize(), NDIS_STATUS_ADAPTER_NOT_FOUND);
  EXPECT_FALSE(adapter->initialized());
}

TEST_F(Resources, FreesOfUnknownMemoryOrWithWrongArgumentsAreReported) {
  ExpectFinding(rule::kFreeUnknown);
  ExpectFinding(rule::kFreeMismatch);
  InitializeAdapter();
  InHandler([&] {
    PVOID memory;
    NdisAllocateMemory(&memory, 100, 0, kNoLimit);
    NdisFreeMemory(memory, 99, 0);
    NdisFreeMemory(memory, 100, 0);  // the second free
  });
  script.halt = [&] {
    PVOID shared;
    NDIS_PHYSICAL_ADDRESS physical;
    NdisMAllocateSharedMemory(script.handle, 64, TRUE, &shared, &physical);
    NdisMFreeSharedMemory(script.handle, 64, FALSE, shared, physical);  // allocated cached
  };
  adapter->Halt();
  EXPECT_EQ(host.verifier().Count(rule::kFreeMismatch), 2u);
  EXPECT_EQ(host.verifier().Count(rule::kFreeUnknown), 1u);
}

TEST_F(Resources, SharedMemoryIsReachableByDeviceDma) {
  PUCHAR shared = nullptr;
  NDIS_PHYSICAL_ADDRESS physical{};
  script.initialize = [&] {
    NdisMAllocateSharedMemory(script.handle, 3000, FALSE, reinterpret_cast<PVOID*>(&shared), &physical);
    return NDIS_STATUS_SUCCESS;
  };
  script.halt = [&] { NdisMFreeSharedMemory(script.handle, 3000, FALSE, shared, physical); };
  InitializeAdapter();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(physical.HighPart, 0) << "32-bit physical addresses";
  EXPECT_EQ(shared[0], host.config().fill_byte) << "fresh memory carries the fill pattern";
  sim::DmaSpace& bus = host.memory();
  const uint8_t descriptor[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  ASSERT_TRUE(bus.DmaWrite(physical.LowPart + 2990, descriptor, 10));
  EXPECT_EQ(shared[2999], 10);
  NdisZeroMemory(shared, 16);
  uint8_t seen[16];
  ASSERT_TRUE(bus.DmaRead(physical.LowPart, seen, 16));
  EXPECT_EQ(seen[15], 0);
  adapter->Halt();
}

TEST_F(Resources, PassiveOnlyCallsAtDispatchAreReported) {
  ExpectFinding(rule::kIrqlTooHigh);
  InitializeAdapter();
  InHandler([&] {
    PVOID shared;
    NDIS_PHYSICAL_ADDRESS physical;
    NdisMAllocateSharedMemory(script.handle, 64, TRUE, &shared, &physical);
    NdisMFreeSharedMemory(script.handle, 64, TRUE, shared, physical);
  });
  EXPECT_EQ(host.verifier().Count(rule::kIrqlTooHigh), 2u);
}

TEST_F(Resources, InitializeOnlyCallsElsewhereAreReported) {
  ExpectFinding(rule::kInitializeOnly);
  ExpectFinding(rule::kIrqlTooHigh);  // Initialize runs at PASSIVE level, handlers at DISPATCH
  InitializeAdapter();
  InHandler([&] { NdisMSetAttributesEx(script.handle, &script, 0, NDIS_ATTRIBUTE_BUS_MASTER, NdisInterfacePci); });
}

TEST_F(Resources, InitializeWithoutAttributesIsReported) {
  ExpectFinding(rule::kSetAttributesMissing);
  script.set_attributes = false;
  InitializeAdapter();
}

TEST_F(Resources, BadArgumentsGetFindingsNotCrashes) {
  ExpectFinding(rule::kBadArgument);
  ExpectFinding(rule::kBadHandle);
  InitializeAdapter();
  InHandler([&] {
    EXPECT_EQ(NdisAllocateMemory(nullptr, 10, 0, kNoLimit), NDIS_STATUS_FAILURE);
    NDIS_STATUS status;
    NdisAllocatePacket(&status, nullptr, nullptr);
    NdisAllocateBuffer(&status, nullptr, nullptr, nullptr, 0);
    PNDIS_PACKET p;
    NdisAllocatePacket(&status, &p, reinterpret_cast<NDIS_HANDLE>(0x1234));
    EXPECT_EQ(status, NDIS_STATUS_FAILURE);
    EXPECT_EQ(NdisReadPciSlotInformation(nullptr, 3, 0, &status, 4), 0u);
    NdisMIndicateStatus(reinterpret_cast<NDIS_HANDLE>(0x10), NDIS_STATUS_MEDIA_CONNECT, nullptr, 0);
  });
}

TEST_F(Resources, OidHandlerWritingPastItsBufferIsReported) {
  ExpectFinding(rule::kInformationOverrun);
  InitializeAdapter();
  script.query = [](NDIS_OID, PVOID buffer, ULONG, PULONG written, PULONG) {
    NdisFillMemory(buffer, 6, 0x11);  // the buffer has 4 bytes
    *written = 6;
    return NDIS_STATUS_SUCCESS;
  };
  hostndis::QueryResult r = adapter->Query(OID_802_3_CURRENT_ADDRESS, 4);
  EXPECT_EQ(r.data.size(), 4u) << "no more than the buffer is handed back";
  EXPECT_EQ(host.verifier().Count(rule::kInformationOverrun), 2u);
}

TEST_F(Resources, CompletionsOfNothingPendingAreReported) {
  ExpectFinding(rule::kUnexpectedCompletion);
  InitializeAdapter();
  InHandler([&] {
    NdisMResetComplete(script.handle, NDIS_STATUS_SUCCESS, FALSE);
    NdisMSetInformationComplete(script.handle, NDIS_STATUS_SUCCESS);
  });
  EXPECT_EQ(host.verifier().Count(rule::kUnexpectedCompletion), 2u);
}

TEST_F(Resources, RegistrationIsCheckedForVersionAndHandlers) {
  hostndis::Host other;
  NDIS_MINIPORT_CHARACTERISTICS chars{};
  NTSTATUS bad_version = STATUS_SUCCESS, bad_length = STATUS_SUCCESS, missing = STATUS_SUCCESS;
  static NDIS_MINIPORT_CHARACTERISTICS* g_chars;
  static NTSTATUS *g_version, *g_length, *g_missing;
  g_chars = &chars;
  g_version = &bad_version;
  g_length = &bad_length;
  g_missing = &missing;
  other.LoadDriver([](PDRIVER_OBJECT object, PUNICODE_STRING path) -> NTSTATUS {
    NDIS_HANDLE wrapper;
    NdisInitializeWrapper(&wrapper, object, path, nullptr);
    g_chars->Ndis40Chars.Ndis30Chars.MajorNdisVersion = 6;
    *g_version = NdisMRegisterMiniport(wrapper, g_chars, sizeof(*g_chars));
    g_chars->Ndis40Chars.Ndis30Chars.MajorNdisVersion = 5;
    *g_length = NdisMRegisterMiniport(wrapper, g_chars, sizeof(NDIS40_MINIPORT_CHARACTERISTICS));
    *g_missing = NdisMRegisterMiniport(wrapper, g_chars, sizeof(*g_chars));
    NdisTerminateWrapper(wrapper, nullptr);
    return *g_missing;
  });
  EXPECT_EQ(bad_version, NDIS_STATUS_BAD_VERSION);
  EXPECT_EQ(bad_length, NDIS_STATUS_BAD_CHARACTERISTICS);
  EXPECT_EQ(missing, NDIS_STATUS_BAD_CHARACTERISTICS) << "no handlers at all";
  EXPECT_FALSE(other.driver_registered());
}

}  // namespace
}  // namespace hostndis_test

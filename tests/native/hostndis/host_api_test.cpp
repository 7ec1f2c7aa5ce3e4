// The stand-in's own API: the verifier, the run loop, and misuse by a test.
#include <stdexcept>

#include "script_fixture.h"

namespace hostndis_test {
namespace {

TEST(Verifier, FindingsCarryTheirRuleAndSkipTheHookWhenExpected) {
  hostndis::Verifier v;
  v.set_print(false);
  int hooked = 0;
  v.SetHook([&](const hostndis::Finding&) { ++hooked; });
  v.Report(hostndis::rule::kStallTooLong, "a busy wait of 60 us");
  v.Expect(hostndis::rule::kLeakMemory);
  v.Report(hostndis::rule::kLeakMemory, "100 bytes");
  ASSERT_EQ(v.findings().size(), 2u);
  EXPECT_EQ(v.findings()[0].message, "[StallTooLong] a busy wait of 60 us");
  EXPECT_EQ(v.findings()[1].rule, "LeakMemory");
  EXPECT_EQ(hooked, 1) << "an expected finding is recorded, not passed on";
  EXPECT_EQ(v.Count("LeakMemory"), 1u);
}

using HostApi = ScriptTest;

TEST_F(HostApi, RunLoopStopsAtItsLimitOrItsCondition) {
  int ticks = 0;
  host.clock().ScheduleAfter(5 * sim::kMillisecond, [&] { ++ticks; });
  EXPECT_FALSE(host.RunUntil([&] { return ticks > 0; }, sim::kMillisecond));
  EXPECT_EQ(host.clock().Now(), sim::kMillisecond) << "the limit is run to its end";
  EXPECT_TRUE(host.RunUntil([&] { return ticks > 0; }, sim::kSecond));
  EXPECT_EQ(host.clock().Now(), 5 * sim::kMillisecond) << "stops as soon as the condition holds";
  EXPECT_TRUE(host.RunUntilIdle(sim::kSecond));
}

TEST_F(HostApi, MisusedCallsGiveErrorsNotCrashes) {
  EXPECT_EQ(adapter->Query(OID_GEN_LINK_SPEED, 4).status, NDIS_STATUS_ADAPTER_NOT_READY);
  adapter->Halt();
  adapter->Send(nullptr, 0);
  EXPECT_FALSE(adapter->Shutdown()) << "no shutdown handler";
  EXPECT_EQ(adapter->BuildPacket(std::vector<uint8_t>()), nullptr) << "an empty buffer";
  EXPECT_EQ(host.AddDevice(std::make_unique<FakeDevice>(3)), nullptr) << "slot 3 is taken";
  FakeDevice elsewhere(9);
  EXPECT_THROW(host.AddAdapter(elsewhere), std::invalid_argument);
  EXPECT_NE(host.LoadDriver(ScriptedDriverEntry), STATUS_SUCCESS) << "one driver per host";
  InitializeAdapter();
  EXPECT_EQ(adapter->Initialize(), NDIS_STATUS_FAILURE) << "initialized already";
}

TEST_F(HostApi, MediumArrayAndSelectedIndexReachTheDriver) {
  adapter->SetMedia({NdisMediumFddi, NdisMediumWan});
  EXPECT_EQ(adapter->Initialize(), NDIS_STATUS_UNSUPPORTED_MEDIA);
  adapter->SetMedia({NdisMediumFddi, NdisMediumWan, NdisMedium802_3});
  InitializeAdapter();
  EXPECT_EQ(adapter->selected_medium(), 2u);
  EXPECT_EQ(adapter->attributes(), static_cast<ULONG>(NDIS_ATTRIBUTE_BUS_MASTER));
  EXPECT_EQ(adapter->context(), &script);
}

}  // namespace
}  // namespace hostndis_test

#include "script_fixture.h"

namespace hostndis_test {
namespace {

namespace rule = hostndis::rule;

class Interrupts : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    script.initialize = [&] {
      return NdisMRegisterInterrupt(&interrupt, script.handle, 9, 9, TRUE, TRUE, NdisInterruptLevelSensitive);
    };
    script.halt = [&] { NdisMDeregisterInterrupt(&interrupt); };
    InitializeAdapter();
    // The ISR claims the interrupt and masks it, as a driver's ISR does.
    script.isr = [&] {
      isr_irql = KeGetCurrentIrql();
      device->SetLine(false);
      return true;
    };
    script.handle_interrupt = [&] { dpc_irql = KeGetCurrentIrql(); };
  }
  NDIS_MINIPORT_INTERRUPT interrupt{};
  KIRQL isr_irql = 0, dpc_irql = 0;
};

TEST_F(Interrupts, IsrAtDeviceLevelThenDeferredRoutineAtDispatch) {
  device->SetLine(true);
  EXPECT_EQ(script.isr_calls, 1) << "the ISR preempts at once";
  EXPECT_EQ(isr_irql, hostndis::kDeviceIrql);
  EXPECT_EQ(script.dpc_calls, 0) << "the deferred routine waits to be run";
  host.RunPending();
  EXPECT_EQ(script.dpc_calls, 1);
  EXPECT_EQ(dpc_irql, DISPATCH_LEVEL);
}

TEST_F(Interrupts, DeferredRoutineNeverNestsInARunningHandler) {
  int dpc_inside = -1;
  InHandler([&] {
    device->SetLine(true);
    dpc_inside = script.dpc_calls;
  });
  EXPECT_EQ(script.isr_calls, 1);
  EXPECT_EQ(dpc_inside, 0) << "the handler was still running";
  EXPECT_EQ(script.dpc_calls, 1) << "it runs as soon as the handler returns";
}

TEST_F(Interrupts, ForeignInterruptOnTheSharedLineIsDeclined) {
  script.isr = [] { return false; };
  EXPECT_FALSE(host.RaiseSharedInterrupt(9));
  EXPECT_EQ(script.isr_calls, 1);
  host.RunPending();
  EXPECT_EQ(script.dpc_calls, 0);
}

TEST_F(Interrupts, LineHeldAfterTheIsrDeclinedIsAStorm) {
  ExpectFinding(rule::kInterruptStorm);
  script.isr = [] { return false; };
  device->SetLine(true);
  EXPECT_EQ(script.isr_calls, 1) << "reported instead of looping";
  EXPECT_EQ(host.verifier().Count(rule::kInterruptStorm), 1u);
  device->SetLine(false);
  script.isr = [&] {
    device->SetLine(false);
    return true;
  };
  device->SetLine(true);
  EXPECT_EQ(script.isr_calls, 2) << "the vector is heard again once the line dropped";
}

TEST_F(Interrupts, LineNeverDroppingDespiteTheIsrIsAStorm) {
  ExpectFinding(rule::kInterruptStorm);
  script.isr = [] { return true; };
  device->SetLine(true);
  EXPECT_EQ(static_cast<uint32_t>(script.isr_calls), host.config().storm_limit);
}

TEST_F(Interrupts, SpinLockInTheIsrIsReported) {
  ExpectFinding(rule::kIrqlTooHigh);
  ExpectFinding(rule::kDprLockIrql);
  NDIS_SPIN_LOCK lock{};
  InHandler([&] { NdisAllocateSpinLock(&lock); });
  script.isr = [&] {
    NdisAcquireSpinLock(&lock);
    NdisDprAcquireSpinLock(&lock);
    NdisDprReleaseSpinLock(&lock);
    device->SetLine(false);
    return false;
  };
  device->SetLine(true);
  InHandler([&] { NdisFreeSpinLock(&lock); });
}

TEST_F(Interrupts, InterruptLeftRegisteredIsReportedAtHalt) {
  ExpectFinding(rule::kLeakInterrupt);
  script.halt = nullptr;
  adapter->Halt();
  device->SetLine(true);
  EXPECT_EQ(script.isr_calls, 0) << "a reclaimed interrupt calls nobody";
}

class Timers : public ScriptTest {
 protected:
  void SetUp() override {
    ScriptTest::SetUp();
    InitializeAdapter();
    InHandler([&] { NdisMInitializeTimer(&timer, script.handle, &Timers::Fire, this); });
  }
  static VOID NTAPI Fire(PVOID, PVOID context, PVOID, PVOID) {
    auto* self = static_cast<Timers*>(context);
    ++self->fired;
    self->fired_irql = KeGetCurrentIrql();
    self->fired_at = self->host.clock().Now();
  }
  NDIS_MINIPORT_TIMER timer{};
  int fired = 0;
  KIRQL fired_irql = 0;
  sim::Nanoseconds fired_at = 0;
};

TEST_F(Timers, FiresOnTheVirtualClockAtDispatch) {
  sim::Nanoseconds start = host.clock().Now();
  InHandler([&] { NdisMSetTimer(&timer, 10); });
  host.RunFor(9 * sim::kMillisecond);
  EXPECT_EQ(fired, 0);
  host.RunFor(2 * sim::kMillisecond);
  EXPECT_EQ(fired, 1);
  EXPECT_EQ(fired_at, start + 10 * sim::kMillisecond);
  EXPECT_EQ(fired_irql, DISPATCH_LEVEL);
}

TEST_F(Timers, DueDuringAHandlerRunsAfterIt) {
  int fired_inside = -1;
  InHandler([&] {
    NdisMSetTimer(&timer, 0);
    NdisStallExecution(10);
    fired_inside = fired;
  });
  EXPECT_EQ(fired_inside, 0);
  EXPECT_EQ(fired, 1);
}

TEST_F(Timers, CancelledTimerNeverFires) {
  BOOLEAN first = FALSE, second = TRUE;
  InHandler([&] {
    NdisMSetTimer(&timer, 10);
    NdisMCancelTimer(&timer, &first);
    NdisMCancelTimer(&timer, &second);
  });
  host.RunFor(20 * sim::kMillisecond);
  EXPECT_TRUE(first);
  EXPECT_FALSE(second) << "nothing was set any more";
  EXPECT_EQ(fired, 0);
}

// A timer never set up, one whose memory is freed while it is set, and one
// left set at Halt: each is reported, and none of them fires.
TEST_F(Timers, MisuseAndTimersLeftSetAreReported) {
  ExpectFinding(rule::kTimerMisuse);
  ExpectFinding(rule::kLeakTimer);
  NDIS_MINIPORT_TIMER never{};
  PVOID memory = nullptr;
  InHandler([&] {
    NdisMSetTimer(&never, 1);
    NdisMSetTimer(&timer, 1000);
    ASSERT_EQ(NdisAllocateMemory(&memory, sizeof(NDIS_MINIPORT_TIMER), 0, NDIS_PHYSICAL_ADDRESS_CONST(-1, -1)),
              NDIS_STATUS_SUCCESS);
    NdisMInitializeTimer(static_cast<PNDIS_MINIPORT_TIMER>(memory), script.handle, &Timers::Fire, this);
    NdisMSetTimer(static_cast<PNDIS_MINIPORT_TIMER>(memory), 500);
    NdisFreeMemory(memory, sizeof(NDIS_MINIPORT_TIMER), 0);
  });
  EXPECT_EQ(host.verifier().Count(rule::kTimerMisuse), 2u) << "never set up; its memory freed while set";
  adapter->Halt();
  host.RunFor(2 * sim::kSecond);
  EXPECT_EQ(fired, 0) << "a freed timer and the adapter's timers go with them";
}

TEST_F(Timers, BusyWaitsAndSleepsAdvanceTheClockWithinTheirRules) {
  ExpectFinding(rule::kStallTooLong);
  ExpectFinding(rule::kSleepAtDispatch);
  sim::Nanoseconds start = host.clock().Now();
  InHandler([&] {
    NdisStallExecution(50);
    KeStallExecutionProcessor(51);
    NdisMSleep(1000);
  });
  EXPECT_EQ(host.clock().Now() - start, 1101 * sim::kMicrosecond);
  EXPECT_EQ(host.verifier().Count(rule::kStallTooLong), 1u) << "50 us is the limit, not above it";
}

}  // namespace
}  // namespace hostndis_test

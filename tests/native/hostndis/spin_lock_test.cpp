#include "script_fixture.h"

namespace hostndis_test {
namespace {

namespace rule = hostndis::rule;

class SpinLocks : public ScriptTest {
 protected:
  // Locks live in pool memory, as in a driver's adapter context.
  void SetUp() override {
    ScriptTest::SetUp();
    InitializeAdapter();
    InHandler([&] {
      NdisAllocateSpinLock(&tx);
      NdisAllocateSpinLock(&rx);
      NdisAllocateSpinLock(&chip);
    });
  }
  NDIS_SPIN_LOCK tx{}, rx{}, chip{};
};

TEST_F(SpinLocks, PlainVariantRaisesToDispatchAndRestores) {
  KIRQL inside = 0, after = 99;
  // Halt runs at PASSIVE level, as Initialize does.
  script.halt = [&] {
    NdisAcquireSpinLock(&tx);
    inside = KeGetCurrentIrql();
    NdisDprAcquireSpinLock(&chip);  // legal: the plain lock raised the IRQL
    NdisDprReleaseSpinLock(&chip);
    NdisReleaseSpinLock(&tx);
    after = KeGetCurrentIrql();
    NdisFreeSpinLock(&tx);
    NdisFreeSpinLock(&rx);
    NdisFreeSpinLock(&chip);
  };
  adapter->Halt();
  EXPECT_EQ(inside, DISPATCH_LEVEL);
  EXPECT_EQ(after, PASSIVE_LEVEL);
  EXPECT_TRUE(host.verifier().findings().empty());
}

TEST_F(SpinLocks, ConsistentNestingAndAnyReleaseOrderAreFine) {
  InHandler([&] {
    NdisDprAcquireSpinLock(&rx);
    NdisDprAcquireSpinLock(&chip);
    NdisDprReleaseSpinLock(&rx);  // released before the inner one
    NdisDprReleaseSpinLock(&chip);
    NdisDprAcquireSpinLock(&tx);
    NdisDprAcquireSpinLock(&chip);
    NdisDprReleaseSpinLock(&chip);
    NdisDprReleaseSpinLock(&tx);
  });
  EXPECT_TRUE(host.verifier().findings().empty());
}

TEST_F(SpinLocks, DprVariantBelowDispatchIsReported) {
  ExpectFinding(rule::kDprLockIrql);
  script.halt = [&] {
    NdisDprAcquireSpinLock(&tx);
    NdisDprReleaseSpinLock(&tx);
    NdisFreeSpinLock(&tx);
    NdisFreeSpinLock(&rx);
    NdisFreeSpinLock(&chip);
  };
  adapter->Halt();
}

TEST_F(SpinLocks, OrderInversionIsReportedOnce) {
  ExpectFinding(rule::kLockOrderInversion);
  InHandler([&] {
    NdisDprAcquireSpinLock(&tx);
    NdisDprAcquireSpinLock(&chip);
    NdisDprReleaseSpinLock(&chip);
    NdisDprReleaseSpinLock(&tx);
  });
  for (int i = 0; i < 2; ++i)
    InHandler([&] {
      NdisDprAcquireSpinLock(&chip);
      NdisDprAcquireSpinLock(&tx);
      NdisDprReleaseSpinLock(&tx);
      NdisDprReleaseSpinLock(&chip);
    });
  EXPECT_EQ(host.verifier().Count(rule::kLockOrderInversion), 1u);
}

TEST_F(SpinLocks, UnbalancedUseIsReported) {
  ExpectFinding(rule::kLockRecursion);
  ExpectFinding(rule::kLockNotHeld);
  ExpectFinding(rule::kLockVariantMismatch);
  ExpectFinding(rule::kLockHeldOnReturn);
  InHandler([&] {
    NdisDprAcquireSpinLock(&tx);
    NdisDprAcquireSpinLock(&tx);  // would spin forever
    NdisDprReleaseSpinLock(&tx);
    NdisDprReleaseSpinLock(&rx);  // never acquired
    NdisAcquireSpinLock(&chip);
    NdisDprReleaseSpinLock(&chip);  // other variant
    NdisDprAcquireSpinLock(&rx);    // left held
  });
  EXPECT_EQ(host.verifier().Count(rule::kLockHeldOnReturn), 1u);
  EXPECT_EQ(host.irql(), PASSIVE_LEVEL) << "the handler's IRQL is restored whatever it left";
}

TEST_F(SpinLocks, LocksOutsideTheirLifeAreReported) {
  ExpectFinding(rule::kLockNotAllocated);
  ExpectFinding(rule::kLockFreedHeld);
  NDIS_SPIN_LOCK never{};
  InHandler([&] {
    NdisDprAcquireSpinLock(&never);
    NdisDprAcquireSpinLock(&rx);
    NdisFreeSpinLock(&rx);
    NdisDprAcquireSpinLock(&rx);  // after its free
  });
  EXPECT_EQ(host.verifier().Count(rule::kLockNotAllocated), 2u);
}

// How a driver says that it relies on holding a lock (its ASSERT, always
// checked here): the assertion fails, with where it stands, only without it.
TEST_F(SpinLocks, AnAssertionThatALockIsHeldFailsOnlyWithoutIt) {
  ExpectFinding(rule::kAssertionFailed);
  InHandler([&] {
    NdisDprAcquireSpinLock(&tx);
    ASSERT(!KeTestSpinLock(&tx.SpinLock));
    NdisDprReleaseSpinLock(&tx);
    EXPECT_EQ(host.verifier().Count(rule::kAssertionFailed), 0u) << "held";
    ASSERT(!KeTestSpinLock(&tx.SpinLock));
  });
  ASSERT_EQ(host.verifier().Count(rule::kAssertionFailed), 1u) << "released";
  EXPECT_NE(host.verifier().findings().back().message.find("(!KeTestSpinLock(&tx.SpinLock)) failed at spin_lock_test.cpp:"),
            std::string::npos)
      << host.verifier().findings().back().message;
}

TEST_F(SpinLocks, LockHeldAcrossAnIndicationIsReported) {
  ExpectFinding(rule::kLockHeldAcrossIndication);
  InHandler([&] {
    NdisDprAcquireSpinLock(&tx);
    NdisMIndicateStatus(script.handle, NDIS_STATUS_MEDIA_CONNECT, nullptr, 0);
    NdisDprReleaseSpinLock(&tx);
  });
}

TEST_F(SpinLocks, LockNeverFreedIsReportedAtHalt) {
  ExpectFinding(rule::kLeakSpinLock);
  adapter->Halt();
  EXPECT_EQ(host.verifier().Count(rule::kLeakSpinLock), 3u);
}

}  // namespace
}  // namespace hostndis_test

// Imports called with what a faulty image could pass them: pointers that
// name nothing, spin locks outside their life, timers and MDLs the bridge
// never made. Each is reported under the rule a natively built driver's
// same call meets (tests/native/hostndis), or ends the call as a fault
// naming the instruction where the stand-in has no rule; none crashes the host.
#include <gtest/gtest.h>

#include "ddk_layouts.h"
#include "image_probe.h"

namespace {

using hostndis::rule::kLockFreedHeld;
using hostndis::rule::kLockNotAllocated;
using hostndis::rule::kLockNotHeld;
using hostndis::rule::kTimerMisuse;
using kimage::kImageFault;
using probe::Hex;
using probe::Routine;
namespace ddk = kimage::ddk;

constexpr uint32_t kNowhere = 0x30000000;  // between the heap and physical memory: never mapped

class ImportFaultTest : public probe::ImageProbeTest {
 protected:
  // mov ecx, lock; call [KfAcquireSpinLock]; mov edx, eax; mov ecx, lock; call [KfReleaseSpinLock]
  Routine TakeAndDrop(uint32_t lock, uint32_t found = 0) {
    Routine r;
    r.Ecx(lock).Call(Import("KfAcquireSpinLock"), {});
    if (found != 0) r.StoreEax(found);
    return r.EdxFromEax().Ecx(lock).Call(Import("KfReleaseSpinLock"), {}).Return();
  }
  // The DDK's NdisAllocateSpinLock: the word is zeroed, nothing is called.
  void AllocateSpinLock(uint32_t lock) { Write(lock, 0); }
};

// Each call ends as one fault whose message says what was wrong and names
// the instruction the faulting call returns to; the stand-in is not called.
TEST_F(ImportFaultTest, AnImportGivenMemoryThatIsNotThereEndsTheCall) {
  ExpectFinding(kImageFault);
  uint32_t cell = Cell();
  Write(cell, 0x11223344);
  struct Case {
    Routine routine;
    std::string says;
  } cases[] = {
      {Routine().Call(Import("NdisAllocateMemory"), {0, 16, 0, 0xffffffff, 0xffffffff}),
       "NdisAllocateMemory given 0x0 as argument 1"},
      {Routine().Call(Import("NdisAllocateMemory"), {kNowhere, 16, 0, 0xffffffff, 0xffffffff}),
       "NdisAllocateMemory given 0x30000000 as argument 1"},
      {Routine().CallC(Import("memcpy"), {kNowhere, cell, 4}), "memcpy stores 4 bytes at 0x30000000"},
      {Routine().CallC(Import("memcpy"), {cell, kNowhere, 4}), "memcpy reads 4 bytes at 0x30000000"},
      {Routine().CallC(Import("memset"), {kNowhere - 2, 0, 4}), "memset stores 4 bytes at 0x2ffffffe"},
  };
  size_t allocations = host.machine().memory_records.size();
  for (Case& c : cases) {
    size_t before = Count(kImageFault);
    uint32_t returns_to = c.routine.after_last_call;
    uint32_t at = Place(c.routine.Return());
    Run(at);
    ASSERT_EQ(Count(kImageFault), before + 1) << "one fault for: " << c.says;
    std::string message = LastFinding(kImageFault);
    EXPECT_NE(message.find(c.says), std::string::npos) << message;
    EXPECT_NE(message.find("returning to " + Hex(at + returns_to)), std::string::npos) << "names the call: " << message;
  }
  EXPECT_EQ(host.machine().memory_records.size(), allocations) << "the stand-in was not called";
  EXPECT_EQ(Read(cell), 0x11223344u) << "nothing was copied";
}

// A word never set up, a held lock set up again, and a lock used after the
// memory holding it was freed.
TEST_F(ImportFaultTest, LocksOutsideTheirLifeAreReportedAsNatively) {
  ExpectFinding(kLockNotAllocated);
  ExpectFinding(kLockFreedHeld);
  ExpectFinding(kLockNotHeld);
  uint32_t word = Cell();
  Write(word, 0xa5a5a5a5);
  Run(Place(TakeAndDrop(word)));
  EXPECT_EQ(Count(kLockNotAllocated), 2u) << "taken and dropped: a word never set up";
  AllocateSpinLock(word);
  Run(Place(Routine().Ecx(word).Call(Import("KfAcquireSpinLock"), {}).Return()));
  AllocateSpinLock(word);
  Run(Place(Routine().Ecx(word).Edx(PASSIVE_LEVEL).Call(Import("KfReleaseSpinLock"), {}).Return()));
  EXPECT_EQ(Count(kLockFreedHeld), 1u) << "a held lock set up again";
  EXPECT_EQ(Count(kLockNotHeld), 1u) << "then released: it is a new lock";
  host.machine().irql = PASSIVE_LEVEL;
  uint32_t memory = Cell();
  Run(Place(Routine().Call(Import("NdisAllocateMemory"), {memory, 16, 0, 0xffffffff, 0xffffffff}).Return()));
  AllocateSpinLock(Read(memory));
  Run(Place(TakeAndDrop(Read(memory))));
  Run(Place(Routine().Call(Import("NdisFreeMemory"), {Routine::In(memory), 16, 0}).Return()));
  Run(Place(Routine().Ecx(Read(memory)).Call(Import("KfAcquireSpinLock"), {}).Return()));
  EXPECT_EQ(Count(kLockNotAllocated), 3u) << "a lock whose memory is gone";
}

// KfAcquireSpinLock returns the IRQL it found; KfReleaseSpinLock goes back
// to the one it is given in DL, which must be that one (no native twin: the
// natively built driver's NdisReleaseSpinLock takes no IRQL).
TEST_F(ImportFaultTest, AcquireReturnsTheIrqlItFoundAndReleaseGoesBackToTheOneGiven) {
  ExpectFinding(kimage::kReleaseIrql);
  uint32_t lock = Cell(), found = Cell();
  for (KIRQL irql : {PASSIVE_LEVEL, DISPATCH_LEVEL}) {
    host.machine().irql = irql;
    Write(found, 0xff);
    Run(Place(TakeAndDrop(lock, found)));
    EXPECT_EQ(Read(found) & 0xff, irql) << "the IRQL before the acquire";
    EXPECT_EQ(host.machine().irql, irql) << "back where it was";
  }
  EXPECT_EQ(Count(kimage::kReleaseIrql), 0u) << "both pairs were right";
  Run(Place(Routine().Ecx(lock).Call(Import("KfAcquireSpinLock"), {}).Ecx(lock).Edx(PASSIVE_LEVEL)
                .Call(Import("KfReleaseSpinLock"), {}).Return()));
  EXPECT_EQ(Count(kimage::kReleaseIrql), 1u) << "a DPC's lock released to PASSIVE_LEVEL";
  EXPECT_EQ(host.machine().irql, PASSIVE_LEVEL) << "where the processor went";
}

TEST_F(ImportFaultTest, ATimerNeverInitializedOrWhoseMemoryWasFreedIsMisusedAsNatively) {
  ExpectFinding(kTimerMisuse);
  BringUpAdapter();
  uint32_t unknown = Cell(ddk::NDIS_MINIPORT_TIMER_size), out = Cell();
  Write(out, 0xff);
  Run(Place(Routine().Call(Import("NdisMSetTimer"), {unknown, 1}).Call(Import("NdisMCancelTimer"), {unknown, out}).Return()));
  EXPECT_EQ(Count(kTimerMisuse), 2u) << "set and cancelled, never set up";
  EXPECT_EQ(Read(out) & 0xff, 0u) << "not cancelled";
  uint32_t cell = Cell(), size = ddk::NDIS_MINIPORT_TIMER_size;
  uint32_t function = Place(Routine().Return(16));
  Run(Place(Routine()
                .Call(Import("NdisAllocateMemory"), {cell, size, 0, 0xffffffff, 0xffffffff})
                .Call(Import("NdisMInitializeTimer"), {Routine::In(cell), shadow().block, function, 0})
                .Call(Import("NdisMSetTimer"), {Routine::In(cell), 1000})
                .Call(Import("NdisFreeMemory"), {Routine::In(cell), size, 0})
                .Call(Import("NdisMSetTimer"), {Routine::In(cell), 1})
                .Return()));
  EXPECT_EQ(Count(kTimerMisuse), 4u) << "freed while set, set after the free";
  host.RunFor(2 * sim::kSecond);  // nothing fires from freed memory
}

// NDIS_BUFFER_TO_SPAN_PAGES of an MDL the bridge did not make (built by
// the image itself) reads it.
TEST_F(ImportFaultTest, TheSpanOfAForeignMdlIsReadFromIt) {
  struct Case {
    uint32_t offset, count, pages;
  };
  for (const Case& c : {Case{0xff0, 0x20, 2}, Case{0, 0x1000, 1}, Case{0x10, 0, 1}}) {
    uint32_t mdl = Cell(ddk::MDL_size), pages = Cell();
    Write(mdl + ddk::MDL_StartVa, 0x12345000);
    Write(mdl + ddk::MDL_ByteOffset, c.offset);
    Write(mdl + ddk::MDL_ByteCount, c.count);
    Run(Place(Routine().Call(Import("NDIS_BUFFER_TO_SPAN_PAGES"), {mdl}).StoreEax(pages).Return()));
    EXPECT_EQ(Read(pages), c.pages) << "offset " << c.offset << ", " << c.count << " bytes";
  }
}

}  // namespace

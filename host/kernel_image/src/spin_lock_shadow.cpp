// The image's spin locks. The DDK's NdisAllocateSpinLock only zeroes the
// lock's word and NdisFreeSpinLock does nothing, so the word in emulated
// memory is what tells a lock from garbage: zero once set up and while free,
// non-zero while held (the bridge keeps it so, as a multiprocessor kernel
// does). Behind each word is a stand-in lock, so that the stand-in's lock
// rules hold for the image as for a native driver.
#include "hostndis/detail/machine.h"
#include "bridge.h"

namespace kimage {

using hostndis::detail::Hex;

namespace {

constexpr uint32_t kHeldWord = 1;
// What the word of a lock whose memory was freed is left holding: not zero,
// so that a use after the free is a lock nobody set up.
constexpr uint32_t kRetiredWord = 0xffffffff;

}  // namespace

bool Bridge::Held(const NDIS_SPIN_LOCK& lock) const { return machine_->locks[lock.SpinLock - 1].held; }

// The stand-in lock of the word at `emu`, or null (reported) when the word
// is no lock. A zeroed word that is new, or whose lock is held, was set up
// by NdisAllocateSpinLock: so it is for the stand-in too, which reports
// setting up a held lock.
PNDIS_SPIN_LOCK Bridge::LockFor(uint32_t emu, const char* op) {
  const uint32_t* word = At<uint32_t>(emu);
  if (word == nullptr) throw Unmapped{emu, 4, false};
  auto it = locks_.find(emu);
  bool held = it != locks_.end() && Held(*it->second);
  if (*word != 0) {
    if (held) return it->second.get();
    machine_->Report(hostndis::rule::kLockNotAllocated,
                     std::string(op) + " on the spin lock at " + Hex(emu) + ", whose word holds " + Hex(*word) +
                         ": NdisAllocateSpinLock never set it up, or the memory holding it was freed");
    return nullptr;
  }
  if (it != locks_.end() && !held) return it->second.get();
  if (it == locks_.end()) it = locks_.emplace(emu, std::make_unique<NDIS_SPIN_LOCK>()).first;
  NdisAllocateSpinLock(it->second.get());
  machine_->locks[it->second->SpinLock - 1].shown_as = emu;
  return it->second.get();
}

KIRQL Bridge::AcquireLock(uint32_t emu, bool dpr, const char* op) {
  KIRQL before = machine_->irql;
  PNDIS_SPIN_LOCK lock = LockFor(emu, op);
  if (lock == nullptr) return before;
  if (dpr)
    NdisDprAcquireSpinLock(lock);
  else
    NdisAcquireSpinLock(lock);
  if (Held(*lock)) cpu_.Write32(emu, kHeldWord);
  return before;
}

void Bridge::ReleaseLock(uint32_t emu, bool dpr, KIRQL irql, const char* op) {
  PNDIS_SPIN_LOCK lock = LockFor(emu, op);
  if (lock == nullptr) return;
  const hostndis::detail::LockRecord& r = machine_->locks[lock->SpinLock - 1];
  bool plain_held = r.held && !r.dpr;
  KIRQL acquired_at = lock->OldIrql;
  if (dpr)
    NdisDprReleaseSpinLock(lock);
  else
    NdisReleaseSpinLock(lock);
  if (!Held(*lock)) cpu_.Write32(emu, 0);
  if (dpr) return;
  if (plain_held && irql != acquired_at)
    machine_->Report(kReleaseIrql, std::string(op) + " of the spin lock at " + Hex(emu) + " goes back to IRQL " +
                                       std::to_string(irql) + "; KfAcquireSpinLock found IRQL " +
                                       std::to_string(acquired_at));
  machine_->irql = irql;  // where the processor goes on, whatever it was told
}

void Bridge::RetireLocks(uint32_t begin, uint32_t end) {
  for (auto it = locks_.begin(); it != locks_.end();) {
    if (it->first >= begin && it->first < end) {
      NdisFreeSpinLock(it->second.get());
      cpu_.Write32(it->first, kRetiredWord);
      it = locks_.erase(it);
    } else {
      ++it;
    }
  }
}

}  // namespace kimage

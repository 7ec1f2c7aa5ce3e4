// Spin locks and the IRQL. A lock's SpinLock field holds the index of its
// record plus one, so that finding the record costs no search; the held
// locks form a short list, which gives lock order and balance checks.
#include <algorithm>

#include "hostndis/detail/machine.h"

namespace hostndis::detail {

std::string Machine::LockName(const LockRecord& r) const {
  uintptr_t at = r.shown_as != 0 ? r.shown_as : reinterpret_cast<uintptr_t>(r.address);
  std::string name = "spin lock at " + Hex(at);
  if (r.owner != nullptr && r.owner->context != nullptr) {
    uintptr_t base = reinterpret_cast<uintptr_t>(r.owner->context);
    if (at >= base && at - base < 0x100000) name += " (adapter context + " + Hex(at - base) + ")";
  }
  return name;
}

LockRecord* Machine::LockOf(PNDIS_SPIN_LOCK lock, const char* op) {
  if (lock == nullptr) {
    Report(rule::kBadArgument, std::string(op) + " given a null spin lock");
    return nullptr;
  }
  ULONG_PTR id = lock->SpinLock;
  if (id == 0 || id > locks.size() || locks[id - 1].address != lock) {
    Report(rule::kLockNotAllocated, std::string(op) + " on the spin lock at " +
                                        Hex(reinterpret_cast<uintptr_t>(lock)) +
                                        ", which NdisAllocateSpinLock never set up");
    return nullptr;
  }
  LockRecord& r = locks[id - 1];
  if (!r.alive) {
    Report(rule::kLockNotAllocated, std::string(op) + " on the " + LockName(r) + " after NdisFreeSpinLock");
    return nullptr;
  }
  return &r;
}

void Machine::Acquire(PNDIS_SPIN_LOCK lock, bool dpr, const char* op) {
  LockRecord* r = LockOf(lock, op);
  if (r == nullptr) return;
  if (dpr) {
    if (irql != DISPATCH_LEVEL)
      Report(rule::kDprLockIrql, std::string(op) + " on the " + LockName(*r) + " at IRQL " + std::to_string(irql) +
                                     "; the Dpr variant is only for code running at DISPATCH level");
  } else if (!CheckIrqlAtMost(DISPATCH_LEVEL, op)) {
    return;
  }
  if (r->held) {
    Report(rule::kLockRecursion, std::string(op) + " on the " + LockName(*r) +
                                     ", which is held already: the processor would spin forever");
    return;
  }
  uint32_t id = static_cast<uint32_t>(r - locks.data());
  for (uint32_t h : held_locks) {
    std::vector<uint32_t>& after = locks[h].taken_after;
    if (std::find(after.begin(), after.end(), id) == after.end()) after.push_back(id);
    const std::vector<uint32_t>& reverse = locks[id].taken_after;
    if (std::find(reverse.begin(), reverse.end(), h) == reverse.end()) continue;
    auto pair = std::make_pair(std::min(h, id), std::max(h, id));
    if (std::find(inversions_reported.begin(), inversions_reported.end(), pair) != inversions_reported.end()) continue;
    inversions_reported.push_back(pair);
    Report(rule::kLockOrderInversion, "the " + LockName(locks[id]) + " was taken while holding the " +
                                          LockName(locks[h]) + ", and elsewhere the other way round");
  }
  r = &locks[id];
  r->held = true;
  r->dpr = dpr;
  held_locks.push_back(id);
  if (!dpr) {
    lock->OldIrql = irql;
    if (irql < DISPATCH_LEVEL) irql = DISPATCH_LEVEL;
  }
}

void Machine::Release(PNDIS_SPIN_LOCK lock, bool dpr, const char* op) {
  LockRecord* r = LockOf(lock, op);
  if (r == nullptr) return;
  if (!r->held) {
    Report(rule::kLockNotHeld, std::string(op) + " on the " + LockName(*r) + ", which is not held");
    return;
  }
  if (r->dpr != dpr)
    Report(rule::kLockVariantMismatch, std::string(op) + " on the " + LockName(*r) + ", which was acquired with " +
                                           (r->dpr ? "NdisDprAcquireSpinLock" : "NdisAcquireSpinLock"));
  else if (dpr && irql != DISPATCH_LEVEL)
    Report(rule::kDprLockIrql, std::string(op) + " on the " + LockName(*r) + " at IRQL " + std::to_string(irql));
  uint32_t id = static_cast<uint32_t>(r - locks.data());
  held_locks.erase(std::find(held_locks.begin(), held_locks.end(), id));
  r->held = false;
  // The IRQL goes back as the acquiring variant had it.
  if (!r->dpr) irql = lock->OldIrql;
}

void Machine::ReleaseLeftLocks(size_t keep, const char* handler) {
  while (held_locks.size() > keep) {
    LockRecord& r = locks[held_locks.back()];
    Report(rule::kLockHeldOnReturn, std::string(handler) + " returned holding the " + LockName(r));
    r.held = false;
    held_locks.pop_back();
  }
}

}  // namespace hostndis::detail

using hostndis::detail::Machine;

extern "C" {

VOID NdisAllocateSpinLock(PNDIS_SPIN_LOCK SpinLock) {
  Machine* mc = Machine::Current("NdisAllocateSpinLock");
  if (mc == nullptr) return;
  if (SpinLock == nullptr) {
    mc->Report(hostndis::rule::kBadArgument, "NdisAllocateSpinLock given a null spin lock");
    return;
  }
  ULONG_PTR old = SpinLock->SpinLock;
  if (old != 0 && old <= mc->locks.size() && mc->locks[old - 1].address == SpinLock && mc->locks[old - 1].alive) {
    if (mc->locks[old - 1].held)
      mc->Report(hostndis::rule::kLockFreedHeld,
                 "NdisAllocateSpinLock on the " + mc->LockName(mc->locks[old - 1]) + " while it is held");
    mc->locks[old - 1].alive = false;
  }
  hostndis::detail::LockRecord r;
  r.address = SpinLock;
  r.alive = true;
  r.owner = mc->running;
  mc->locks.push_back(std::move(r));
  SpinLock->SpinLock = mc->locks.size();
  SpinLock->OldIrql = PASSIVE_LEVEL;
}

VOID NdisFreeSpinLock(PNDIS_SPIN_LOCK SpinLock) {
  Machine* mc = Machine::Current("NdisFreeSpinLock");
  if (mc == nullptr) return;
  hostndis::detail::LockRecord* r = mc->LockOf(SpinLock, "NdisFreeSpinLock");
  if (r == nullptr) return;
  if (r->held) {
    mc->Report(hostndis::rule::kLockFreedHeld, "NdisFreeSpinLock on the " + mc->LockName(*r) + " while it is held");
    uint32_t id = static_cast<uint32_t>(r - mc->locks.data());
    mc->held_locks.erase(std::find(mc->held_locks.begin(), mc->held_locks.end(), id));
    r->held = false;
  }
  r->alive = false;
}

VOID NdisAcquireSpinLock(PNDIS_SPIN_LOCK SpinLock) {
  if (Machine* mc = Machine::Current("NdisAcquireSpinLock")) mc->Acquire(SpinLock, false, "NdisAcquireSpinLock");
}

VOID NdisReleaseSpinLock(PNDIS_SPIN_LOCK SpinLock) {
  if (Machine* mc = Machine::Current("NdisReleaseSpinLock")) mc->Release(SpinLock, false, "NdisReleaseSpinLock");
}

VOID NdisDprAcquireSpinLock(PNDIS_SPIN_LOCK SpinLock) {
  if (Machine* mc = Machine::Current("NdisDprAcquireSpinLock"))
    mc->Acquire(SpinLock, true, "NdisDprAcquireSpinLock");
}

VOID NdisDprReleaseSpinLock(PNDIS_SPIN_LOCK SpinLock) {
  if (Machine* mc = Machine::Current("NdisDprReleaseSpinLock"))
    mc->Release(SpinLock, true, "NdisDprReleaseSpinLock");
}

BOOLEAN KeTestSpinLock(PKSPIN_LOCK SpinLock) {
  Machine* mc = Machine::Current("KeTestSpinLock");
  if (mc == nullptr) return TRUE;
  // A lock that is none is reported; it is not held either.
  hostndis::detail::LockRecord* r = mc->LockOf(reinterpret_cast<PNDIS_SPIN_LOCK>(SpinLock), "KeTestSpinLock");
  return r == nullptr || !r->held;
}

KIRQL KeGetCurrentIrql(VOID) {
  Machine* mc = Machine::Current("KeGetCurrentIrql");
  return mc ? mc->irql : PASSIVE_LEVEL;
}

}  // extern "C"

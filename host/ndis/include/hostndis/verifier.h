// The stand-in's rule checker. Every broken rule becomes one Finding whose
// message starts with the rule's name in brackets; a hook lets a test
// framework fail the current test, and expected rules let a test break one on
// purpose.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace hostndis {

// Rule names.
namespace rule {
// Spin locks and IRQL.
constexpr const char kDprLockIrql[] = "DprLockIrql";                 // Dpr variant not at DISPATCH
constexpr const char kLockRecursion[] = "LockRecursion";             // acquiring a lock already held
constexpr const char kLockNotHeld[] = "LockNotHeld";                 // releasing a lock not held
constexpr const char kLockVariantMismatch[] = "LockVariantMismatch"; // plain/Dpr variants mixed
constexpr const char kLockOrderInversion[] = "LockOrderInversion";   // two locks taken in both orders
constexpr const char kLockHeldAcrossIndication[] = "LockHeldAcrossIndication";
constexpr const char kLockHeldOnReturn[] = "LockHeldOnReturn";       // handler returned holding a lock
constexpr const char kLockNotAllocated[] = "LockNotAllocated";       // lock used before/after its life
constexpr const char kLockFreedHeld[] = "LockFreedHeld";             // NdisFreeSpinLock on a held lock
constexpr const char kIrqlTooHigh[] = "IrqlTooHigh";                 // operation called above its IRQL
constexpr const char kSleepAtDispatch[] = "SleepAtDispatch";         // NdisMSleep at DISPATCH or above
constexpr const char kStallTooLong[] = "StallTooLong";               // one busy wait above the limit
// Sends and receives.
constexpr const char kSendCompleteNotPending[] = "SendCompleteNotPending";
constexpr const char kSendStatusUnset[] = "SendStatusUnset";
constexpr const char kSendNotCompleted[] = "SendNotCompleted";       // still with the miniport at Halt
constexpr const char kSendCompleteMapped[] = "SendCompleteMapped";   // completed with a buffer still mapped
constexpr const char kIndicateTooMany[] = "IndicateTooMany";
constexpr const char kIndicateHeldPacket[] = "IndicateHeldPacket";
constexpr const char kBadPacket[] = "BadPacket";                     // unknown packet or buffer
constexpr const char kBufferLength[] = "BufferLength";               // buffer adjusted or indicated beyond its memory
// DMA mappings.
constexpr const char kMappingPairing[] = "MappingPairing";
constexpr const char kMappingTooLong[] = "MappingTooLong";
constexpr const char kMappingNotDmaMemory[] = "MappingNotDmaMemory";
constexpr const char kDmaFreedMemory[] = "DmaFreedMemory";         // a device reached memory nobody holds
// Resources: leaks at Halt or after a failed Initialize, and wrong frees.
constexpr const char kLeakMemory[] = "LeakMemory";
constexpr const char kLeakSharedMemory[] = "LeakSharedMemory";
constexpr const char kLeakPool[] = "LeakPool";
constexpr const char kLeakMapRegisters[] = "LeakMapRegisters";
constexpr const char kLeakMapping[] = "LeakMapping";
constexpr const char kLeakInterrupt[] = "LeakInterrupt";
constexpr const char kLeakShutdownHandler[] = "LeakShutdownHandler";
constexpr const char kLeakIoSpace[] = "LeakIoSpace";
constexpr const char kLeakConfiguration[] = "LeakConfiguration";
constexpr const char kLeakSpinLock[] = "LeakSpinLock";
constexpr const char kLeakTimer[] = "LeakTimer";
constexpr const char kFreeUnknown[] = "FreeUnknown";                 // double free, or never allocated
constexpr const char kFreeMismatch[] = "FreeMismatch";               // length, flags or address differ
// Hardware and calls.
constexpr const char kRegisterWindow[] = "RegisterWindow";           // access outside a mapped window
constexpr const char kInterruptStorm[] = "InterruptStorm";
constexpr const char kBadHandle[] = "BadHandle";
constexpr const char kBadArgument[] = "BadArgument";
constexpr const char kInitializeOnly[] = "InitializeOnly";           // call only legal inside Initialize
constexpr const char kSetAttributesMissing[] = "SetAttributesMissing";
constexpr const char kInformationOverrun[] = "InformationOverrun";   // OID handler wrote beyond the buffer
constexpr const char kUnexpectedCompletion[] = "UnexpectedCompletion";  // reset/request completed but not pending
constexpr const char kTimerMisuse[] = "TimerMisuse";
constexpr const char kAssertionFailed[] = "AssertionFailed";         // the driver's own ASSERT
}  // namespace rule

struct Finding {
  std::string rule;
  std::string message;  // "[Rule] what happened"
};

class Verifier {
 public:
  using Hook = std::function<void(const Finding&)>;

  void Report(const char* rule, const std::string& what);

  const std::vector<Finding>& findings() const { return findings_; }
  std::size_t Count(const std::string& rule) const;
  void Clear() { findings_.clear(); }

  // Called for every finding whose rule is not expected.
  void SetHook(Hook hook) { hook_ = std::move(hook); }
  // Findings of this rule are expected: recorded, never passed to the hook.
  void Expect(const std::string& rule);
  void ClearExpectations() { expected_.clear(); }
  bool IsExpected(const std::string& rule) const;
  // Also print every finding to stderr (on by default).
  void set_print(bool on) { print_ = on; }

 private:
  std::vector<Finding> findings_;
  std::vector<std::string> expected_;
  Hook hook_;
  bool print_ = true;
};

}  // namespace hostndis

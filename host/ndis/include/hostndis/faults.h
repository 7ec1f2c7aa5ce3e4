// Fault injection: make the n-th allocation, or the n-th call of a named NDIS
// operation, fail with a chosen status, so that every failure path of a
// driver's Initialize can be driven.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <ndis.h>

namespace hostndis {

// The operations that can be made to fail. Those marked as allocations also
// count towards FailNthAllocation.
enum class Op : uint8_t {
  kNdisMRegisterMiniport,
  kNdisOpenConfiguration,
  kNdisReadConfiguration,
  kNdisReadNetworkAddress,
  kNdisMPciAssignResources,
  kNdisReadPciSlotInformation,
  kNdisWritePciSlotInformation,
  kNdisMMapIoSpace,
  kNdisAllocateMemory,          // allocation
  kNdisMAllocateSharedMemory,   // allocation
  kNdisMAllocateMapRegisters,   // allocation
  kNdisAllocatePacketPool,      // allocation
  kNdisAllocatePacket,          // allocation
  kNdisAllocateBufferPool,      // allocation
  kNdisAllocateBuffer,          // allocation
  kNdisMRegisterInterrupt,
  kCount
};

const char* OpName(Op op);
bool IsAllocation(Op op);
// The operation of that exact name; false if there is none.
bool OpFromName(const std::string& name, Op* op);

class FaultInjector {
 public:
  // The n-th allocation from now (n >= 1) fails with `status`.
  void FailNthAllocation(uint64_t n, NDIS_STATUS status = NDIS_STATUS_RESOURCES);
  // The n-th call of `op` from now (n >= 1) fails with `status`. An unknown
  // name or n == 0 arms nothing and returns false.
  bool FailNthCall(const std::string& op, uint64_t n, NDIS_STATUS status = NDIS_STATUS_FAILURE);
  void FailNthCall(Op op, uint64_t n, NDIS_STATUS status = NDIS_STATUS_FAILURE);
  // Disarms everything (the counters keep running).
  void Clear() { plans_.clear(); }

  uint64_t allocations() const { return allocations_; }
  uint64_t calls(Op op) const { return calls_[static_cast<int>(op)]; }
  uint64_t calls(const std::string& op) const;
  uint64_t injected() const { return injected_; }

  // Counts one call of `op`; true (and the status) when it must fail.
  bool ShouldFail(Op op, NDIS_STATUS* status);

 private:
  struct Plan {
    bool any_allocation;
    Op op;
    uint64_t at;  // absolute count that fails
    NDIS_STATUS status;
  };
  std::vector<Plan> plans_;
  uint64_t calls_[static_cast<int>(Op::kCount)] = {};
  uint64_t allocations_ = 0;
  uint64_t injected_ = 0;
};

}  // namespace hostndis

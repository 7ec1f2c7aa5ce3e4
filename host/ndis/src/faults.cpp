#include "hostndis/faults.h"

namespace hostndis {

namespace {
const char* const kNames[] = {
    "NdisMRegisterMiniport",      "NdisOpenConfiguration",    "NdisReadConfiguration",
    "NdisReadNetworkAddress",     "NdisMPciAssignResources",  "NdisReadPciSlotInformation",
    "NdisWritePciSlotInformation", "NdisMMapIoSpace",          "NdisAllocateMemory",
    "NdisMAllocateSharedMemory",  "NdisMAllocateMapRegisters", "NdisAllocatePacketPool",
    "NdisAllocatePacket",         "NdisAllocateBufferPool",   "NdisAllocateBuffer",
    "NdisMRegisterInterrupt",
};
static_assert(sizeof(kNames) / sizeof(kNames[0]) == static_cast<int>(Op::kCount), "one name per operation");
}  // namespace

const char* OpName(Op op) { return op < Op::kCount ? kNames[static_cast<int>(op)] : "?"; }

bool IsAllocation(Op op) { return op >= Op::kNdisAllocateMemory && op <= Op::kNdisAllocateBuffer; }

bool OpFromName(const std::string& name, Op* op) {
  for (int i = 0; i < static_cast<int>(Op::kCount); ++i) {
    if (name == kNames[i]) {
      *op = static_cast<Op>(i);
      return true;
    }
  }
  return false;
}

void FaultInjector::FailNthAllocation(uint64_t n, NDIS_STATUS status) {
  if (n == 0) return;
  plans_.push_back(Plan{true, Op::kCount, allocations_ + n, status});
}

bool FaultInjector::FailNthCall(const std::string& op, uint64_t n, NDIS_STATUS status) {
  Op which;
  if (n == 0 || !OpFromName(op, &which)) return false;
  FailNthCall(which, n, status);
  return true;
}

void FaultInjector::FailNthCall(Op op, uint64_t n, NDIS_STATUS status) {
  if (n == 0 || op >= Op::kCount) return;
  plans_.push_back(Plan{false, op, calls_[static_cast<int>(op)] + n, status});
}

uint64_t FaultInjector::calls(const std::string& op) const {
  Op which;
  return OpFromName(op, &which) ? calls(which) : 0;
}

bool FaultInjector::ShouldFail(Op op, NDIS_STATUS* status) {
  uint64_t call = ++calls_[static_cast<int>(op)];
  uint64_t allocation = IsAllocation(op) ? ++allocations_ : 0;
  for (size_t i = 0; i < plans_.size(); ++i) {
    const Plan& p = plans_[i];
    bool hit = p.any_allocation ? (allocation != 0 && allocation == p.at) : (p.op == op && call == p.at);
    if (hit) {
      *status = p.status;
      plans_.erase(plans_.begin() + static_cast<long>(i));
      ++injected_;
      return true;
    }
  }
  return false;
}

}  // namespace hostndis

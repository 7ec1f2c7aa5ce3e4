#pragma once
// Internal: the members of every trunk, each trunk's in adapter-list order,
// found with one sort instead of a walk of the adapter list per trunk.
#include <cstddef>
#include <cstdint>

struct Adapter;

class MemberGroups {
public:
  MemberGroups() = default;
  ~MemberGroups();
  MemberGroups(const MemberGroups&) = delete;
  MemberGroups& operator=(const MemberGroups&) = delete;

  // Groups the current adapter list; false when out of memory.
  bool Build();

  // The adapters whose link_id is `linkId`, in adapter-list order.
  const Adapter* const* Begin(int32_t linkId) const;
  const Adapter* const* End(int32_t linkId) const;

private:
  struct Member {
    int32_t linkId;
    std::size_t position;   // in the adapter list, to keep list order within a trunk
    const Adapter* adapter;
  };
  const Member* Lower(int32_t linkId) const;
  const Member* Upper(int32_t linkId) const;

  Member* members_ = nullptr;
  const Adapter** adapters_ = nullptr;   // members_' adapters in the same order
  std::size_t count_ = 0;
};

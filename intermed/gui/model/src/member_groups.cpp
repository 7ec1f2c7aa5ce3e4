#include "member_groups.h"
#include <algorithm>
#include "model/adapters.h"
#include "model/model_alloc.h"

MemberGroups::~MemberGroups()
{
  Model_Free(members_);
  Model_Free(adapters_);
}

bool MemberGroups::Build()
{
  std::size_t members = 0;
  for (const Adapter* a = First_Adapter(); a; a = a->next) members += a->link_id != 0;
  if (members == 0) return true;
  members_ = static_cast<Member*>(Model_Alloc(members * sizeof(Member)));
  adapters_ = static_cast<const Adapter**>(Model_Alloc(members * sizeof(const Adapter*)));
  if (!members_ || !adapters_) return false;
  std::size_t position = 0;
  for (const Adapter* a = First_Adapter(); a; a = a->next, ++position)
    if (a->link_id != 0) members_[count_++] = Member{a->link_id, position, a};
  std::sort(members_, members_ + count_, [](const Member& x, const Member& y) {
    return x.linkId != y.linkId ? x.linkId < y.linkId : x.position < y.position;
  });
  for (std::size_t i = 0; i < count_; ++i) adapters_[i] = members_[i].adapter;
  return true;
}

const MemberGroups::Member* MemberGroups::Lower(int32_t linkId) const
{
  return std::lower_bound(members_, members_ + count_, linkId,
                          [](const Member& m, int32_t id) { return m.linkId < id; });
}

const MemberGroups::Member* MemberGroups::Upper(int32_t linkId) const
{
  return std::upper_bound(members_, members_ + count_, linkId,
                          [](int32_t id, const Member& m) { return id < m.linkId; });
}

const Adapter* const* MemberGroups::Begin(int32_t linkId) const
{
  return count_ ? adapters_ + (Lower(linkId) - members_) : nullptr;
}

const Adapter* const* MemberGroups::End(int32_t linkId) const
{
  return count_ ? adapters_ + (Upper(linkId) - members_) : nullptr;
}

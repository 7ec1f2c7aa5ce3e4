#include <cstring>

#include "address_filter.h"
#include "crc32.h"

namespace sim::detail {
namespace {

constexpr uint32_t kFilterType0 = 1u << 22;
constexpr uint32_t kFilterType1 = 1u << 28;
constexpr uint32_t kPromiscuous = 1u << 6;
constexpr uint32_t kPassAllMulticast = 1u << 7;
// In hash mode the one physical address sits in words 39-41.
constexpr uint32_t kHashModeAddressWord = 39;

uint64_t Key(const uint8_t* a) {
  uint64_t k = 0;
  for (int i = 0; i < 6; ++i) k |= uint64_t(a[i]) << (8 * i);
  return k;
}

// Address bytes 2j and 2j+1 are the low and high byte of word `first + j`.
std::array<uint8_t, 6> AddressAt(const std::array<uint32_t, 48>& words, uint32_t first) {
  std::array<uint8_t, 6> a{};
  for (uint32_t j = 0; j < 3; ++j) {
    a[2 * j] = uint8_t(words[first + j]);
    a[2 * j + 1] = uint8_t(words[first + j] >> 8);
  }
  return a;
}

}  // namespace

void AddressFilter::Reset() {
  state_ = ReceiveFilter();
  key_count_ = 0;
}

void AddressFilter::Program(const uint8_t* setup, uint32_t tdes1) {
  for (uint32_t w = 0; w < 48; ++w) {
    const uint8_t* p = setup + 4 * w;
    state_.raw[w] = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  bool ft0 = tdes1 & kFilterType0;
  bool ft1 = tdes1 & kFilterType1;
  state_.mode = ft1 ? (ft0 ? ReceiveFilter::kHashOnly : ReceiveFilter::kInverse)
                    : (ft0 ? ReceiveFilter::kHash : ReceiveFilter::kPerfect);
  state_.perfect.clear();
  state_.hash.fill(0);
  if (ft0) {
    for (uint32_t w = 0; w < 32; ++w) state_.hash[w] = uint16_t(state_.raw[w]);
    if (!ft1) state_.perfect.push_back(AddressAt(state_.raw, kHashModeAddressWord));
  } else {
    for (uint32_t k = 0; k < 16; ++k) state_.perfect.push_back(AddressAt(state_.raw, 3 * k));
  }
  key_count_ = 0;
  for (const auto& a : state_.perfect) keys_[key_count_++] = Key(a.data());
  state_.programmed = true;
}

bool AddressFilter::InPerfectList(uint64_t key) const {
  for (uint32_t i = 0; i < key_count_; ++i)
    if (keys_[i] == key) return true;
  return false;
}

bool AddressFilter::HashHit(const uint8_t* destination) const {
  uint32_t index = HashIndex(destination);
  return (state_.hash[index / 16] >> (index % 16)) & 1;
}

bool AddressFilter::Accepts(const uint8_t* destination, uint32_t csr6) const {
  if (csr6 & kPromiscuous) return true;
  bool group = destination[0] & 1;  // multicast, broadcast included
  if (group && (csr6 & kPassAllMulticast)) return true;
  if (!state_.programmed) return false;
  switch (state_.mode) {
    case ReceiveFilter::kPerfect: return InPerfectList(Key(destination));
    case ReceiveFilter::kInverse: return !InPerfectList(Key(destination));
    case ReceiveFilter::kHash: return group ? HashHit(destination) : InPerfectList(Key(destination));
    case ReceiveFilter::kHashOnly: return HashHit(destination);
  }
  return false;
}

}  // namespace sim::detail

namespace sim {

ReceiveFilter DecodeSetupFrame(const uint8_t* setup, uint32_t tdes1) {
  detail::AddressFilter filter;
  filter.Program(setup, tdes1);
  return filter.state();
}

}  // namespace sim

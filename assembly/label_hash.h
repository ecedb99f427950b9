// The hash of a label name. The label table takes its slot from the low
// 32 bits and keeps the high 32 bits in the slot as a quick test.
#pragma once

#include <bit>
#include <cstdint>
#include <string_view>

#include "common/packed_bytes.h"

namespace kiv::assembly {

// Eight bytes a step, then a full avalanche so that the low bits (the slot)
// and the high bits (the tag) both depend on every byte.
inline uint64_t HashLabelName(std::string_view name) {
  constexpr uint64_t kStep = 0x9e3779b97f4a7c15u;
  const char* bytes = name.data();
  const size_t length = name.size();
  uint64_t hash = length * kStep;
  size_t i = 0;
  for (; i + 8 <= length; i += 8) hash = std::rotl((hash ^ Load8(bytes + i)) * kStep, 29);
  if (i < length) hash = std::rotl((hash ^ LoadUpTo8(bytes + i, length - i)) * kStep, 29);
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdu;
  hash ^= hash >> 33;
  hash *= 0xc4ceb9fe1a85ec53u;
  hash ^= hash >> 33;
  return hash;
}

}  // namespace kiv::assembly

// Counting one byte value over long texts (line ends, colons). The set bits
// of each 64-byte block are counted by shifts and adds that the compiler
// keeps inline: a build for any x86-64 has no population-count instruction
// to use, and a call per block to the library's routine cost more than the
// counting itself. CountBytePlain is the plain twin the test compares with.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "assembly/byte_set_bits.h"

namespace kiv::tool {

inline size_t CountSetBits(uint64_t bits) {
  bits -= (bits >> 1) & 0x5555555555555555u;
  bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
  bits = (bits + (bits >> 4)) & 0x0f0f0f0f0f0f0f0fu;
  return static_cast<size_t>((bits * 0x0101010101010101u) >> 56);
}

template <char kByte>
size_t CountByte(std::string_view text) {
  size_t count = 0;
  size_t p = 0;
  for (; text.size() - p >= assembly::kByteBlock; p += assembly::kByteBlock) {
    count += CountSetBits(assembly::ByteSetBits<kByte>(text.data() + p));
  }
  return count + static_cast<size_t>(
                     std::count(text.begin() + static_cast<std::ptrdiff_t>(p), text.end(), kByte));
}

inline size_t CountBytePlain(std::string_view text, char byte) {
  return static_cast<size_t>(std::count(text.begin(), text.end(), byte));
}

}  // namespace kiv::tool

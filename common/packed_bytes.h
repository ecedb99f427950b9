// Short byte strings packed into 64-bit words, for comparing a token or a
// name a word at a time. Byte k of the string is bits 8k to 8k+7 of the word,
// on either byte order; bits past the string are zero.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace kiv {

inline uint64_t Load8(const char* p) {
  uint64_t word = 0;
  std::memcpy(&word, p, 8);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  return word;
}

inline void Store8(char* p, uint64_t word) {
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
  std::memcpy(p, &word, 8);
}

inline uint64_t Load4(const char* p) {
  uint32_t word = 0;
  std::memcpy(&word, p, 4);
  if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap32(word);
  return word;
}

// Up to eight bytes at `p` (`length` at most 8), without reading past them
// and without a call: fixed-size loads that overlap where the length needs.
inline uint64_t LoadUpTo8(const char* p, size_t length) {
  if (length >= 4) return Load4(p) | Load4(p + length - 4) << (8 * (length - 4));
  if (length == 0) return 0;
  const auto byte = [p](size_t k) { return uint64_t{static_cast<unsigned char>(p[k])} << (8 * k); };
  return byte(0) | byte(length / 2) | byte(length - 1);
}

// Byte-wise tests on a packed word: each gives 0x80 in every byte that
// passes and 0 in the others, exactly (no carry runs from byte to byte).
inline constexpr uint64_t kEveryByte = 0x0101010101010101u;
inline constexpr uint64_t kLowSevenBits = 0x7f7f7f7f7f7f7f7fu;
inline constexpr uint64_t kHighBits = 0x8080808080808080u;

inline uint64_t ZeroBytes(uint64_t word) {
  return ~(((word & kLowSevenBits) + kLowSevenBits) | word) & kHighBits;
}

inline uint64_t BytesEqual(uint64_t word, unsigned char byte) {
  return ZeroBytes(word ^ (kEveryByte * byte));
}

// Bytes from `low` to `high`, both below 0x80.
inline uint64_t BytesInRange(uint64_t word, unsigned char low, unsigned char high) {
  const uint64_t seven = word & kLowSevenBits;
  return (seven + kEveryByte * (0x80u - low)) & ~(seven + kEveryByte * (0x7fu - high)) & ~word &
         kHighBits;
}

// The number of the first byte that passed a test; 8 when none did.
inline size_t FirstByte(uint64_t tested) {
  return static_cast<size_t>(std::countr_zero(tested)) / 8;
}

}  // namespace kiv

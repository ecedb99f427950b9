// Lowercase hexadecimal formatting without printf, for the hot output paths.
#pragma once

#include <bit>
#include <cstdint>
#include <string>

#include "common/packed_bytes.h"

#if defined(__SSE2__) && defined(__x86_64__)
#include <emmintrin.h>
#endif

namespace kiv {

inline constexpr char kHexDigits[] = "0123456789abcdef";

// Writes `value` as exactly `digits` hexadecimal digits at `out`; returns the
// position after them.
inline char* WriteHexDigits(char* out, uint64_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i) {
    out[i] = kHexDigits[value & 0xfu];
    value >>= 4;
  }
  return out + digits;
}

// The number of digits of "%x": at least one.
inline int HexDigitCount(uint64_t value) {
  // Zero counts as the one bit of 1, with no branch on it.
  return static_cast<int>((std::bit_width(value | 1) + 3) / 4);
}

// "%x": no leading zeros, "0" for zero.
inline char* WriteHex(char* out, uint64_t value) {
  return WriteHexDigits(out, value, HexDigitCount(value));
}

// The eight lowercase digits of `value`, most significant first, packed as
// they lie in memory (byte k of the word is character k): a word of digits
// built in a register and stored whole costs little more than a single digit
// written the usual way, and no branch depends on the digits.
constexpr uint64_t HexDigitsWord(uint32_t value) {
  // The nibbles one to a byte, the most significant in byte 0: halves, then
  // bytes, then nibbles, each step sending the upper part to the lower bytes.
  uint64_t x = (value >> 16) | (uint64_t{value & 0xffffu} << 32);
  x = ((x >> 8) & 0x000000ff000000ffu) | ((x & 0x000000ff000000ffu) << 16);
  x = ((x >> 4) & 0x000f000f000f000fu) | ((x & 0x000f000f000f000fu) << 8);
  // '0' onto every nibble, and the 39 more from '9' + 1 to 'a' onto 10 to 15.
  const uint64_t letters = ((x + kEveryByte * 6) >> 4) & kEveryByte;
  return x + kEveryByte * '0' + letters * ('a' - '0' - 10);
}

// The digits of two values at once, as HexDigitsWord makes each: the
// nibbles of both spread to bytes and turned to digits in one vector
// register, where the processor has one.
struct HexDigitWords {
  uint64_t first;
  uint64_t second;
};

inline HexDigitWords HexDigitsWordsPortable(uint32_t first, uint32_t second) {
  return {HexDigitsWord(first), HexDigitsWord(second)};
}

inline HexDigitWords HexDigitsWords(uint32_t first, uint32_t second) {
#if defined(__SSE2__) && defined(__x86_64__)
  // Most significant byte first in each half, then each byte's high nibble
  // before its low one.
  const uint64_t bytes = uint64_t{__builtin_bswap32(first)} | uint64_t{__builtin_bswap32(second)}
                                                                  << 32;
  const __m128i packed = _mm_cvtsi64_si128(static_cast<long long>(bytes));
  const __m128i low_nibbles = _mm_set1_epi8(0x0f);
  const __m128i nibbles = _mm_unpacklo_epi8(_mm_and_si128(_mm_srli_epi16(packed, 4), low_nibbles),
                                            _mm_and_si128(packed, low_nibbles));
  // '0' onto every nibble, and the 39 more from '9' + 1 to 'a' onto 10 to 15.
  const __m128i letters =
      _mm_and_si128(_mm_cmpgt_epi8(nibbles, _mm_set1_epi8(9)), _mm_set1_epi8('a' - '0' - 10));
  const __m128i digits = _mm_add_epi8(_mm_add_epi8(nibbles, _mm_set1_epi8('0')), letters);
  return {static_cast<uint64_t>(_mm_cvtsi128_si64(digits)),
          static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(digits, digits)))};
#else
  return HexDigitsWordsPortable(first, second);
#endif
}

// The last `digits` of a word of eight made by HexDigitsWord: the leading
// zeros are shifted out of the word rather than skipped one by one. Always
// stores eight bytes at `out`, so the room there must hold them.
inline char* WriteDigitsOfWord(char* out, uint64_t digit_word, int digits) {
  Store8(out, digit_word >> (8 * (8 - digits)));
  return out + digits;
}

// As WriteHex for a 32-bit value, from HexDigitsWord; stores eight bytes.
inline char* WriteHexWord(char* out, uint32_t value) {
  return WriteDigitsOfWord(out, HexDigitsWord(value), HexDigitCount(value));
}

inline void AppendHex(std::string& out, uint32_t value) {
  char buffer[16];
  out.append(buffer, WriteHex(buffer, value));
}

// "%0Nx": at least `width` digits, more when the value needs them.
inline void AppendHexFixed(std::string& out, uint64_t value, int width) {
  char buffer[16];
  const int digits = HexDigitCount(value) > width ? HexDigitCount(value) : width;
  out.append(buffer, WriteHexDigits(buffer, value, digits));
}

}  // namespace kiv

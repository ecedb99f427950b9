// The usual instruction record, "head body" alone on its line, read at once
// from sixteen bytes. Reading a number at a time, each number's end must be
// found before the next can be looked at, and that chain, not the work,
// bounded the decoder; here the line's next start depends on one byte test
// over the line, and the two values are worked out beside it.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "common/packed_bytes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kiv::assembler {

// Eight digit values (0 to 15), one to a byte, joined into one number, the
// first byte's the more significant: pairs, fours, all eight.
inline uint32_t JoinDigitValues(uint64_t value) {
  value = ((value << 4) | (value >> 8)) & 0x00ff00ff00ff00ffu;
  value = ((value << 8) | (value >> 16)) & 0x0000ffff0000ffffu;
  value = ((value << 16) | (value >> 32)) & 0xffffffffu;
  return static_cast<uint32_t>(value);
}

// The value of eight hexadecimal digit bytes (either case) read as a word,
// the first byte the most significant. Any other byte gives some value of at
// most 15 for its digit, so that a caller can drop the digits past a shorter
// number off the low end.
inline uint32_t EightDigitsValue(uint64_t word) {
  const uint64_t letter = BytesInRange(word | (kEveryByte * 0x20), 'a', 'f');
  return JoinDigitValues((word & (kEveryByte * 0x0f)) + (letter >> 7) * 9);
}

#if defined(__SSE2__)
// Sixteen bytes sorted for hexadecimal reading: which are digits (the
// letters in either case), and every byte's digit value, meaningful where it
// is a digit.
struct HexBytes {
  __m128i digit;
  __m128i value;
};

inline HexBytes ReadHexBytes(__m128i bytes) {
  const __m128i lower = _mm_or_si128(bytes, _mm_set1_epi8(0x20));
  // Signed compares: bytes from 0x80 up are below every digit.
  const __m128i decimal = _mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('0' - 1)),
                                        _mm_cmplt_epi8(bytes, _mm_set1_epi8('9' + 1)));
  const __m128i letter = _mm_and_si128(_mm_cmpgt_epi8(lower, _mm_set1_epi8('a' - 1)),
                                       _mm_cmplt_epi8(lower, _mm_set1_epi8('f' + 1)));
  const __m128i value = _mm_add_epi8(_mm_and_si128(bytes, _mm_set1_epi8(0x0f)),
                                     _mm_and_si128(letter, _mm_set1_epi8(9)));
  return HexBytes{_mm_or_si128(decimal, letter), value};
}
#endif

struct PlainLine {
  uint32_t head = 0;
  uint32_t body = 0;
  uint32_t length = 0;  // from the line's first byte to its line break
};

// Bytes that must be readable from the line's first byte.
inline constexpr size_t kPlainLineReach = 24;

// Whether the line at `line` (the byte after a line break) is exactly one to
// eight hexadecimal digits, one blank, one to eight digits and a line break;
// if so, `plain` takes the two numbers and the length. Any other line, and
// every line where the processor has no 16-byte compares, is left to the
// general reader, which reads a plain line to the same two numbers.
inline bool ReadPlainLine(const char* line, PlainLine& plain) {
#if defined(__SSE2__)
  const HexBytes hex = ReadHexBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(line)));
  const auto other = ~static_cast<uint32_t>(_mm_movemask_epi8(hex.digit));
  // The first two bytes that are not digits: the blank and the line break.
  const auto blank = static_cast<uint32_t>(std::countr_zero(other));
  const auto end = static_cast<uint32_t>(std::countr_zero(other & (other - 1)));
  const uint32_t body_digits = end - blank - 1;
  if (blank - 1 > 7 || body_digits - 1 > 7 || line[blank] != ' ' || line[end] != '\n') {
    return false;
  }
  // Every byte's digit value at once, kept where the two numbers' digits
  // are read back a word each; a body after eight head digits reads one
  // byte past the sixteen.
  alignas(16) char values[24];
  Store8(values + 16, 0);
  _mm_store_si128(reinterpret_cast<__m128i*>(values), hex.value);
  plain.head = JoinDigitValues(Load8(values)) >> (4 * (8 - blank));
  plain.body = JoinDigitValues(Load8(values + blank + 1)) >> (4 * (8 - body_digits));
  plain.length = end;
  return true;
#else
  (void)line;
  (void)plain;
  return false;
#endif
}

// Whether the line at `line` (the byte after a line break, in a data
// section) is exactly sixteen hexadecimal digits and a line break; if so,
// `first` and `second` take its two words. As for ReadPlainLine, every
// other line is left to the general reader.
inline bool ReadPlainPair(const char* line, uint32_t& first, uint32_t& second) {
#if defined(__SSE2__)
  const HexBytes hex = ReadHexBytes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(line)));
  if (_mm_movemask_epi8(hex.digit) != 0xffff || line[16] != '\n') return false;
  alignas(16) char values[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(values), hex.value);
  first = JoinDigitValues(Load8(values));
  second = JoinDigitValues(Load8(values + 8));
  return true;
#else
  (void)line;
  (void)first;
  (void)second;
  return false;
#endif
}

}  // namespace kiv::assembler

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

// Two runs of eight digit values (0 to 15, one to a byte), bytes 0 to 7 and
// 8 to 15 of `digits`, each joined into one number as JoinDigitValues joins
// a word, both at once: pairs, then fours with one multiply-add, then all
// eight.
inline void JoinTwoDigitRuns(__m128i digits, uint32_t& first, uint32_t& second) {
  // 16-bit lanes b0 | b1 << 8 become b0 * 16 + b1.
  const __m128i pairs = _mm_add_epi16(
      _mm_slli_epi16(_mm_and_si128(digits, _mm_set1_epi16(0x00ff)), 4), _mm_srli_epi16(digits, 8));
  // 32-bit lanes p0 | p1 << 16 become p0 * 256 + p1.
  const __m128i fours = _mm_madd_epi16(pairs, _mm_set1_epi32(0x00010100));
  // 64-bit lanes q0 | q1 << 32 become q0 * 65536 + q1 in their low 32 bits.
  const __m128i eights = _mm_or_si128(_mm_slli_epi64(fours, 16), _mm_srli_epi64(fours, 32));
  first = static_cast<uint32_t>(_mm_cvtsi128_si32(eights));
  second = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(eights, 8)));
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
  // Every byte's digit value at once, kept where the body's digits are read
  // back as a word beside the head's; a body after eight head digits reads
  // one byte past the sixteen.
  alignas(16) char values[24];
  Store8(values + 16, 0);
  _mm_store_si128(reinterpret_cast<__m128i*>(values), hex.value);
  const __m128i body_values = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(values + blank + 1));
  uint32_t head = 0;
  uint32_t body = 0;
  JoinTwoDigitRuns(_mm_unpacklo_epi64(hex.value, body_values), head, body);
  plain.head = head >> (4 * (8 - blank));
  plain.body = body >> (4 * (8 - body_digits));
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
  JoinTwoDigitRuns(hex.value, first, second);
  return true;
#else
  (void)line;
  (void)first;
  (void)second;
  return false;
#endif
}

}  // namespace kiv::assembler

// Which bytes of a 64-byte block are white space, as the bits of one word:
// the scanner finds where tokens start and end with a bit scan, instead of
// testing byte after byte.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "assembly/byte_set_bits.h"
#include "common/packed_bytes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kiv::assembly {

// White space as the C library's scanning knows it.
inline constexpr auto kScanSpace = [] {
  std::array<bool, 256> table{};
  for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) table[c] = true;
  return table;
}();

constexpr bool IsScanSpace(char c) { return kScanSpace[static_cast<unsigned char>(c)]; }

inline constexpr size_t kSpaceBlock = kByteBlock;

// Bit i is set when block[i] is white space. Reads 64 bytes.
inline uint64_t SpaceBitsPortable(const char* block) {
  uint64_t bits = 0;
  for (size_t word = 0; word < kSpaceBlock / 8; ++word) {
    const uint64_t packed = Load8(block + 8 * word);
    const uint64_t high = BytesEqual(packed, ' ') | BytesInRange(packed, '\t', '\r');
    // Gathers the eight high bits (byte k's at bit 8k + 7) into bits 0 to 7.
    const uint64_t gathered = ((high >> 7) * 0x0102040810204080u) >> 56;
    bits |= gathered << (8 * word);
  }
  return bits;
}

#if defined(__SSE2__)
inline uint64_t SpaceBitsSse2(const char* block) {
  const __m128i blank = _mm_set1_epi8(' ');
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i four = _mm_set1_epi8(4);
  uint64_t bits = 0;
  for (size_t part = 0; part < kSpaceBlock / 16; ++part) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
    // \t to \r are the bytes whose distance from \t is at most 4, unsigned.
    const __m128i distance = _mm_sub_epi8(bytes, tab);
    const __m128i in_range = _mm_cmpeq_epi8(_mm_min_epu8(distance, four), distance);
    const __m128i space = _mm_or_si128(_mm_cmpeq_epi8(bytes, blank), in_range);
    bits |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(space))} << (16 * part);
  }
  return bits;
}
#endif

inline uint64_t SpaceBits(const char* block) {
#if defined(__SSE2__)
  return SpaceBitsSse2(block);
#else
  return SpaceBitsPortable(block);
#endif
}

// Bit i is set when block[i] is white space, for the 16 bytes at `window`
// (anywhere in a text: no alignment needed). Reads 16 bytes.
inline uint32_t SpaceBitsOf16(const char* window) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window));
  const __m128i distance = _mm_sub_epi8(bytes, _mm_set1_epi8('\t'));
  const __m128i in_range = _mm_cmpeq_epi8(_mm_min_epu8(distance, _mm_set1_epi8(4)), distance);
  const __m128i space = _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')), in_range);
  return static_cast<uint32_t>(_mm_movemask_epi8(space));
#else
  uint32_t bits = 0;
  for (size_t word = 0; word < 2; ++word) {
    const uint64_t packed = Load8(window + 8 * word);
    const uint64_t high = BytesEqual(packed, ' ') | BytesInRange(packed, '\t', '\r');
    bits |= static_cast<uint32_t>(((high >> 7) * 0x0102040810204080u) >> 56) << (8 * word);
  }
  return bits;
#endif
}

// The same for the `length` bytes (below 64) left at the end of a text:
// the bits past them are set, so that a token ends at the end of the text.
inline uint64_t SpaceBitsOfTail(const char* block, size_t length) {
  uint64_t bits = ~uint64_t{0} << length;
  for (size_t i = 0; i < length; ++i) {
    if (IsScanSpace(block[i])) bits |= uint64_t{1} << i;
  }
  return bits;
}

}  // namespace kiv::assembly

// Which bytes of a 64-byte block belong to a small set, as the bits of one
// word, and a finder built on it: passes that look for a few special bytes
// in long runs of ordinary text jump from one to the next by bit scans.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/packed_bytes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kiv::assembly {

inline constexpr size_t kByteBlock = 64;

// Bit i is set when block[i] is one of kBytes. Reads 64 bytes.
template <char... kBytes>
uint64_t ByteSetBitsPortable(const char* block) {
  uint64_t bits = 0;
  for (size_t word = 0; word < kByteBlock / 8; ++word) {
    const uint64_t packed = Load8(block + 8 * word);
    const uint64_t high = (BytesEqual(packed, static_cast<unsigned char>(kBytes)) | ...);
    // Gathers the eight high bits (byte k's at bit 8k + 7) into bits 0 to 7.
    bits |= (((high >> 7) * 0x0102040810204080u) >> 56) << (8 * word);
  }
  return bits;
}

template <char... kBytes>
uint64_t ByteSetBits(const char* block) {
#if defined(__SSE2__)
  uint64_t bits = 0;
  for (size_t part = 0; part < kByteBlock / 16; ++part) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
    const __m128i found = (_mm_cmpeq_epi8(bytes, _mm_set1_epi8(kBytes)) | ...);
    bits |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(found))} << (16 * part);
  }
  return bits;
#else
  return ByteSetBitsPortable<kBytes...>(block);
#endif
}

// How many bytes of the text belong to the set.
template <char... kBytes>
size_t CountByteSet(std::string_view text) {
  size_t count = 0;
  size_t p = 0;
  for (; text.size() - p >= kByteBlock; p += kByteBlock) {
    count += static_cast<size_t>(std::popcount(ByteSetBits<kBytes...>(text.data() + p)));
  }
  for (; p < text.size(); ++p) count += ((text[p] == kBytes) || ...) ? 1 : 0;
  return count;
}

// Finds the bytes of the set in a text, front to back.
template <char... kBytes>
class ByteSetFinder {
 public:
  explicit ByteSetFinder(std::string_view text) : text_(text) {}

  // The position of the first byte of the set at or after `p`; the end of
  // the text when there is none.
  size_t Next(size_t p) {
    while (p < text_.size()) {
      const size_t block = p & ~(kByteBlock - 1);
      if (block != block_start_) Load(block);
      const uint64_t bits = block_bits_ >> (p & (kByteBlock - 1));
      if (bits != 0) return p + static_cast<size_t>(std::countr_zero(bits));
      p = block + kByteBlock;
    }
    return text_.size();
  }

 private:
  void Load(size_t block) {
    block_start_ = block;
    const size_t left = text_.size() - block;
    if (left >= kByteBlock) {
      block_bits_ = ByteSetBits<kBytes...>(text_.data() + block);
      return;
    }
    block_bits_ = 0;
    for (size_t i = 0; i < left; ++i) {
      if (((text_[block + i] == kBytes) || ...)) block_bits_ |= uint64_t{1} << i;
    }
  }

  std::string_view text_;
  size_t block_start_ = SIZE_MAX;  // of the cached block; none yet
  uint64_t block_bits_ = 0;
};

}  // namespace kiv::assembly

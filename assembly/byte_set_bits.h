// Which bytes of a 64-byte block belong to a small set, as the bits of one
// word, and a finder built on it: passes that look for a few special bytes
// in long runs of ordinary text jump from one to the next by bit scans.
#pragma once

#include <algorithm>
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

#if defined(__SSE2__)
// 0xff in each of the 16 bytes that is one of kBytes. Combined with the
// intrinsic, not with |, which only some compilers define on __m128i.
template <char... kBytes>
__m128i MatchByteSet(__m128i bytes) {
  __m128i found = _mm_setzero_si128();
  ((found = _mm_or_si128(found, _mm_cmpeq_epi8(bytes, _mm_set1_epi8(kBytes)))), ...);
  return found;
}
#endif

template <char... kBytes>
uint64_t ByteSetBits(const char* block) {
#if defined(__SSE2__)
  uint64_t bits = 0;
  for (size_t part = 0; part < kByteBlock / 16; ++part) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
    const __m128i found = MatchByteSet<kBytes...>(bytes);
    bits |= uint64_t{static_cast<uint16_t>(_mm_movemask_epi8(found))} << (16 * part);
  }
  return bits;
#else
  return ByteSetBitsPortable<kBytes...>(block);
#endif
}

// The same for 16 bytes, bit i for block[i]. Reads 16 bytes.
template <char... kBytes>
uint32_t ByteSetBits16Portable(const char* block) {
  uint32_t bits = 0;
  for (size_t word = 0; word < 2; ++word) {
    const uint64_t packed = Load8(block + 8 * word);
    const uint64_t high = (BytesEqual(packed, static_cast<unsigned char>(kBytes)) | ...);
    bits |= static_cast<uint32_t>(((high >> 7) * 0x0102040810204080u) >> 56) << (8 * word);
  }
  return bits;
}

template <char... kBytes>
uint32_t ByteSetBits16(const char* block) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block));
  return static_cast<uint16_t>(_mm_movemask_epi8(MatchByteSet<kBytes...>(bytes)));
#else
  return ByteSetBits16Portable<kBytes...>(block);
#endif
}

// The set bits of a word, by shifts and adds the compiler keeps inline: the
// build does not assume a processor that counts bits, so std::popcount would
// be a library call for every 64 bytes of text.
inline size_t CountSetBits(uint64_t bits) {
  bits -= (bits >> 1) & 0x5555555555555555u;
  bits = (bits & 0x3333333333333333u) + ((bits >> 2) & 0x3333333333333333u);
  bits = (bits + (bits >> 4)) & 0x0f0f0f0f0f0f0f0fu;
  return static_cast<size_t>((bits * 0x0101010101010101u) >> 56);
}

// How many bytes of the text belong to the set.
template <char... kBytes>
size_t CountByteSet(std::string_view text) {
  size_t count = 0;
  size_t p = 0;
#if defined(__SSE2__)
  // Sixteen bytes at a time, each lane counting its matches in a byte (a
  // match is 0xff, -1, so subtracting it adds one), summed into the total
  // before any lane can pass 255: three instructions a 16 bytes, where the
  // bits of a block cost a gather and a count of its bits.
  constexpr size_t kLaneRounds = 255;
  while (text.size() - p >= 16) {
    const size_t rounds = std::min((text.size() - p) / 16, kLaneRounds);
    __m128i lanes = _mm_setzero_si128();
    for (size_t r = 0; r < rounds; ++r, p += 16) {
      const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + p));
      lanes = _mm_sub_epi8(lanes, MatchByteSet<kBytes...>(bytes));
    }
    const __m128i sums = _mm_sad_epu8(lanes, _mm_setzero_si128());
    count += static_cast<size_t>(_mm_cvtsi128_si64(sums)) +
             static_cast<size_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(sums, sums)));
  }
#else
  for (; text.size() - p >= kByteBlock; p += kByteBlock) {
    count += CountSetBits(ByteSetBits<kBytes...>(text.data() + p));
  }
#endif
  // A short text, or the rest of a long one, a word at a time.
  for (; text.size() - p >= 8; p += 8) {
    const uint64_t word = Load8(text.data() + p);
    count += CountSetBits((BytesEqual(word, static_cast<unsigned char>(kBytes)) | ...));
  }
  for (; p < text.size(); ++p) count += ((text[p] == kBytes) || ...) ? 1 : 0;
  return count;
}

// The same for the `length` bytes (below 64) left at the end of a text.
template <char... kBytes>
uint64_t ByteSetBitsOfTail(const char* block, size_t length) {
  uint64_t bits = 0;
  for (size_t i = 0; i < length; ++i) {
    if (((block[i] == kBytes) || ...)) bits |= uint64_t{1} << i;
  }
  return bits;
}

// The bits of one byte class over a text, a 64-byte block at a time, with
// the last block tested by the class's own rule for a short tail. Keeps the
// block last asked for, as passes ask for the same block many times.
template <uint64_t (*kBlockBits)(const char*), uint64_t (*kTailBits)(const char*, size_t)>
class BlockBitmap {
 public:
  explicit BlockBitmap(std::string_view text) : text_(text) {}

  // The bits of the block holding `p`, which is below the end of the text:
  // bit i stands for the byte at (p rounded down to 64) + i.
  uint64_t BlockOf(size_t p) {
    const size_t block = p & ~(kByteBlock - 1);
    if (block != block_start_) {
      block_start_ = block;
      const size_t left = text_.size() - block;
      block_bits_ = left >= kByteBlock ? kBlockBits(text_.data() + block)
                                       : kTailBits(text_.data() + block, left);
    }
    return block_bits_;
  }

 private:
  std::string_view text_;
  size_t block_start_ = SIZE_MAX;  // of the cached block; none yet
  uint64_t block_bits_ = 0;
};

// Finds the bytes of the set in a text, front to back.
template <char... kBytes>
class ByteSetFinder {
 public:
  explicit ByteSetFinder(std::string_view text) : text_(text), bits_(text) {}

  // The position of the first byte of the set at or after `p`; the end of
  // the text when there is none.
  size_t Next(size_t p) {
    while (p < text_.size()) {
      const uint64_t bits = bits_.BlockOf(p) >> (p & (kByteBlock - 1));
      if (bits != 0) return p + static_cast<size_t>(std::countr_zero(bits));
      p = (p & ~(kByteBlock - 1)) + kByteBlock;
    }
    return text_.size();
  }

 private:
  std::string_view text_;
  BlockBitmap<&ByteSetBits<kBytes...>, &ByteSetBitsOfTail<kBytes...>> bits_;
};

}  // namespace kiv::assembly

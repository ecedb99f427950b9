// The boundaries below a limit, one bit per index, with the padding in force
// at each index; a lookup reads one 16-byte block. It lets the boundary table
// order its boundaries in linear time and lets every relocation find a
// target's padding without a search.
#pragma once

#include <bit>
#include <cstdint>
#include <span>

#include "assembler/boundary.h"
#include "common/large_array.h"

namespace kiv::assembler {

// The sum of the 32 two-bit fields of `fields`, by halving the number of
// fields at each step. The fields hold values up to 2, not single bits, so
// std::popcount would have to count twice (the low bits, then the high bits
// twice over); and as the build does not assume a processor that counts
// bits, each std::popcount is a library call rather than one instruction;
// this sum runs for every relocated target.
inline uint32_t SumOfTwoBitFields(uint64_t fields) {
  fields = (fields & 0x3333333333333333u) + ((fields >> 2) & 0x3333333333333333u);  // 4-bit sums
  fields = (fields + (fields >> 4)) & 0x0f0f0f0f0f0f0f0fu;                          // 8-bit sums
  return static_cast<uint32_t>((fields * 0x0101010101010101u) >> 56);
}

class BoundaryBitmap {
 public:
  // Empties the set; members must then lie below `limit` (at most 2^32).
  void Reset(uint64_t limit);
  uint64_t limit() const { return limit_; }

  // Adding twice is adding once.
  void Add(uint32_t index) { blocks_[index / kIndicesPerBlock].members |= Bit(index); }

  // Calls `visit` with each member, ascending.
  template <typename Visit>
  void ForEachMember(Visit visit) const {
    for (uint64_t b = 0; b < blocks_.size(); ++b) {
      for (uint32_t bits = blocks_[b].members; bits != 0; bits &= bits - 1) {
        visit(static_cast<uint32_t>(b * kIndicesPerBlock + std::countr_zero(bits)));
      }
    }
  }

  // Pads the members in ascending order, each so that it begins a bundle
  // (index + padding a multiple of 3), and keeps the paddings for the
  // lookups below; calls `visit` with each member and its padding, in the
  // same walk. Returns the last member's padding, 0 without members.
  template <typename Visit>
  uint32_t PadMembers(Visit visit) {
    uint32_t in_force = 0;
    for (uint64_t b = 0; b < blocks_.size(); ++b) {
      Block& block = blocks_[b];
      block.padding_before = in_force;
      uint64_t growth = 0;
      for (uint32_t bits = block.members; bits != 0; bits &= bits - 1) {
        const auto bit = static_cast<uint32_t>(std::countr_zero(bits));
        const auto index = static_cast<uint32_t>(b * kIndicesPerBlock + bit);
        const uint32_t padding = in_force + PaddingToBundleStart(index + in_force);
        growth |= uint64_t{padding - in_force} << (2 * bit);
        in_force = padding;
        visit(Boundary{index, padding});
      }
      block.growth = growth;
    }
    return in_force;
  }

  // For indices below the limit only.
  bool Contains(uint32_t index) const {
    return (blocks_[index / kIndicesPerBlock].members & Bit(index)) != 0;
  }
  // The padding of the last member not above `index`, 0 before the first;
  // valid after PadMembers.
  uint32_t PaddingInForce(uint32_t index) const {
    const Block& block = blocks_[index / kIndicesPerBlock];
    // The fields of the block's indices up to this one.
    const uint64_t mask = ~uint64_t{0} >> (62 - 2 * (index % kIndicesPerBlock));
    return block.padding_before + SumOfTwoBitFields(block.growth & mask);
  }

  // Where the lookups of `index` (below the limit) read, for fetching it
  // into the cache ahead of them.
  const void* BlockOf(uint32_t index) const { return &blocks_[index / kIndicesPerBlock]; }

 private:
  static constexpr uint32_t kIndicesPerBlock = 32;

  // 32 indices: which are members, the padding in force before the first of
  // them, and at each member's 2-bit field how much its padding grew. All
  // zero is an empty block.
  struct Block {
    uint32_t members;
    uint32_t padding_before;
    uint64_t growth;
  };

  static uint32_t Bit(uint32_t index) { return uint32_t{1} << (index % kIndicesPerBlock); }

  LargeArray<Block> blocks_;
  uint64_t limit_ = 0;
};

}  // namespace kiv::assembler

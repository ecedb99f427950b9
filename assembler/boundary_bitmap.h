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

  // Takes the members' paddings: `members` holds exactly the members,
  // ascending, each padding 0 to 2 above the one before (the first 0 to 2
  // above 0), as ComputePadding makes them.
  void SetPaddings(std::span<const Boundary> members);

  // For indices below the limit only.
  bool Contains(uint32_t index) const {
    return (blocks_[index / kIndicesPerBlock].members & Bit(index)) != 0;
  }
  // The padding of the last member not above `index`, 0 before the first;
  // valid after SetPaddings.
  uint32_t PaddingInForce(uint32_t index) const;

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

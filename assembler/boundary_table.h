// The instruction indices that must begin a bundle, each with the number of
// empty slots left before it. Filled by pass 1, finished once by
// ComputePadding, then only read by the relocations and pass 2.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "assembler/boundary.h"
#include "assembler/boundary_bitmap.h"
#include "common/large_array.h"

namespace kiv::assembler {

class BoundaryTable {
 public:
  // Order and duplicates are settled by ComputePadding.
  void Insert(uint32_t index) { boundaries_.PushBack(Boundary{index, 0}); }
  // Room for `count` more inserts, so that filling never copies the table.
  void Reserve(size_t count) { boundaries_.Reserve(boundaries_.size() + count); }

  // A jump or branch target: a boundary that is also kept, in the order of
  // its jumps and branches, for pass 2, which meets them again in that order
  // and fetches the lookups of the ones ahead.
  void InsertTarget(uint32_t index) {
    Insert(index);
    targets_.PushBack(index);
  }
  void ReserveTargets(size_t count) { targets_.Reserve(targets_.size() + count); }
  std::span<const uint32_t> targets() const { return targets_.span(); }
  // The targets again, in the same order, each with its padding: pass 2
  // reads them in turn rather than looking each one up at a random place of
  // the table while it packs. Made by ComputePadding.
  std::span<const Boundary> resolved_targets() const { return resolved_targets_.span(); }

  // Sorts, drops duplicates and pads each boundary so that index + padding is
  // a multiple of 3. Call after the last Insert; the reads below rely on it.
  // Calling it again changes nothing.
  void ComputePadding();

  // The padding of the boundary at exactly this index; none when the index is
  // not a boundary.
  std::optional<uint32_t> PaddingOfBoundary(uint32_t index) const {
    if (index >= near_.limit()) return FarPaddingOfBoundary(index);
    if (!near_.Contains(index)) return std::nullopt;
    return near_.PaddingInForce(index);
  }

  // The padding in force at an index: that of the last boundary not above it,
  // 0 before the first boundary.
  uint32_t PaddingAtIndex(uint32_t index) const;

  // Where the instruction at `index` lands once padded: in bundle
  // SlotPosition / 3, slot SlotPosition % 3 + 1.
  uint64_t SlotPosition(uint32_t index) const { return uint64_t{index} + PaddingAtIndex(index); }

  // Ascending by index, no index twice.
  std::span<const Boundary> boundaries() const { return boundaries_.span(); }

 private:
  // Boundaries below the number of boundaries times a small factor, all of
  // them in a usual program, are ordered and looked up through `near_`; the
  // others (targets far beyond the program's end, a wrapped negative branch
  // target, the last ones of a program with few boundaries) follow them in
  // `boundaries_` and are sorted and searched.
  std::span<const Boundary> far() const { return boundaries_.span().subspan(near_count_); }
  std::optional<uint32_t> FarPaddingOfBoundary(uint32_t index) const;
  void ResolveTargets();

  LargeArray<Boundary> boundaries_;
  LargeArray<uint32_t> targets_;
  LargeArray<Boundary> resolved_targets_;
  BoundaryBitmap near_;
  size_t near_count_ = 0;
};

}  // namespace kiv::assembler

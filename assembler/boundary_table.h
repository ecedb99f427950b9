// The instruction indices that must begin a bundle, each with the number of
// empty slots left before it. Filled by pass 1, finished once by
// ComputePadding, then only read by the relocations and pass 2.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kiv::assembler {

struct Boundary {
  uint32_t index = 0;
  // Empty slots before this boundary's instruction in the whole image.
  uint32_t padding = 0;
};

class BoundaryTable {
 public:
  // Order and duplicates are settled once, by ComputePadding.
  void Insert(uint32_t index) { boundaries_.push_back(Boundary{index, 0}); }

  // Sorts, drops duplicates and pads each boundary so that index + padding is
  // a multiple of 3. Call once, after the last Insert; the reads below rely on it.
  void ComputePadding();

  // The padding of the boundary at exactly this index; none when the index is
  // not a boundary.
  std::optional<uint32_t> PaddingOfBoundary(uint32_t index) const;

  // The padding in force at an index: that of the last boundary not above it,
  // 0 before the first boundary.
  uint32_t PaddingAtIndex(uint32_t index) const;

  // Ascending by index, no index twice.
  std::span<const Boundary> boundaries() const { return boundaries_; }

 private:
  std::vector<Boundary> boundaries_;
};

}  // namespace kiv::assembler

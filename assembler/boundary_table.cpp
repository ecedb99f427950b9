#include "assembler/boundary_table.h"

#include <algorithm>

namespace kiv::assembler {
namespace {

bool IndexBelow(const Boundary& boundary, uint32_t index) { return boundary.index < index; }
bool IndexAbove(uint32_t index, const Boundary& boundary) { return index < boundary.index; }

}  // namespace

void BoundaryTable::ComputePadding() {
  // The classic algorithms rather than std::ranges: clang 14, which builds the
  // fuzz targets, cannot compile libstdc++ 12's ranges::sort and ranges::unique.
  std::sort(boundaries_.begin(), boundaries_.end(),
            [](const Boundary& a, const Boundary& b) { return a.index < b.index; });
  boundaries_.erase(
      std::unique(boundaries_.begin(), boundaries_.end(),
                  [](const Boundary& a, const Boundary& b) { return a.index == b.index; }),
      boundaries_.end());

  uint32_t total = 0;
  for (Boundary& boundary : boundaries_) {
    total += (3u - (boundary.index + total) % 3u) % 3u;
    boundary.padding = total;
  }
}

std::optional<uint32_t> BoundaryTable::PaddingOfBoundary(uint32_t index) const {
  const auto it = std::lower_bound(boundaries_.begin(), boundaries_.end(), index, IndexBelow);
  if (it == boundaries_.end() || it->index != index) return std::nullopt;
  return it->padding;
}

uint32_t BoundaryTable::PaddingAtIndex(uint32_t index) const {
  const auto after = std::upper_bound(boundaries_.begin(), boundaries_.end(), index, IndexAbove);
  return after == boundaries_.begin() ? 0u : std::prev(after)->padding;
}

}  // namespace kiv::assembler

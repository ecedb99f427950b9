#include "assembler/boundary_table.h"

#include <algorithm>

namespace kiv::assembler {
namespace {

// Half a bitmap block (16 indices, 8 bytes) per boundary at most: the bitmap
// is never larger than the table itself.
constexpr uint64_t kNearIndicesPerBoundary = 16;

bool IndexBelow(const Boundary& boundary, uint32_t index) { return boundary.index < index; }
bool IndexAbove(uint32_t index, const Boundary& boundary) { return index < boundary.index; }

}  // namespace

void BoundaryTable::ComputePadding() {
  // The bitmap ends after the highest boundary below the cap, which keeps its
  // size and its scans linear in the number of boundaries whatever their
  // values, and in a usual program ends it with the program.
  const uint64_t cap = kNearIndicesPerBoundary * (boundaries_.size() + 1);
  uint64_t limit = 0;
  for (const Boundary& boundary : boundaries_) {
    if (boundary.index < cap) limit = std::max(limit, uint64_t{boundary.index} + 1);
  }
  near_.Reset(limit);
  std::vector<uint32_t> far_indices;
  for (const Boundary& boundary : boundaries_) {
    if (boundary.index < limit) {
      near_.Add(boundary.index);
    } else {
      far_indices.push_back(boundary.index);
    }
  }
  // The classic algorithms rather than std::ranges: clang 14, which builds the
  // fuzz targets, cannot compile libstdc++ 12's ranges::sort and ranges::unique.
  std::sort(far_indices.begin(), far_indices.end());
  far_indices.erase(std::unique(far_indices.begin(), far_indices.end()), far_indices.end());

  // Rebuilt in place, in order, padded as it goes: never more boundaries
  // than were inserted.
  boundaries_.Clear();
  uint32_t total = near_.PadMembers([this](Boundary boundary) { boundaries_.PushBack(boundary); });
  near_count_ = boundaries_.size();
  for (const uint32_t index : far_indices) {
    total += PaddingToBundleStart(index + total);
    boundaries_.PushBack(Boundary{index, total});
  }
  ResolveTargets();
}

void BoundaryTable::ResolveTargets() {
  // As much room as the targets have, where that makes a mapped block: the
  // list then lies on huge pages and the room never written costs nothing,
  // where its exact size would take a few hundred small pages, each cleared
  // and a fault of its own. A small program's list takes its exact size.
  const size_t room = targets_.capacity() * sizeof(Boundary) >= kMappedBlockBytes
                          ? targets_.capacity()
                          : targets_.size();
  resolved_targets_.Clear();
  resolved_targets_.Reserve(room);
  // Each lookup is independent of the one before, so the processor has
  // several under way at once, where pass 2 would wait for each in turn.
  for (const uint32_t target : targets_) {
    resolved_targets_.PushBack(Boundary{target, PaddingOfBoundary(target).value_or(0)});
  }
}

std::optional<uint32_t> BoundaryTable::FarPaddingOfBoundary(uint32_t index) const {
  const auto far_part = far();
  const auto it = std::lower_bound(far_part.begin(), far_part.end(), index, IndexBelow);
  if (it == far_part.end() || it->index != index) return std::nullopt;
  return it->padding;
}

uint32_t BoundaryTable::PaddingAtIndex(uint32_t index) const {
  if (index < near_.limit()) return near_.PaddingInForce(index);
  // Every near boundary lies below the index: count the far ones not above it.
  const auto far_part = far();
  const auto not_above =
      near_count_ +
      static_cast<size_t>(std::upper_bound(far_part.begin(), far_part.end(), index, IndexAbove) -
                          far_part.begin());
  return not_above == 0 ? 0u : boundaries_[not_above - 1].padding;
}

}  // namespace kiv::assembler

// Pass 2's walk through the jump and branch targets, met in the order pass 1
// kept them: each target's padding is read from the table's resolved targets
// in turn, without a lookup.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "assembler/boundary_table.h"

namespace kiv::assembler {

class TargetCursor {
 public:
  explicit TargetCursor(const BoundaryTable& table)
      : table_(table), resolved_(table.resolved_targets()) {}

  // The padding at `target`, the next jump or branch target met. A target
  // that is not the next resolved one (a table not made by pass 1 over the
  // same records) is looked up, as RelocateBody does.
  uint32_t PaddingOf(uint32_t target) {
    if (next_ < resolved_.size() && resolved_[next_].index == target) {
      return resolved_[next_++].padding;
    }
    return table_.PaddingOfBoundary(target).value_or(0);
  }

 private:
  const BoundaryTable& table_;
  std::span<const Boundary> resolved_;
  size_t next_ = 0;
};

}  // namespace kiv::assembler

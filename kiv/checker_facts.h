// What the statement walk learns about a program beside its diagnostics:
// where each statement stands and at which instruction index, every jump and
// branch with its target, and the data sections. The layout checks read them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "common/large_array.h"

namespace kiv::tool {

struct StatementFact {
  size_t offset;   // of the statement token in the normalised text
  uint32_t index;  // the encoding pass's instruction index before it
  uint32_t length;
};

// A j, jal, beq, bne, bclt or bclf.
struct TransferFact {
  size_t operand_offset;  // the target operand
  uint32_t operand_length;
  uint32_t index;   // the instruction's own index
  uint32_t target;  // the instruction index it reaches
  uint32_t opcode;
  bool via_label;  // the target is a label's value, exact whatever the walk counted
};

struct SectionFact {
  size_t offset;      // the .rdata that opened it
  size_t end_offset;  // the .text that closed it, or the end of the text
  uint32_t start;     // its first index
  uint32_t end;       // the index after it
};

// A branch's 18-bit field holds a distance in bundles of -131072 to 131071.
inline constexpr int64_t kBranchLowest = -(int64_t{1} << 17);
inline constexpr int64_t kBranchHighest = (int64_t{1} << 17) - 1;

// A bundle holds at least one instruction: a branch that is near in
// instructions is near in bundles too, whatever the layout.
inline bool NearInInstructions(const TransferFact& transfer) {
  const int64_t instructions = int64_t{transfer.target} - int64_t{transfer.index};
  return instructions > kBranchLowest + 2 && instructions < kBranchHighest - 2;
}

// A label made from the label pass's list that stands at another index
// than the pass entered it with.
struct CountedApart {
  size_t definition;   // its index in the list
  uint32_t stands_at;  // the walk's index where it stands
  bool operator==(const CountedApart&) const = default;
};

struct ProgramFacts {
  std::vector<StatementFact> statements;  // ascending by offset and by index
  LargeArray<TransferFact> transfers;     // in source order
  std::vector<SectionFact> sections;
  uint32_t end_index = 0;
  // The line the walk ended on, counted from 1 at the line it began on.
  size_t end_line = 1;
  // Some branch lies so far from its target in instructions that only the
  // back end's layout tells whether its distance in bundles fits: noted as
  // the transfers are found, rather than looked for among them at the end.
  bool far_branch = false;
  // The labels of the label pass's list, when the walk read them from it,
  // that stand at another index than the pass entered them with.
  std::vector<CountedApart> counted_apart;
};

}  // namespace kiv::tool

// What the statement walk learns about a program beside its diagnostics:
// where each statement stands and at which instruction index, every jump and
// branch with its target, and the data sections. The layout checks read them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

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

struct ProgramFacts {
  std::vector<StatementFact> statements;  // ascending by offset and by index
  std::vector<TransferFact> transfers;    // in source order
  std::vector<SectionFact> sections;
  uint32_t end_index = 0;
};

}  // namespace kiv::tool

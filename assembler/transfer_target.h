// Where a jump or branch goes, in instruction indices as the front end wrote it.
#pragma once

#include <cstdint>
#include <optional>

#include "common/instruction_word.h"

namespace kiv::assembler {

// A branch's offset counts from the instruction after it. Sums wrap as
// unsigned 32-bit, so a target below index 0 becomes a huge index.
constexpr uint32_t BranchTarget(uint32_t index, uint32_t body) {
  return index + 1u + static_cast<uint32_t>(SignedImmediate(body));
}

// The target index of a j, jal or branch; none for every other opcode.
constexpr std::optional<uint32_t> TransferTarget(uint32_t op, uint32_t body, uint32_t index) {
  if (op == opcode::kJ || op == opcode::kJal) return body;
  if (IsBranchOpcode(op)) return BranchTarget(index, body);
  return std::nullopt;
}

}  // namespace kiv::assembler

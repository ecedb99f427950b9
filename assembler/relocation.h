// Rewrites the targets that the front end wrote in instruction indices as
// bundle positions: jumps and la get a bundle's byte address in the image,
// branches an offset counted in bundles. Each function returns the new body.
#pragma once

#include <cstdint>

#include "assembler/boundary_table.h"
#include "common/instruction_word.h"

namespace kiv::assembler {

// `padding_in_force` is the padding at the branch's own index, as pass 2
// tracks it. The distance keeps only its low 18 bits.
uint32_t RelocateBranch(uint32_t index, uint32_t body, uint32_t padding_in_force,
                        const BoundaryTable& table);

// The whole body is the target index and becomes the bundle's byte address.
uint32_t RelocateJump(uint32_t body, const BoundaryTable& table);

// Body bits 17-0 hold the index; bits 31-18 are kept. Indices of 1536 and
// more would not fit once turned into addresses and are left as they are.
uint32_t RelocateAddress(uint32_t body, const BoundaryTable& table);

// Picks the relocation by opcode; other opcodes keep their body. Inline: most
// instructions are none of these, and pass 2 asks for every one.
inline uint32_t RelocateBody(uint32_t op, uint32_t index, uint32_t body, uint32_t padding_in_force,
                             const BoundaryTable& table) {
  if (IsBranchOpcode(op)) return RelocateBranch(index, body, padding_in_force, table);
  if (op == opcode::kJ || op == opcode::kJal) return RelocateJump(body, table);
  if (op == opcode::kLa) return RelocateAddress(body, table);
  return body;
}

}  // namespace kiv::assembler

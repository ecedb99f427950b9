// Rewrites the targets that the front end wrote in instruction indices as
// bundle positions: jumps and la get a bundle's byte address in the image,
// branches an offset counted in bundles. Each function returns the new body.
#pragma once

#include <cstdint>

#include "assembler/boundary_table.h"
#include "assembler/transfer_target.h"
#include "common/instruction_word.h"

namespace kiv::assembler {

inline constexpr uint32_t kBundleBytes = 16;
inline constexpr uint32_t kSlotsPerBundle = 3;

constexpr uint32_t BundleOf(uint32_t index, uint32_t padding) {
  return (index + padding) / kSlotsPerBundle;
}

// A branch's new body, once the padding at its target is known.
constexpr uint32_t BranchBody(uint32_t index, uint32_t body, uint32_t padding_in_force,
                              uint32_t target_padding) {
  const uint32_t distance =
      BundleOf(BranchTarget(index, body), target_padding) - BundleOf(index, padding_in_force);
  return ReplaceImmediate(body, distance);
}

// A jump's new body, once the padding at its target (its old body) is known.
constexpr uint32_t JumpBody(uint32_t target, uint32_t target_padding) {
  return BundleOf(target, target_padding) * kBundleBytes;
}

// `padding_in_force` is the padding at the branch's own index, as pass 2
// tracks it. The distance keeps only its low 18 bits.
uint32_t RelocateBranch(uint32_t index, uint32_t body, uint32_t padding_in_force,
                        const BoundaryTable& table);

// The whole body is the target index and becomes the bundle's byte address.
uint32_t RelocateJump(uint32_t body, const BoundaryTable& table);

// Body bits 17-0 hold the index; bits 31-18 are kept. Indices of 1536 and
// more would not fit once turned into addresses and are left as they are.
uint32_t RelocateAddress(uint32_t body, const BoundaryTable& table);

// Picks the relocation by opcode; other opcodes keep their body. Pass 2 picks
// the same way but takes the targets' paddings in turn from the table's
// resolved targets; this form looks each one up.
inline uint32_t RelocateBody(uint32_t op, uint32_t index, uint32_t body, uint32_t padding_in_force,
                             const BoundaryTable& table) {
  if (IsBranchOpcode(op)) return RelocateBranch(index, body, padding_in_force, table);
  if (op == opcode::kJ || op == opcode::kJal) return RelocateJump(body, table);
  if (op == opcode::kLa) return RelocateAddress(body, table);
  return body;
}

}  // namespace kiv::assembler

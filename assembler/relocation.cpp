#include "assembler/relocation.h"

#include "assembler/transfer_target.h"
#include "common/instruction_word.h"

namespace kiv::assembler {
namespace {

// (v / 3) * 16 reaches 8192, beyond what the la field keeps, from here on.
constexpr uint32_t kFirstAddressOutOfReach = 1536;

}  // namespace

uint32_t RelocateBranch(uint32_t index, uint32_t body, uint32_t padding_in_force,
                        const BoundaryTable& table) {
  // Pass 1 made every target a boundary; padding 0 is the fallback for a
  // table built from other text.
  const uint32_t target_padding = table.PaddingOfBoundary(BranchTarget(index, body)).value_or(0);
  return BranchBody(index, body, padding_in_force, target_padding);
}

uint32_t RelocateJump(uint32_t body, const BoundaryTable& table) {
  return JumpBody(body, table.PaddingOfBoundary(body).value_or(0));
}

uint32_t RelocateAddress(uint32_t body, const BoundaryTable& table) {
  const uint32_t index = body & kImmediateMask;
  if (index >= kFirstAddressOutOfReach) return body;
  return ReplaceImmediate(body, BundleOf(index, table.PaddingAtIndex(index)) * kBundleBytes);
}

}  // namespace kiv::assembler

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "assembler/boundary_table.h"
#include "assembler/instruction_boundaries.h"
#include "assembler/opcode_roles.h"
#include "assembler/transfer_target.h"
#include "common/instruction_word.h"

namespace kiv::assembler {
namespace {

// The thread boundaries InsertThreadBoundaries gives an instruction at 7.
std::vector<uint32_t> ThreadBoundaries(uint32_t op) {
  BoundaryTable table;
  InsertThreadBoundaries(op, 7, table);
  table.ComputePadding();
  std::vector<uint32_t> indices;
  for (const Boundary& boundary : table.boundaries()) indices.push_back(boundary.index);
  return indices;
}

TEST(OpcodeRoles, SayForEveryOpcodeWhatTheOpcodeTestsSay) {
  for (uint32_t op = 0; op < 256; ++op) {
    const uint8_t roles = opcode_role::Of(op);
    const bool jump = op == opcode::kJ || op == opcode::kJal;
    EXPECT_EQ((roles & opcode_role::kJump) != 0, jump) << op;
    EXPECT_EQ((roles & opcode_role::kBranch) != 0, IsBranchOpcode(op)) << op;
    EXPECT_EQ((roles & opcode_role::kTransfer) != 0, TransferTarget(op, 5, 7).has_value()) << op;
    EXPECT_EQ((roles & opcode_role::kAddress) != 0, op == opcode::kLa) << op;

    std::vector<uint32_t> expected;
    if ((roles & opcode_role::kBoundaryAt) != 0) expected.push_back(7);
    if ((roles & opcode_role::kBoundaryAfter) != 0) expected.push_back(8);
    EXPECT_EQ(ThreadBoundaries(op), expected) << op;
  }
}

}  // namespace
}  // namespace kiv::assembler

#include <gtest/gtest.h>

#include <cstdint>

#include "assembler/boundary_table.h"
#include "assembler/relocation.h"
#include "common/instruction_word.h"

namespace kiv::assembler {
namespace {

// Boundaries 4, 6 and 7 with the paddings 2, 3 and 5.
class RelocationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const uint32_t index : {4u, 6u, 7u}) table_.Insert(index);
    table_.ComputePadding();
  }
  BoundaryTable table_;
};

TEST_F(RelocationTest, BranchOffsetBecomesADistanceInBundles) {
  // beq at 1 (bundle 0) to 7 (bundle 4).
  EXPECT_EQ(RelocateBranch(1, ImmediateField(5), 0, table_), 4u);
  // bne at 7 (bundle 4) back to 4 (bundle 2): -2 in 18 bits, upper bits kept.
  const uint32_t upper = RsField(9) | RtField(8);
  EXPECT_EQ(RelocateBranch(7, upper | ImmediateField(static_cast<uint32_t>(-4)), 5, table_),
            upper | 0x3fffeu);
}

TEST_F(RelocationTest, BranchUsesThePaddingPassTwoTracksForItsOwnBundle) {
  // A branch at 4 to 7 (bundle 4) sits in bundle 2 under padding 2, in
  // bundle 1 if no padding were in force.
  EXPECT_EQ(RelocateBranch(4, ImmediateField(2), 2, table_), 2u);
  EXPECT_EQ(RelocateBranch(4, ImmediateField(2), 0, table_), 3u);
}

TEST_F(RelocationTest, BranchToAnIndexThatIsNoBoundaryTakesPaddingZero) {
  // Target 5 (not a boundary) -> bundle 5 / 3 = 1; branch at 0 in bundle 0.
  EXPECT_EQ(RelocateBranch(0, ImmediateField(4), 0, table_), 1u);
}

TEST_F(RelocationTest, BranchDistanceKeepsOnlyEighteenBits) {
  // A target below index 0 wraps to 0xffffffff, bundle 0x55555555: only the
  // low 18 bits of the distance reach the body, the upper bits stay.
  const uint32_t upper = RsField(4);
  EXPECT_EQ(RelocateBranch(0, upper | ImmediateField(static_cast<uint32_t>(-2)), 0, table_),
            upper | (0x55555555u & kImmediateMask));
}

TEST_F(RelocationTest, JumpBodyBecomesTheTargetBundleAddress) {
  EXPECT_EQ(RelocateJump(6, table_), 0x30u);
  EXPECT_EQ(RelocateJump(7, table_), 0x40u);
  EXPECT_EQ(RelocateJump(0, table_), 0u);
  // Not a boundary: padding 0, so 5 -> bundle 1.
  EXPECT_EQ(RelocateJump(5, table_), 0x10u);
}

TEST_F(RelocationTest, AddressUsesThePaddingInForceAndKeepsUpperBits) {
  const uint32_t upper = RsField(31) | (1u << 18);
  EXPECT_EQ(RelocateAddress(upper | 5, table_), upper | 0x20u);
  EXPECT_EQ(RelocateAddress(upper | 3, table_), upper | 0x10u);
  EXPECT_EQ(RelocateAddress(upper | 100, table_), upper | 560u);
}

TEST_F(RelocationTest, AddressStopsAtIndex1535) {
  EXPECT_EQ(RelocateAddress(1535, table_), ((1535u + 5) / 3) * 16);
  const uint32_t beyond = (7u << 18) | 1536;
  EXPECT_EQ(RelocateAddress(beyond, table_), beyond);
  EXPECT_EQ(RelocateAddress(kImmediateMask, table_), kImmediateMask);
}

TEST_F(RelocationTest, RelocateBodyPicksByOpcode) {
  EXPECT_EQ(RelocateBody(opcode::kJ, 0, 6, 0, table_), 0x30u);
  EXPECT_EQ(RelocateBody(opcode::kJal, 0, 7, 0, table_), 0x40u);
  for (const uint32_t branch : {opcode::kBeq, opcode::kBne, opcode::kBclf, opcode::kBclt}) {
    EXPECT_EQ(RelocateBody(branch, 1, 5, 0, table_), 4u) << branch;
  }
  EXPECT_EQ(RelocateBody(opcode::kLa, 0, 5, 0, table_), 0x20u);
  for (const uint32_t other : {opcode::kAddi, opcode::kSpawni, opcode::kSpawn, opcode::kHalt}) {
    EXPECT_EQ(RelocateBody(other, 1, 6, 0, table_), 6u) << other;
  }
}

}  // namespace
}  // namespace kiv::assembler

#include "assembler/boundary_bitmap.h"

namespace kiv::assembler {
namespace {

// The sum of the 32 two-bit fields of `fields`, by halving the number of
// fields at each step. The fields hold values up to 2, not single bits, so
// std::popcount would have to count twice (the low bits, then the high bits
// twice over); and as the build does not assume a processor that counts
// bits, each std::popcount is a library call rather than one instruction;
// this sum runs for every relocated target.
uint32_t SumOfTwoBitFields(uint64_t fields) {
  fields = (fields & 0x3333333333333333u) + ((fields >> 2) & 0x3333333333333333u);  // 4-bit sums
  fields = (fields + (fields >> 4)) & 0x0f0f0f0f0f0f0f0fu;                          // 8-bit sums
  return static_cast<uint32_t>((fields * 0x0101010101010101u) >> 56);
}

}  // namespace

void BoundaryBitmap::Reset(uint64_t limit) {
  limit_ = limit;
  blocks_.AssignZeros((limit + kIndicesPerBlock - 1) / kIndicesPerBlock);
}

void BoundaryBitmap::SetPaddings(std::span<const Boundary> members) {
  uint32_t in_force = 0;
  auto member = members.begin();
  for (Block& block : blocks_) {
    block.padding_before = in_force;
    block.growth = 0;
    for (uint32_t bits = block.members; bits != 0; bits &= bits - 1, ++member) {
      const auto field = static_cast<unsigned>(std::countr_zero(bits)) * 2;
      block.growth |= uint64_t{member->padding - in_force} << field;
      in_force = member->padding;
    }
  }
}

uint32_t BoundaryBitmap::PaddingInForce(uint32_t index) const {
  const Block& block = blocks_[index / kIndicesPerBlock];
  // The fields of the block's indices up to this one.
  const unsigned fields = (index % kIndicesPerBlock + 1) * 2;
  const uint64_t mask = fields == 64 ? ~uint64_t{0} : (uint64_t{1} << fields) - 1;
  return block.padding_before + SumOfTwoBitFields(block.growth & mask);
}

}  // namespace kiv::assembler

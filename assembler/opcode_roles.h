// What the back end does with each opcode, as bits from one table: the two
// passes ask this of every instruction, and one load with a bit test costs
// less than the chain of compares the opcode tests make (transfer_target.h,
// instruction_boundaries.h, relocation.h), which say the same per opcode.
#pragma once

#include <array>
#include <cstdint>

#include "common/instruction_word.h"

namespace kiv::assembler::opcode_role {

inline constexpr uint8_t kJump = 1;            // j, jal: the body is the target
inline constexpr uint8_t kBranch = 2;          // the target counts from the next index
inline constexpr uint8_t kAddress = 4;         // la: an index in the immediate
inline constexpr uint8_t kBoundaryAt = 8;      // begins a bundle of its own
inline constexpr uint8_t kBoundaryAfter = 16;  // the next instruction begins a bundle
inline constexpr uint8_t kTransfer = kJump | kBranch;
inline constexpr uint8_t kThreadBoundaries = kBoundaryAt | kBoundaryAfter;

inline constexpr auto kRoles = [] {
  std::array<uint8_t, 256> roles{};
  roles[opcode::kJ] = kJump;
  roles[opcode::kJal] = kJump | kBoundaryAfter;
  for (const uint32_t op : {opcode::kBeq, opcode::kBne, opcode::kBclf, opcode::kBclt}) {
    roles[op] = kBranch;
  }
  roles[opcode::kLa] = kAddress;
  for (const uint32_t op : {opcode::kSpawn, opcode::kFork, opcode::kHalt})
    roles[op] = kBoundaryAfter;
  for (const uint32_t op : {opcode::kJoin, opcode::kSpawni})
    roles[op] = kBoundaryAt | kBoundaryAfter;
  return roles;
}();

// `op` is an opcode, below 256.
inline uint8_t Of(uint32_t op) { return kRoles[op]; }

}  // namespace kiv::assembler::opcode_role

// The boundaries that one instruction demands besides its jump or branch
// target (transfer_target.h). Pass 1 asks this of every instruction, so it is
// inline: a call per instruction would cost pass 1 as much again as all the
// rest of its loop.
#pragma once

#include <cstdint>

#include "assembler/boundary_table.h"
#include "common/instruction_word.h"

namespace kiv::assembler {

// The boundaries around thread instructions: the instruction after jal,
// spawn, fork and halt, and join and spawni together with the instruction
// after them, so each is alone in its bundle.
inline void InsertThreadBoundaries(uint32_t op, uint32_t index, BoundaryTable& table) {
  switch (op) {
    case opcode::kJal:
    case opcode::kSpawn:
    case opcode::kFork:
    case opcode::kHalt:
      table.Insert(index + 1);
      break;
    case opcode::kJoin:
    case opcode::kSpawni:
      table.Insert(index);
      table.Insert(index + 1);
      break;
    default:
      break;
  }
}

}  // namespace kiv::assembler

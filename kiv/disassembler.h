// Instruction words back to source text, through the front end's own
// mnemonic table read backwards: a word decodes to the row and operands that
// encode to exactly that word again.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "assembly/instruction_encoding.h"
#include "assembly/mnemonic_table.h"

namespace kiv::tool {

struct Instruction {
  const assembly::Mnemonic* row = nullptr;
  assembly::Operands operands;
};

// The 42-bit word of an encoded instruction: head above body.
inline uint64_t WordOf(const assembly::EncodedWord& encoded) {
  return uint64_t{encoded.head} << 32 | encoded.body;
}

// The zero word is nop; opcodes 0 and 17 are told apart by the function
// number; opcode 8 decodes as addi, which move, movei and li encode to.
// Empty when no row and operands give the word back exactly.
std::optional<Instruction> DecodeWord(uint64_t word);

// spawni is not a slot word: its bundle carries its two values.
Instruction SpawniInstruction(uint32_t first, uint32_t second);

// The operand that names a place: the branch distance, or the target of j,
// jal and la. Empty for other forms.
bool HasTargetOperand(const assembly::Mnemonic& row);

// The default text of the value operand: a signed immediate written the way
// the front end reads it ("5-" for minus five), an unsigned target.
std::string ValueText(const Instruction& instruction);

// The source line of the instruction, with `value` (a label or a number) in
// place of its immediate or target operand.
std::string FormatInstruction(const Instruction& instruction, std::string_view value);

// The same appended to `text`: a listing writes a million of them into one
// buffer.
void AppendInstruction(std::string& text, const Instruction& instruction, std::string_view value);

}  // namespace kiv::tool

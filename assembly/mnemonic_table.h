// The statement tokens the front end knows: 57 mnemonics and 5 data
// directives. Each mnemonic row holds everything its encoding needs, so the
// encoder (and anything that reads instruction words back) works from this
// one table.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kiv::assembly {

// Class letters; the byte values are the letters themselves.
enum class InstructionClass : char {
  kRegister = 'R',  // rd, rs, rt (jr: rs; jalr: rs, rd)
  kFloat = 'F',     // rd, rs, rt under opcode 17
  kImmediate = 'I',
  kJump = 'J',         // j, jal: absolute target
  kLoadAddress = 'G',  // la
  kNop = 'N',
  kHalt = 'H',
  kSpawni = 'S',
  kSpawn = 'T',
  kJoin = 'O',
  kFork = 'K',
  kProcessorState = 'P',  // ps
  kPrint = 'X',           // prn
  // Data directives.
  kRdata = 'C',
  kWord = 'W',
  kAscii = 'A',
  kAlign = 'V',
  kText = 'E',
};

// Which operand tokens follow a mnemonic, in source order, and which field
// each one fills.
enum class OperandForm : uint8_t {
  kNone,           // halt, fork, join, prn, nop
  kRdRsRt,         // class R and F arithmetic: rd, rs, rt
  kRs,             // jr
  kRsRd,           // jalr
  kRtRsImmediate,  // addi addiu andi beq bne ori slti sltiu lui subi
  kRtImmediateRs,  // lw sw lwc1 swc1 psm: rt, offset, base
  kRtRs,           // move (addi rt rs 0) and ps
  kRtImmediate,    // movei, li (addi rt 0 immediate)
  kImmediate,      // bclt, bclf
  kTarget,         // j, jal
  kRsTarget,       // la (its register always through the number parser)
  kRsRt,           // spawn
  kTwoIntegers,    // spawni
};

// The record an instruction is written as: "head body", "head 0", or the
// two "3f0 value" records of spawni.
enum class RecordKind : uint8_t { kInstruction, kShort, kSpawni };

struct Mnemonic {
  std::string_view token;
  InstructionClass cls;
  uint16_t operation;  // operation number of the class letter
  OperandForm form;
  uint8_t
      opcode;  // written into head bits 9-2 (8 for move/movei/li, 17 for class F, 0 for class R)
  uint16_t function;  // written into body bits 9-0 for classes R and F, else 0
  RecordKind record;
};

enum class TokenKind { kLabelDefinition, kDirective, kInstruction, kNotFound };

struct Classification {
  TokenKind kind = TokenKind::kNotFound;
  InstructionClass cls = InstructionClass::kNop;
  const Mnemonic* mnemonic = nullptr;  // the row of an instruction, else null
};

// The 57 mnemonics in their order of comparison.
std::span<const Mnemonic> Mnemonics();

// A token holding a colon anywhere is a label definition; then the five
// directives and the mnemonics are compared exactly, case significant.
Classification Classify(std::string_view token);

// The same for a token with at least eight bytes of its text from its first
// on (whatever they are): the statement token is read with one load, not
// pieced together by its length, a branch no processor guesses well.
Classification ClassifyFollowed(std::string_view token);

// True when the text holds any mnemonic as a substring, wherever it stands
// (the label pass counts a line as an instruction this way).
bool ContainsMnemonicString(std::string_view text);

// The directive names a text holds as substrings, wherever they stand, one
// bit each (the label pass decides a line with a dot by them).
enum DirectiveName : uint32_t {
  kRdataName = 1,
  kWordName = 2,
  kAsciiName = 4,
  kAlignName = 8,
  kTextName = 16,
};
uint32_t DirectiveNamesIn(std::string_view text);

}  // namespace kiv::assembly

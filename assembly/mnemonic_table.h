// The statement tokens the front end knows: 57 mnemonics and 5 data
// directives, each with its class letter and operation number.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace kiv::assembly {

// Class letters; the byte values are the letters themselves.
enum class InstructionClass : char {
  kRegister = 'R',        // rd, rs, rt (jr: rs; jalr: rs, rd)
  kFloat = 'F',           // rd, rs, rt under opcode 17
  kImmediate = 'I',       // operand form chosen by the operation number
  kJump = 'J',            // j, jal: absolute target
  kLoadAddress = 'G',     // la
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

struct Mnemonic {
  std::string_view token;
  InstructionClass cls;
  uint16_t operation;  // function number (R, F) or opcode (I, J, G); see the table
};

enum class TokenKind { kLabelDefinition, kDirective, kInstruction, kNotFound };

struct Classification {
  TokenKind kind = TokenKind::kNotFound;
  InstructionClass cls = InstructionClass::kNop;
  uint16_t operation = 0;
};

// The 57 mnemonics in their order of comparison.
std::span<const Mnemonic> Mnemonics();

// A token holding a colon anywhere is a label definition; then the five
// directives and the mnemonics are compared exactly, case significant.
Classification Classify(std::string_view token);

// True when the text holds any mnemonic as a substring, wherever it stands
// (the label pass counts a line as an instruction this way).
bool ContainsMnemonicString(std::string_view text);

}  // namespace kiv::assembly

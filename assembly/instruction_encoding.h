// One instruction's operand values and the words they encode to. Encode is
// a pure function of a mnemonic row and its operands: reading the tokens and
// resolving labels happen before it, writing the record after it.
#pragma once

#include <cstdint>

#include "assembly/mnemonic_table.h"

namespace kiv::assembly {

// Register numbers as read (only their low 8 bits reach a field), and the
// immediate or target value already resolved (a branch's distance, not its
// label's index).
struct Operands {
  uint32_t rs = 0;
  uint32_t rt = 0;
  uint32_t rd = 0;
  uint32_t immediate = 0;  // immediate, or the target of j, jal and la
  uint32_t second = 0;     // spawni's second value; its first is `immediate`
};

// The head and body of an instruction word. spawni is written as two
// records with the same head: `body` holds its first value and
// `second_body` its second.
struct EncodedWord {
  uint32_t head = 0;
  uint32_t body = 0;
  uint32_t second_body = 0;

  friend bool operator==(const EncodedWord&, const EncodedWord&) = default;
};

EncodedWord Encode(const Mnemonic& row, const Operands& operands);

}  // namespace kiv::assembly

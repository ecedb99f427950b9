// What the encoding pass tells an onlooker about each statement it handles,
// so that a tool can map records back to the source text and point at the
// statement that failed.
#pragma once

#include <cstddef>
#include <cstdint>

#include "assembly/mnemonic_table.h"
#include "assembly/status.h"

namespace kiv::assembly {

struct StatementEvent {
  // Of the statement token in the formatted text; the normaliser keeps every
  // line and every column before a comment, so this is the source position.
  size_t offset = 0;
  size_t end = 0;                      // just past the last byte its operands used
  const Mnemonic* mnemonic = nullptr;  // the row; null for a directive or an unknown token
  TokenKind kind = TokenKind::kNotFound;
  InstructionClass cls = InstructionClass::kNop;  // class letter, directives included
  uint32_t index = 0;  // the front end's instruction index before the statement
  // Its records as byte offsets into the whole object text (empty for a
  // statement that writes none, or fails).
  size_t records_begin = 0;
  size_t records_end = 0;
  Status status = Status::kSuccess;  // a failing statement is the last one reported
};

class StatementObserver {
 public:
  virtual ~StatementObserver() = default;
  virtual void OnStatement(const StatementEvent& event) = 0;
};

}  // namespace kiv::assembly

// Instructions in the statement walk: where they may stand, their operands
// read within their own line, and the values those operands give.
#include <array>
#include <string>

#include "assembly/number_parser.h"
#include "common/instruction_word.h"
#include "kiv/checker_operands.h"
#include "kiv/operand_roles.h"
#include "kiv/statement_walker.h"

namespace kiv::tool {
namespace {

std::string OperandNames(const OperandRoles& roles) {
  std::string names;
  for (size_t i = 0; i < roles.count; ++i) {
    if (i > 0) names += ", ";
    names.append(roles.slots[i].name);
  }
  return names;
}

}  // namespace

bool StatementWalker::Instruction(std::string_view token, const Mnemonic& row) {
  if (section_open_) {
    report_.Error(Offset(token), token.size(),
                  "instruction " + Quoted(token) +
                      " inside a data section: the programs would read it back as data; "
                      "close the section with .text first");
    report_.Note(section_offset_, 6, "the data section opened here");
    return false;
  }
  Record(token);
  line_instruction_ = &row;
  line_instruction_token_ = token;
  const OperandRoles& roles = RolesOf(row.form);
  if (row.form == assembly::OperandForm::kTwoIntegers) return TwoIntegers(token);
  std::array<std::string_view, 3> operands;
  for (size_t i = 0; i < roles.count; ++i) {
    if (!NextOnLine(operands[i])) {
      MissingOperand(token,
                     Quoted(token) + " takes " + std::to_string(roles.count) + " operands (" +
                         OperandNames(roles) + "), the line gives " + std::to_string(i),
                     roles.slots[i].name);
      ++index_;
      TakeOperandsFromNextLines(roles.count - i);
      return false;
    }
  }
  bool valid = true;
  for (size_t i = 0; i < roles.count; ++i) {
    const OperandRole role = roles.slots[i].role;
    // Most operands are registers: checked here, without a call.
    if (role == OperandRole::kRegister) {
      CheckRegisterToken(operands[i], Offset(operands[i]), false, report_);
    } else {
      valid = Operand(row, role, operands[i]) && valid;
    }
  }
  ++index_;
  return valid;
}

bool StatementWalker::TwoIntegers(std::string_view token) {
  for (int i = 0; i < 2; ++i) {
    std::string_view operand;
    if (!NextOnLine(operand)) {
      MissingOperand(
          token, Quoted(token) + " takes 2 decimal integers, the line gives " + std::to_string(i),
          "integer");
      ++index_;
      TakeIntegersFromNextLines(static_cast<size_t>(2 - i));
      return false;
    }
    if (!IsWholeInteger(operand)) {
      report_.Error(Offset(operand), operand.size(),
                    "invalid operand " + Quoted(operand) + ": " + Quoted(token) +
                        " takes decimal integers (an optional sign, then digits), never "
                        "labels or registers");
      ++index_;
      return false;
    }
  }
  ++index_;
  return true;
}

// Operands written on the next line, with no statement of their own there,
// are taken as the programs take them, so that they are not reported again
// as unknown statements.
void StatementWalker::TakeOperandsFromNextLines(size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const std::string_view next = TokenAfter(pos_);
    if (next.empty() || next.find(':') != std::string_view::npos ||
        assembly::Classify(next).kind != assembly::TokenKind::kNotFound) {
      return;
    }
    MoveTo(Offset(next) + next.size());
  }
}

// The integers of .word and spawni are read across line ends as well.
void StatementWalker::TakeIntegersFromNextLines(size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const std::string_view next = TokenAfter(pos_);
    if (!IsWholeInteger(next)) return;
    MoveTo(Offset(next) + next.size());
  }
}

// The programs would read the missing operand from wherever the next token
// stands; say which one that is.
void StatementWalker::MissingOperand(std::string_view token, std::string_view what,
                                     std::string_view role) {
  std::string message = "missing operand: " + std::string(what);
  const std::string_view next = TokenAfter(pos_);
  if (next.empty()) {
    message += "; the source ends before it";
  } else {
    message += "; the programs would take " + Quoted(next) + " from line " +
               std::to_string(LineOf(Offset(next))) + " as its " + std::string(role);
  }
  report_.Error(Offset(token), token.size(), std::move(message));
}

bool StatementWalker::Operand(const Mnemonic& row, OperandRole role, std::string_view operand) {
  switch (role) {
    case OperandRole::kRegister:
      CheckRegisterToken(operand, Offset(operand), false, report_);
      return true;
    case OperandRole::kRegisterNumber:
      CheckRegisterToken(operand, Offset(operand), true, report_);
      return true;
    case OperandRole::kValue:
      return Value(row, operand);
    case OperandRole::kInteger:
      return true;
  }
  return true;
}

// An immediate or target: a number when it begins with a digit, else a label,
// whose look-up waits until its slot of the table has been fetched.
bool StatementWalker::Value(const Mnemonic& row, std::string_view operand) {
  if (!IsDecimalDigit(operand.front())) {
    DeferLabelUse(UseHere(row, operand));
    return true;
  }
  const uint32_t op = row.opcode;
  const ValueField field = IsJumpOpcode(op)         ? ValueField::kTarget32
                           : op == opcode::kLa      ? ValueField::kTarget26
                           : IsLogicalImmediate(op) ? ValueField::kUnsignedImmediate18
                                                    : ValueField::kImmediate18;
  CheckNumberToken(operand, Offset(operand), field, report_);
  // Only targets are checked further.
  if (!IsBranchOpcode(op) && !IsJumpOpcode(op) && op != opcode::kLa) return true;
  auto value = static_cast<uint32_t>(assembly::ParseNumber(operand));
  // The back end reads a branch's 18-bit field back as a signed distance.
  if (IsBranchOpcode(op)) value = index_ + 1 + static_cast<uint32_t>(SignedImmediate(value));
  CheckTarget(UseHere(row, operand), value, false);
  return true;
}

}  // namespace kiv::tool

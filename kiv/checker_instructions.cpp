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

constexpr uint32_t kLastRelocatedIndex = 1535;  // the back end relocates la targets up to here
constexpr uint32_t kTargetMask26 = (uint32_t{1} << 26) - 1;

bool IsJump(uint32_t op) { return op == opcode::kJ || op == opcode::kJal; }

// andi, ori and lui take their immediate as a bit pattern: all 18 bits
// unsigned are meant as written.
bool IsLogicalImmediate(uint32_t op) { return op == 12 || op == 13 || op == 15; }

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
  const OperandRoles roles = RolesOf(row.form);
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
  for (size_t i = 0; i < roles.count; ++i) valid = Operand(row, token, i, operands[i]) && valid;
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
    pos_ = Offset(next) + next.size();
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

bool StatementWalker::Operand(const Mnemonic& row, std::string_view mnemonic, size_t field,
                              std::string_view operand) {
  const OperandSlot slot = RolesOf(row.form).slots[field];
  switch (slot.role) {
    case OperandRole::kRegister:
      CheckRegisterToken(operand, Offset(operand), false, report_);
      return true;
    case OperandRole::kRegisterNumber:
      CheckRegisterToken(operand, Offset(operand), true, report_);
      return true;
    case OperandRole::kValue:
      return Value(row, mnemonic, operand);
    case OperandRole::kInteger:
      return true;
  }
  return true;
}

// An immediate or target: a number when it begins with a digit, else a label.
bool StatementWalker::Value(const Mnemonic& row, std::string_view mnemonic,
                            std::string_view operand) {
  const uint32_t op = row.opcode;
  const bool branch = IsBranchOpcode(op);
  uint32_t value = 0;
  const bool via_label = !IsDecimalDigit(operand.front());
  if (!via_label) {
    const ValueField field = IsJump(op)               ? ValueField::kTarget32
                             : op == opcode::kLa      ? ValueField::kTarget26
                             : IsLogicalImmediate(op) ? ValueField::kUnsignedImmediate18
                                                      : ValueField::kImmediate18;
    CheckNumberToken(operand, Offset(operand), field, report_);
    value = static_cast<uint32_t>(assembly::ParseNumber(operand));
    // The back end reads a branch's 18-bit field back as a signed distance.
    if (branch) value = index_ + 1 + static_cast<uint32_t>(SignedImmediate(value));
  } else if (!LabelValue(row, operand, value)) {
    return false;
  }
  if (op == opcode::kLa && (value & kTargetMask26) > kLastRelocatedIndex) {
    report_.Warning(Offset(operand), operand.size(),
                    "'la' target index " + std::to_string(value & kTargetMask26) +
                        " is beyond 1535: the back end leaves it unrelocated, an instruction "
                        "index where a byte address is meant");
  }
  if (branch || IsJump(op)) {
    facts_.transfers.push_back(TransferFact{Offset(mnemonic), Offset(operand),
                                            static_cast<uint32_t>(operand.size()), index_, value,
                                            op, via_label});
  }
  return true;
}

// A label operand: its label-pass value; for a branch that value is also the
// target, and its distance must fit the 18-bit field.
bool StatementWalker::LabelValue(const Mnemonic& row, std::string_view operand, uint32_t& value) {
  int32_t label_index = 0;
  const bool minus = operand.front() == '-' || operand.front() == '+';
  if (labels_.FindLabel(operand, label_index) != assembly::Status::kSuccess) {
    std::string message = "undefined label " + Quoted(operand);
    std::string lower(operand);
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    if (lower != operand && labels_.FindLabel(lower, label_index) == assembly::Status::kSuccess) {
      message += ": labels are case-sensitive, and " + Quoted(lower) + " is defined";
    }
    if (minus) {
      message += ": an operand that does not begin with a digit names a label, so " +
                 Quoted(operand) + " is not a number; write minus one as '1-'";
    }
    report_.Error(Offset(operand), operand.size(), std::move(message));
    return false;
  }
  if (minus) {
    report_.Warning(Offset(operand), operand.size(),
                    Quoted(operand) + " names the label " + Quoted(operand) +
                        ", not a number; write minus one as '1-'");
  }
  value = static_cast<uint32_t>(label_index);
  const uint32_t op = row.opcode;
  if (IsBranchOpcode(op)) {
    const int64_t distance = int64_t{label_index} - int64_t{index_} - 1;
    if (distance < -(int64_t{1} << 17) || distance >= (int64_t{1} << 17)) {
      report_.Warning(Offset(operand), operand.size(),
                      "branch distance " + std::to_string(distance) +
                          " instructions does not fit its 18-bit field: the branch lands "
                          "elsewhere");
    }
  } else if (op == opcode::kLa) {
    if (value > kTargetMask26) {
      report_.Warning(Offset(operand), operand.size(),
                      "label " + Quoted(operand) + " (index " + std::to_string(value) +
                          ") does not fit the 26-bit 'la' target field");
    }
  } else if (!IsJump(op) && !FitsImmediateField(label_index, IsLogicalImmediate(op))) {
    report_.Warning(Offset(operand), operand.size(),
                    "label " + Quoted(operand) + " (index " + std::to_string(value) +
                        ") does not fit the 18-bit immediate field: it reads as " +
                        std::to_string(IsLogicalImmediate(op) ? int64_t{value & kImmediateMask}
                                                              : int64_t{SignedImmediate(value)}));
  }
  return true;
}

}  // namespace kiv::tool

#include "assembly/operand_reader.h"

#include <array>

#include "assembly/number_parser.h"
#include "common/instruction_word.h"

namespace kiv::assembly {
namespace {

// The message of a missing label names the class that met it.
std::string_view MissingLabelMessage(InstructionClass cls) {
  switch (cls) {
    case InstructionClass::kLoadAddress:
      return "Immediate value error in instruction: ";
    case InstructionClass::kJump:
      return "Immediate value error in instruction2: ";
    default:
      return "Immediate value error in instruction3: ";
  }
}

// How many operand tokens each form reads (spawni reads two integers).
constexpr size_t TokenCount(OperandForm form) {
  using F = OperandForm;
  switch (form) {
    case F::kRdRsRt:
    case F::kRtRsImmediate:
    case F::kRtImmediateRs:
      return 3;
    case F::kRsRd:
    case F::kRsRt:
    case F::kRtRs:
    case F::kRtImmediate:
    case F::kRsTarget:
      return 2;
    case F::kRs:
    case F::kImmediate:
    case F::kTarget:
      return 1;
    case F::kNone:
    case F::kTwoIntegers:
      return 0;
  }
  return 0;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// An immediate token is a number when it begins with a digit; otherwise it
// names a label (even "-5").
// A token is never empty; an empty `value` is the form's missing one.
void TakeValue(std::string_view value, Operands& operands, std::string_view& label) {
  if (value.empty()) return;
  if (IsDecimalDigit(value.front())) {
    operands.immediate = static_cast<uint32_t>(ParseNumber(value));
  } else {
    label = value;
  }
}

bool ReadTwoIntegers(EncodingContext& context, Operands& operands) {
  int32_t first = 0, second = 0;
  if (!context.in.ReadInteger(first) || !context.in.ReadInteger(second)) return false;
  operands.immediate = static_cast<uint32_t>(first);
  operands.second = static_cast<uint32_t>(second);
  return true;
}

}  // namespace

uint32_t RegisterNumber(std::string_view token) {
  // Digits first: almost every register is one or two of them, and none
  // begins with s. Testing the length for sp first would be a coin toss.
  uint32_t number = 0;
  if (ParseShortDigitRun(token, number)) return number;
  const auto lower = [&token](size_t i) { return static_cast<char>(token[i] | 0x20); };
  if (token.size() >= 2 && lower(0) == 's' && lower(1) == 'p') return 29;
  return static_cast<uint32_t>(ParseNumberByteByByte(token));
}

bool ReadOperandTokens(EncodingContext& context, const Mnemonic& row, Operands& o,
                       std::string_view& label) {
  if (row.form == OperandForm::kTwoIntegers) return ReadTwoIntegers(context, o);
  // Every token is read before any is resolved, so running out of operands
  // is reported before a missing label.
  std::array<std::string_view, 3> t;
  const size_t count = TokenCount(row.form);
  for (size_t i = 0; i < count; ++i) {
    if (!context.in.NextToken(t[i])) return false;
  }
  // One dispatch on the form, then straight-line code: the statements of a
  // program come in no predictable order.
  std::string_view value;  // the immediate or target token, when the form has one
  using F = OperandForm;
  switch (row.form) {
    case F::kRdRsRt:
      o.rd = RegisterNumber(t[0]), o.rs = RegisterNumber(t[1]), o.rt = RegisterNumber(t[2]);
      break;
    case F::kRs:
      o.rs = RegisterNumber(t[0]);
      break;
    case F::kRsRd:
      o.rs = RegisterNumber(t[0]), o.rd = RegisterNumber(t[1]);
      break;
    case F::kRsRt:
      o.rs = RegisterNumber(t[0]), o.rt = RegisterNumber(t[1]);
      break;
    case F::kRtRsImmediate:
      o.rt = RegisterNumber(t[0]), o.rs = RegisterNumber(t[1]), value = t[2];
      break;
    case F::kRtImmediateRs:
      o.rt = RegisterNumber(t[0]), value = t[1], o.rs = RegisterNumber(t[2]);
      break;
    case F::kRtRs:
      o.rt = RegisterNumber(t[0]), o.rs = RegisterNumber(t[1]);
      break;
    case F::kRtImmediate:
      o.rt = RegisterNumber(t[0]), value = t[1];
      break;
    case F::kImmediate:
    case F::kTarget:
      value = t[0];
      break;
    // The register of la is always a number: sp is not recognised there.
    case F::kRsTarget:
      o.rs = static_cast<uint32_t>(ParseNumber(t[0])), value = t[1];
      break;
    case F::kNone:
    case F::kTwoIntegers:
      break;
  }
  TakeValue(value, o, label);
  return true;
}

uint32_t LabelOperandValue(const Mnemonic& row, int32_t label_index, uint32_t index) {
  const auto value = static_cast<uint32_t>(label_index);
  return IsBranchOpcode(row.opcode) ? value - index - 1 : value;
}

Status MissingLabel(Log& log, const Mnemonic& row, uint32_t index) {
  log.Error(MissingLabelMessage(row.cls), static_cast<int32_t>(index));
  return Status::kMissingLabel;
}

Status ReadOperands(EncodingContext& context, const Mnemonic& row, Operands& o) {
  std::string_view label;
  if (!ReadOperandTokens(context, row, o, label)) return context.InvalidOperand();
  if (label.empty()) return Status::kSuccess;
  int32_t label_index = 0;
  if (context.labels.FindLabel(label, label_index) != Status::kSuccess) {
    return MissingLabel(context.log, row, context.index);
  }
  o.immediate = LabelOperandValue(row, label_index, context.index);
  return Status::kSuccess;
}

}  // namespace kiv::assembly

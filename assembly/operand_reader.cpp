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

// Reads N tokens; false when the text runs out first. Each form's count is
// a constant of its own case: one loop over a count taken from the row would
// end after a different trip each time, a guess the processor often loses.
template <size_t N>
bool ReadTokens(SourceScanner& in, std::array<std::string_view, 3>& t) {
  static_assert(N >= 1 && N <= 3);
  if (!in.NextToken(t[0])) return false;
  if constexpr (N >= 2) {
    if (!in.NextToken(t[1])) return false;
  }
  if constexpr (N >= 3) {
    if (!in.NextToken(t[2])) return false;
  }
  return true;
}

// Every token of the form is read before any is resolved, so running out of
// operands is reported before a missing label. One dispatch on the form, then
// straight-line code: the statements of a program come in no predictable order.
bool ReadByForm(SourceScanner& in, OperandForm form, Operands& o, std::string_view& value) {
  std::array<std::string_view, 3> t;
  using F = OperandForm;
  switch (form) {
    case F::kRdRsRt:
      if (!ReadTokens<3>(in, t)) return false;
      o.rd = RegisterNumber(t[0]), o.rs = RegisterNumber(t[1]), o.rt = RegisterNumber(t[2]);
      return true;
    case F::kRs:
      if (!ReadTokens<1>(in, t)) return false;
      o.rs = RegisterNumber(t[0]);
      return true;
    case F::kRsRd:
      if (!ReadTokens<2>(in, t)) return false;
      o.rs = RegisterNumber(t[0]), o.rd = RegisterNumber(t[1]);
      return true;
    case F::kRsRt:
      if (!ReadTokens<2>(in, t)) return false;
      o.rs = RegisterNumber(t[0]), o.rt = RegisterNumber(t[1]);
      return true;
    case F::kRtRs:
      if (!ReadTokens<2>(in, t)) return false;
      o.rt = RegisterNumber(t[0]), o.rs = RegisterNumber(t[1]);
      return true;
    case F::kRtRsImmediate:
      if (!ReadTokens<3>(in, t)) return false;
      o.rt = RegisterNumber(t[0]), o.rs = RegisterNumber(t[1]), value = t[2];
      return true;
    case F::kRtImmediateRs:
      if (!ReadTokens<3>(in, t)) return false;
      o.rt = RegisterNumber(t[0]), value = t[1], o.rs = RegisterNumber(t[2]);
      return true;
    case F::kRtImmediate:
      if (!ReadTokens<2>(in, t)) return false;
      o.rt = RegisterNumber(t[0]), value = t[1];
      return true;
    case F::kImmediate:
    case F::kTarget:
      if (!ReadTokens<1>(in, t)) return false;
      value = t[0];
      return true;
    // The register of la is always a number: sp is not recognised there.
    case F::kRsTarget:
      if (!ReadTokens<2>(in, t)) return false;
      o.rs = static_cast<uint32_t>(ParseNumber(t[0])), value = t[1];
      return true;
    case F::kNone:
    case F::kTwoIntegers:
      return true;
  }
  return true;
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
  std::string_view value;  // the immediate or target token, when the form has one
  if (!ReadByForm(context.in, row.form, o, value)) return false;
  TakeValue(value, o, label);
  return true;
}

uint32_t LabelOperandValue(const Mnemonic& row, int32_t label_index, uint32_t index) {
  // Looked up rather than compared opcode by opcode: a chain of compares on
  // a random mix of instructions is a chain of guesses.
  static constexpr auto kBranch = [] {
    std::array<bool, 256> branch{};
    for (uint32_t op = 0; op < branch.size(); ++op) branch[op] = IsBranchOpcode(op);
    return branch;
  }();
  const uint32_t distance_from = kBranch[row.opcode] ? index + 1 : 0;
  return static_cast<uint32_t>(label_index) - distance_from;
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

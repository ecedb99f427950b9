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

template <size_t N>
bool ReadTokens(EncodingContext& context, std::array<std::string_view, 3>& tokens) {
  for (size_t i = 0; i < N; ++i) {
    if (!context.in.NextToken(tokens[i])) return false;
  }
  return true;
}

bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// An immediate token is a number when it begins with a digit; otherwise it
// names a label (even "-5"). Branches take the distance from the instruction
// after them; everything else takes the label's index.
Status ResolveValue(EncodingContext& context, const Mnemonic& row, std::string_view token,
                    uint32_t& value) {
  if (IsDecimalDigit(token.front())) {
    value = static_cast<uint32_t>(ParseNumber(token));
    return Status::kSuccess;
  }
  int32_t label_index = 0;
  if (context.labels.FindLabel(token, label_index) != Status::kSuccess) {
    context.log.Error(MissingLabelMessage(row.cls), context.Index());
    return Status::kMissingLabel;
  }
  value = static_cast<uint32_t>(label_index);
  if (IsBranchOpcode(row.opcode)) value = value - context.index - 1;
  return Status::kSuccess;
}

Status ReadTwoIntegers(EncodingContext& context, Operands& operands) {
  int32_t first = 0, second = 0;
  if (!context.in.ReadInteger(first) || !context.in.ReadInteger(second)) {
    return context.InvalidOperand();
  }
  operands.immediate = static_cast<uint32_t>(first);
  operands.second = static_cast<uint32_t>(second);
  return Status::kSuccess;
}

}  // namespace

uint32_t RegisterNumber(std::string_view token) {
  if (token.size() >= 2 && (token[0] == 's' || token[0] == 'S') &&
      (token[1] == 'p' || token[1] == 'P')) {
    return 29;
  }
  return static_cast<uint32_t>(ParseNumber(token));
}

Status ReadOperands(EncodingContext& context, const Mnemonic& row, Operands& o) {
  // One dispatch on the form, then straight-line code: the statements of a
  // program come in no predictable order. Every token is read before any is
  // resolved, so running out of operands is reported before a missing label.
  std::array<std::string_view, 3> t;
  using F = OperandForm;
  switch (row.form) {
    case F::kNone:
      return Status::kSuccess;
    case F::kRdRsRt:
      if (!ReadTokens<3>(context, t)) return context.InvalidOperand();
      o.rd = RegisterNumber(t[0]), o.rs = RegisterNumber(t[1]), o.rt = RegisterNumber(t[2]);
      return Status::kSuccess;
    case F::kRs:
      if (!ReadTokens<1>(context, t)) return context.InvalidOperand();
      o.rs = RegisterNumber(t[0]);
      return Status::kSuccess;
    case F::kRsRd:
    case F::kRsRt:
      if (!ReadTokens<2>(context, t)) return context.InvalidOperand();
      o.rs = RegisterNumber(t[0]);
      (row.form == F::kRsRd ? o.rd : o.rt) = RegisterNumber(t[1]);
      return Status::kSuccess;
    case F::kRtRsImmediate:
      if (!ReadTokens<3>(context, t)) return context.InvalidOperand();
      o.rt = RegisterNumber(t[0]), o.rs = RegisterNumber(t[1]);
      return ResolveValue(context, row, t[2], o.immediate);
    case F::kRtImmediateRs:
      if (!ReadTokens<3>(context, t)) return context.InvalidOperand();
      o.rt = RegisterNumber(t[0]), o.rs = RegisterNumber(t[2]);
      return ResolveValue(context, row, t[1], o.immediate);
    case F::kRtRs:
      if (!ReadTokens<2>(context, t)) return context.InvalidOperand();
      o.rt = RegisterNumber(t[0]), o.rs = RegisterNumber(t[1]);
      return Status::kSuccess;
    case F::kRtImmediate:
      if (!ReadTokens<2>(context, t)) return context.InvalidOperand();
      o.rt = RegisterNumber(t[0]);
      return ResolveValue(context, row, t[1], o.immediate);
    case F::kImmediate:
    case F::kTarget:
      if (!ReadTokens<1>(context, t)) return context.InvalidOperand();
      return ResolveValue(context, row, t[0], o.immediate);
    case F::kRsTarget:  // the register of la is always a number: sp is not recognised there
      if (!ReadTokens<2>(context, t)) return context.InvalidOperand();
      o.rs = static_cast<uint32_t>(ParseNumber(t[0]));
      return ResolveValue(context, row, t[1], o.immediate);
    case F::kTwoIntegers:
      return ReadTwoIntegers(context, o);
  }
  return Status::kSuccess;
}

}  // namespace kiv::assembly

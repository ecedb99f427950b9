#include "assembly/operand_reader.h"

#include <array>

#include "assembly/number_parser.h"
#include "common/instruction_word.h"

namespace kiv::assembly {
namespace {

// What one operand token fills.
enum class Field : uint8_t { kRs, kRt, kRd, kValue, kRsNumber };

struct Layout {
  size_t count;
  std::array<Field, 3> fields;
};

constexpr Layout LayoutOf(OperandForm form) {
  using F = Field;
  switch (form) {
    case OperandForm::kRdRsRt:
      return {3, {F::kRd, F::kRs, F::kRt}};
    case OperandForm::kRs:
      return {1, {F::kRs}};
    case OperandForm::kRsRd:
      return {2, {F::kRs, F::kRd}};
    case OperandForm::kRtRsImmediate:
      return {3, {F::kRt, F::kRs, F::kValue}};
    case OperandForm::kRtImmediateRs:
      return {3, {F::kRt, F::kValue, F::kRs}};
    case OperandForm::kRtRs:
      return {2, {F::kRt, F::kRs}};
    case OperandForm::kRtImmediate:
      return {2, {F::kRt, F::kValue}};
    case OperandForm::kImmediate:
      return {1, {F::kValue}};
    case OperandForm::kTarget:
      return {1, {F::kValue}};
    // The register of la is always a number: sp is not recognised there.
    case OperandForm::kRsTarget:
      return {2, {F::kRsNumber, F::kValue}};
    case OperandForm::kRsRt:
      return {2, {F::kRs, F::kRt}};
    default:
      return {0, {}};  // kNone; kTwoIntegers is read as integers
  }
}

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

Status ReadOperands(EncodingContext& context, const Mnemonic& row, Operands& operands) {
  if (row.form == OperandForm::kTwoIntegers) return ReadTwoIntegers(context, operands);
  const Layout layout = LayoutOf(row.form);
  // Every token is read before any is resolved: running out of operands is
  // reported before a missing label.
  std::array<std::string_view, 3> tokens;
  for (size_t i = 0; i < layout.count; ++i) {
    if (!context.in.NextToken(tokens[i])) return context.InvalidOperand();
  }
  std::string_view value_token;
  for (size_t i = 0; i < layout.count; ++i) {
    switch (layout.fields[i]) {
      case Field::kRs:
        operands.rs = RegisterNumber(tokens[i]);
        break;
      case Field::kRt:
        operands.rt = RegisterNumber(tokens[i]);
        break;
      case Field::kRd:
        operands.rd = RegisterNumber(tokens[i]);
        break;
      case Field::kRsNumber:
        operands.rs = static_cast<uint32_t>(ParseNumber(tokens[i]));
        break;
      case Field::kValue:
        value_token = tokens[i];
        break;
    }
  }
  if (value_token.empty()) return Status::kSuccess;
  return ResolveValue(context, row, value_token, operands.immediate);
}

}  // namespace kiv::assembly

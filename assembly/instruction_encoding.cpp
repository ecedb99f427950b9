#include "assembly/instruction_encoding.h"

#include "common/instruction_word.h"

namespace kiv::assembly {
namespace {

// The body bits the immediate or target operand fills, by operand form.
uint32_t ValueField(OperandForm form, uint32_t value) {
  switch (form) {
    case OperandForm::kTarget:
      return value;  // the whole body, not cut to the 26-bit field
    case OperandForm::kRsTarget:
      return TargetField(value);
    case OperandForm::kRtRsImmediate:
    case OperandForm::kRtImmediateRs:
    case OperandForm::kRtImmediate:
    case OperandForm::kImmediate:
      return ImmediateField(value);
    default:
      return 0;
  }
}

}  // namespace

EncodedWord Encode(const Mnemonic& row, const Operands& operands) {
  if (row.record == RecordKind::kSpawni) {
    return {EncodeHead(row.opcode, 0), operands.immediate, operands.second};
  }
  EncodedWord word;
  word.head = EncodeHead(row.opcode, operands.rs);
  if (row.record == RecordKind::kShort) return word;
  word.body = RsField(operands.rs) | RtField(operands.rt) | RdField(operands.rd) |
              FunctionField(row.function) | ValueField(row.form, operands.immediate);
  return word;
}

}  // namespace kiv::assembly

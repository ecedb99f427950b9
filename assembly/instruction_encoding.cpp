#include "assembly/instruction_encoding.h"

#include "common/instruction_word.h"

namespace kiv::assembly {
namespace {

// How the immediate or target operand enters the body.
enum class ValueField : uint8_t { kNone, kImmediate, kTarget, kWholeBody };

// The fields an operand form fills; the others stay 0 whatever the operands
// hold.
struct FieldUse {
  bool rs = false;
  bool rt = false;
  bool rd = false;
  ValueField value = ValueField::kNone;
};

constexpr FieldUse UseOf(OperandForm form) {
  using F = OperandForm;
  using V = ValueField;
  switch (form) {
    case F::kRdRsRt:
      return {true, true, true, V::kNone};
    case F::kRs:
      return {true, false, false, V::kNone};
    case F::kRsRd:
      return {true, false, true, V::kNone};
    case F::kRtRsImmediate:
    case F::kRtImmediateRs:
      return {true, true, false, V::kImmediate};
    case F::kRtRs:
    case F::kRsRt:
      return {true, true, false, V::kNone};
    case F::kRtImmediate:
      return {false, true, false, V::kImmediate};
    case F::kImmediate:
      return {false, false, false, V::kImmediate};
    // The whole body is a jump's target, not cut to the 26-bit field.
    case F::kTarget:
      return {false, false, false, V::kWholeBody};
    case F::kRsTarget:
      return {true, false, false, V::kTarget};
    default:
      return {};  // kNone; kTwoIntegers is written as spawni records
  }
}

uint32_t ValueBits(ValueField field, uint32_t value) {
  switch (field) {
    case ValueField::kImmediate:
      return ImmediateField(value);
    case ValueField::kTarget:
      return TargetField(value);
    case ValueField::kWholeBody:
      return value;
    case ValueField::kNone:
      break;
  }
  return 0;
}

}  // namespace

EncodedWord Encode(const Mnemonic& row, const Operands& operands) {
  if (row.record == RecordKind::kSpawni) {
    return {EncodeHead(row.opcode, 0), operands.immediate, operands.second};
  }
  const FieldUse use = UseOf(row.form);
  const uint32_t rs = use.rs ? operands.rs : 0;
  EncodedWord word;
  word.head = EncodeHead(row.opcode, rs);
  if (row.record == RecordKind::kShort) return word;
  word.body = RsField(rs) | (use.rt ? RtField(operands.rt) : 0) |
              (use.rd ? RdField(operands.rd) : 0) | FunctionField(row.function) |
              ValueBits(use.value, operands.immediate);
  return word;
}

}  // namespace kiv::assembly

// One instruction's operand values and the words they encode to. Encode is
// a pure function of a mnemonic row and its operands: reading the tokens and
// resolving labels happen before it, writing the record after it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "assembly/mnemonic_table.h"
#include "common/instruction_word.h"

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

namespace encoding_detail {

// The body bits each operand may reach, by operand form: a field the form
// does not fill is masked to 0 whatever the operands hold. Masks rather than
// branches, since the forms of a program's instructions follow no pattern.
struct FieldMasks {
  uint32_t rs = 0;  // all ones when the form has an rs operand
  uint32_t rt = 0;
  uint32_t rd = 0;
  uint32_t value = 0;  // the bits the immediate or target fills
};

constexpr uint32_t kAll = ~uint32_t{0};

constexpr FieldMasks MasksOf(OperandForm form) {
  using F = OperandForm;
  switch (form) {
    case F::kRdRsRt:
      return {kAll, kAll, kAll, 0};
    case F::kRs:
      return {kAll, 0, 0, 0};
    case F::kRsRd:
      return {kAll, 0, kAll, 0};
    case F::kRtRsImmediate:
    case F::kRtImmediateRs:
      return {kAll, kAll, 0, kImmediateMask};
    case F::kRtRs:
    case F::kRsRt:
      return {kAll, kAll, 0, 0};
    case F::kRtImmediate:
      return {0, kAll, 0, kImmediateMask};
    case F::kImmediate:
      return {0, 0, 0, kImmediateMask};
    // The whole body is a jump's target, not cut to the 26-bit field.
    case F::kTarget:
      return {0, 0, 0, kAll};
    case F::kRsTarget:
      return {kAll, 0, 0, kTargetMask};
    default:
      return {};  // kNone; kTwoIntegers is written as spawni records
  }
}

constexpr size_t kForms = static_cast<size_t>(OperandForm::kTwoIntegers) + 1;

constexpr std::array<FieldMasks, kForms> kMasks = [] {
  std::array<FieldMasks, kForms> masks{};
  for (size_t form = 0; form < kForms; ++form)
    masks[form] = MasksOf(static_cast<OperandForm>(form));
  return masks;
}();

}  // namespace encoding_detail

// Inline: the encoding pass calls it for every instruction.
constexpr EncodedWord Encode(const Mnemonic& row, const Operands& operands) {
  if (row.record == RecordKind::kSpawni) {
    return {EncodeHead(row.opcode, 0), operands.immediate, operands.second};
  }
  const encoding_detail::FieldMasks& masks = encoding_detail::kMasks[static_cast<size_t>(row.form)];
  const uint32_t rs = operands.rs & masks.rs;
  // A short record is written without its body; the form gives it none anyway.
  return {EncodeHead(row.opcode, rs),
          RsField(rs) | (RtField(operands.rt) & masks.rt) | (RdField(operands.rd) & masks.rd) |
              FunctionField(row.function) | (operands.immediate & masks.value),
          0};
}

}  // namespace kiv::assembly

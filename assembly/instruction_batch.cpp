#include "assembly/instruction_batch.h"

#include <string_view>

#include "assembly/instruction_encoder.h"
#include "assembly/operand_reader.h"

namespace kiv::assembly {

Status InstructionBatch::Add(EncodingContext& context, const Mnemonic& row) {
  // Full, the batch writes its oldest instruction only: every look-up then
  // comes a whole batch of instructions after its slot was fetched.
  if (count_ == kCapacity) {
    const Status status = WriteOldest(context);
    if (status != Status::kSuccess) return status;
  }
  Held& held = held_[(first_ + count_) % kCapacity];
  held.row = &row;
  held.operands = Operands{};
  held.index = context.index;
  std::string_view label;
  if (!ReadOperandTokens(context, row, held.operands, label)) {
    // A missing label earlier in the batch ends the pass first.
    const Status status = Write(context);
    return status != Status::kSuccess ? status : context.InvalidOperand();
  }
  held.has_label = !label.empty();
  if (held.has_label) held.label = context.labels.PrepareFind(label);
  ++count_;
  ++context.index;
  return Status::kSuccess;
}

Status InstructionBatch::Write(EncodingContext& context) {
  while (count_ != 0) {
    const Status status = WriteOldest(context);
    if (status != Status::kSuccess) return status;
  }
  return Status::kSuccess;
}

Status InstructionBatch::WriteOldest(EncodingContext& context) {
  Held& held = held_[first_];
  first_ = (first_ + 1) % kCapacity;
  --count_;
  if (held.has_label) {
    int32_t label_index = 0;
    if (context.labels.FindLabel(held.label, label_index) != Status::kSuccess) {
      count_ = 0;  // nothing after a failing instruction is written
      return MissingLabel(context.log, *held.row, held.index);
    }
    held.operands.immediate = LabelOperandValue(*held.row, label_index, held.index);
  }
  WriteInstruction(context.out, *held.row, held.operands);
  return Status::kSuccess;
}

}  // namespace kiv::assembly

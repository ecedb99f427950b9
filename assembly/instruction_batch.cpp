#include "assembly/instruction_batch.h"

#include <string_view>

#include "assembly/instruction_encoder.h"
#include "assembly/operand_reader.h"

namespace kiv::assembly {

namespace {

StatementEvent InstructionEvent(const Mnemonic& row, uint32_t index, size_t offset, size_t end) {
  StatementEvent event;
  event.offset = offset;
  event.end = end;
  event.mnemonic = &row;
  event.kind = TokenKind::kInstruction;
  event.cls = row.cls;
  event.index = index;
  return event;
}

}  // namespace

Status InstructionBatch::Add(EncodingContext& context, const Mnemonic& row,
                             std::string_view token) {
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
  held.offset = context.in.position() - token.size();
  std::string_view label;
  if (!ReadOperandTokens(context, row, held.operands, label)) {
    // A missing label earlier in the batch ends the pass first.
    const Status status = Write(context);
    if (status != Status::kSuccess) return status;
    if (observer_ != nullptr) {
      StatementEvent event = InstructionEvent(row, held.index, held.offset, context.in.position());
      event.records_begin = event.records_end = RecordsAt(context);
      event.status = Status::kMalformedOperand;
      observer_->OnStatement(event);
    }
    return context.InvalidOperand();
  }
  held.end = context.in.position();
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
  // The event is made only for an observer: most runs have none.
  const size_t records_begin = observer_ != nullptr ? RecordsAt(context) : 0;
  if (held.has_label) {
    int32_t label_index = 0;
    if (context.labels.FindLabel(held.label, label_index) != Status::kSuccess) {
      count_ = 0;  // nothing after a failing instruction is written
      const Status status = MissingLabel(context.log, *held.row, held.index);
      if (observer_ != nullptr) Tell(held, records_begin, records_begin, status);
      return status;
    }
    held.operands.immediate = LabelOperandValue(*held.row, label_index, held.index);
  }
  WriteInstruction(context.out, *held.row, held.operands);
  if (observer_ != nullptr) Tell(held, records_begin, RecordsAt(context), Status::kSuccess);
  return Status::kSuccess;
}

void InstructionBatch::Tell(const Held& held, size_t records_begin, size_t records_end,
                            Status status) const {
  StatementEvent event = InstructionEvent(*held.row, held.index, held.offset, held.end);
  event.records_begin = records_begin;
  event.records_end = records_end;
  event.status = status;
  observer_->OnStatement(event);
}

}  // namespace kiv::assembly

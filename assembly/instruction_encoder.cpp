#include "assembly/instruction_encoder.h"

#include "assembly/instruction_encoding.h"
#include "assembly/operand_reader.h"

namespace kiv::assembly {

Status EncodeInstruction(EncodingContext& context, const Mnemonic& row) {
  Operands operands;
  const Status status = ReadOperands(context, row, operands);
  if (status != Status::kSuccess) return status;
  WriteInstruction(context.out, row, operands);
  return Status::kSuccess;
}

void WriteInstruction(RecordWriter& out, const Mnemonic& row, const Operands& operands) {
  const EncodedWord word = Encode(row, operands);
  switch (row.record) {
    case RecordKind::kInstruction:
      out.Instruction(word.head, word.body);
      break;
    case RecordKind::kShort:
      out.ShortInstruction(word.head);
      break;
    case RecordKind::kSpawni:
      out.Spawni(word.body, word.second_body);
      break;
  }
}

}  // namespace kiv::assembly

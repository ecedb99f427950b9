#include "assembly/instruction_encoder.h"

#include "assembly/instruction_encoding.h"
#include "assembly/operand_reader.h"

namespace kiv::assembly {

Status EncodeInstruction(EncodingContext& context, const Mnemonic& row) {
  Operands operands;
  const Status status = ReadOperands(context, row, operands);
  if (status != Status::kSuccess) return status;
  const EncodedWord word = Encode(row, operands);
  switch (row.record) {
    case RecordKind::kInstruction:
      context.out.Instruction(word.head, word.body);
      break;
    case RecordKind::kShort:
      context.out.ShortInstruction(word.head);
      break;
    case RecordKind::kSpawni:
      context.out.Spawni(word.body, word.second_body);
      break;
  }
  return Status::kSuccess;
}

}  // namespace kiv::assembly

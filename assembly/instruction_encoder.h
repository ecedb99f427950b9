// Encodes one instruction: reads its operands, encodes them and writes its
// record. Nothing is written for an instruction that fails.
#pragma once

#include "assembly/encoding_context.h"
#include "assembly/instruction_encoding.h"
#include "assembly/mnemonic_table.h"
#include "assembly/status.h"

namespace kiv::assembly {

Status EncodeInstruction(EncodingContext& context, const Mnemonic& row);

// Encodes an instruction whose operands are resolved and writes its record.
void WriteInstruction(RecordWriter& out, const Mnemonic& row, const Operands& operands);

}  // namespace kiv::assembly

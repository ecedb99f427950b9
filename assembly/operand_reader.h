// Reads an instruction's operand tokens by its operand form and resolves
// them into an Operands value.
#pragma once

#include <cstdint>
#include <string_view>

#include "assembly/encoding_context.h"
#include "assembly/instruction_encoding.h"
#include "assembly/mnemonic_table.h"
#include "assembly/status.h"

namespace kiv::assembly {

// Logs and returns the failure when the tokens run out or a label is
// missing; nothing else fails.
Status ReadOperands(EncodingContext& context, const Mnemonic& row, Operands& operands);

// ReadOperands in two steps, for an encoder that looks labels up later.
// The first reads the tokens and leaves a label operand unresolved, its name
// in `label` (empty when the form has no value or the value is a number);
// false, with nothing logged, when the tokens run out.
bool ReadOperandTokens(EncodingContext& context, const Mnemonic& row, Operands& operands,
                       std::string_view& label);
// The second: the value of a label found at `label_index` for the instruction
// at `index` (a branch takes the distance from the instruction after it).
uint32_t LabelOperandValue(const Mnemonic& row, int32_t label_index, uint32_t index);
// Or the failure of a label that is not there, logged at `index`.
Status MissingLabel(Log& log, const Mnemonic& row, uint32_t index);

// A register token: sp (any case) is 29; anything else goes through the
// number parser. Only the low 8 bits reach a field.
uint32_t RegisterNumber(std::string_view token);

}  // namespace kiv::assembly

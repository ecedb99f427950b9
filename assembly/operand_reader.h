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

// A register token: sp (any case) is 29; anything else goes through the
// number parser. Only the low 8 bits reach a field.
uint32_t RegisterNumber(std::string_view token);

}  // namespace kiv::assembly

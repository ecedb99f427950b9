// The class encoders: read an instruction's operand tokens, resolve them and
// write its record. Nothing is written for an instruction that fails.
#pragma once

#include <cstdint>
#include <string_view>

#include "assembly/encoding_context.h"
#include "assembly/mnemonic_table.h"
#include "assembly/status.h"

namespace kiv::assembly {

Status EncodeInstruction(EncodingContext& context, InstructionClass cls, uint16_t operation);

// A register token: sp (any case) is 29; anything else goes through the
// number parser. Only the low 8 bits reach a field.
uint32_t RegisterNumber(std::string_view token);

}  // namespace kiv::assembly

// The data directives .rdata, .word, .ascii, .align and .text: they open and
// close data sections, write data pairs and move the instruction index by
// the room the data takes (three indices per 16-byte data line).
#pragma once

#include "assembly/encoding_context.h"
#include "assembly/mnemonic_table.h"
#include "assembly/status.h"

namespace kiv::assembly {

Status HandleDirective(EncodingContext& context, InstructionClass cls);

}  // namespace kiv::assembly

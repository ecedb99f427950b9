// First stage: strips comments and turns the operand punctuation , $ ( )
// into blanks, so that later passes read plain blank-separated tokens.
// Quoted text passes through unchanged; every newline is kept.
#pragma once

#include <string>
#include <string_view>

namespace kiv::assembly {

std::string NormaliseSource(std::string_view source);
// The same, over the source's own buffer.
void NormaliseInPlace(std::string& text);

}  // namespace kiv::assembly

// Number reading of the front end.
#pragma once

#include <cstdint>
#include <string_view>

namespace kiv::assembly {

// The operand number parser: blanks are passed over, a minus sign anywhere
// makes the whole number negative, and every other byte counts as its code
// distance from '0' (so "1x" is 82 and "0x10" is 7210). Always decimal;
// 32-bit, wrapping.
int32_t ParseNumber(std::string_view text);

// The C library's decimal conversion of a digit run that has already been
// matched: exact within 64 bits, saturated beyond, then cut to 32 bits.
int32_t ConvertDecimal(bool negative, std::string_view digits);

}  // namespace kiv::assembly

// Eleven hexadecimal digits from two words of eight (HexDigitsWord): the
// packer writes some 30 digits per bundle.
#pragma once

#include <cstdint>

#include "common/hex.h"
#include "common/packed_bytes.h"

namespace kiv::assembler {

// `value` (below 2^44) as exactly eleven digits at `out`: two overlapping
// words, the second overwriting five digits of the first with the same ones.
// Writes out[0] to out[10] only.
inline void WriteHexEleven(char* out, uint64_t value) {
  Store8(out, HexDigitsWord(static_cast<uint32_t>(value >> 12)));
  Store8(out + 3, HexDigitsWord(static_cast<uint32_t>(value)));
}

}  // namespace kiv::assembler

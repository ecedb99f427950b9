// Eight hexadecimal digits at once: the packer writes some 30 digits per
// bundle, and a word of digits built in a register and stored whole costs
// little more than a single digit written the usual way.
#pragma once

#include <cstdint>

#include "common/packed_bytes.h"

namespace kiv::assembler {

// The eight lowercase digits of `value`, most significant first, packed as
// they lie in memory (byte k of the word is character k).
constexpr uint64_t HexDigitsWord(uint32_t value) {
  // The nibbles one to a byte, the most significant in byte 0: halves, then
  // bytes, then nibbles, each step sending the upper part to the lower bytes.
  uint64_t x = (value >> 16) | (uint64_t{value & 0xffffu} << 32);
  x = ((x >> 8) & 0x000000ff000000ffu) | ((x & 0x000000ff000000ffu) << 16);
  x = ((x >> 4) & 0x000f000f000f000fu) | ((x & 0x000f000f000f000fu) << 8);
  // '0' onto every nibble, and the 39 more from '9' + 1 to 'a' onto 10 to 15.
  const uint64_t letters = ((x + kEveryByte * 6) >> 4) & kEveryByte;
  return x + kEveryByte * '0' + letters * ('a' - '0' - 10);
}

// `value` (below 2^44) as exactly eleven digits at `out`: two overlapping
// words, the second overwriting five digits of the first with the same ones.
// Writes out[0] to out[10] only.
inline void WriteHexEleven(char* out, uint64_t value) {
  Store8(out, HexDigitsWord(static_cast<uint32_t>(value >> 12)));
  Store8(out + 3, HexDigitsWord(static_cast<uint32_t>(value)));
}

}  // namespace kiv::assembler

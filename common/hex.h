// Lowercase hexadecimal formatting without printf, for the hot output paths.
#pragma once

#include <bit>
#include <cstdint>
#include <string>

#include "common/packed_bytes.h"

namespace kiv {

inline constexpr char kHexDigits[] = "0123456789abcdef";

// Writes `value` as exactly `digits` hexadecimal digits at `out`; returns the
// position after them.
inline char* WriteHexDigits(char* out, uint64_t value, int digits) {
  for (int i = digits - 1; i >= 0; --i) {
    out[i] = kHexDigits[value & 0xfu];
    value >>= 4;
  }
  return out + digits;
}

// The number of digits of "%x": at least one.
inline int HexDigitCount(uint64_t value) {
  return value == 0 ? 1 : static_cast<int>((std::bit_width(value) + 3) / 4);
}

// "%x": no leading zeros, "0" for zero.
inline char* WriteHex(char* out, uint64_t value) {
  return WriteHexDigits(out, value, HexDigitCount(value));
}

// The eight lowercase digits of `value`, most significant first, packed as
// they lie in memory (byte k of the word is character k): a word of digits
// built in a register and stored whole costs little more than a single digit
// written the usual way, and no branch depends on the digits.
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

// As WriteHex for a 32-bit value, from HexDigitsWord: the leading zeros are
// shifted out of the word rather than skipped one by one. Always stores eight
// bytes at `out`, so the room there must hold them.
inline char* WriteHexWord(char* out, uint32_t value) {
  const int digits = HexDigitCount(value);
  Store8(out, HexDigitsWord(value) >> (8 * (8 - digits)));
  return out + digits;
}

inline void AppendHex(std::string& out, uint32_t value) {
  char buffer[16];
  out.append(buffer, WriteHex(buffer, value));
}

// "%0Nx": at least `width` digits, more when the value needs them.
inline void AppendHexFixed(std::string& out, uint64_t value, int width) {
  char buffer[16];
  const int digits = HexDigitCount(value) > width ? HexDigitCount(value) : width;
  out.append(buffer, WriteHexDigits(buffer, value, digits));
}

}  // namespace kiv

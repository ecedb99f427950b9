// Lowercase hexadecimal formatting without printf, for the hot output paths.
#pragma once

#include <bit>
#include <cstdint>
#include <string>

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

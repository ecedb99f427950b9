// Lowercase hexadecimal formatting without printf, for the hot output paths.
#pragma once

#include <cstdint>
#include <string>

namespace kiv {

inline constexpr char kHexDigits[] = "0123456789abcdef";

// "%x": no leading zeros, "0" for zero.
inline void AppendHex(std::string& out, uint32_t value) {
  char buffer[8];
  int n = 0;
  do {
    buffer[n++] = kHexDigits[value & 0xfu];
    value >>= 4;
  } while (value != 0);
  while (n > 0) out.push_back(buffer[--n]);
}

// "%0Nx" for a value known to fit in `width` digits; wider values keep all digits.
inline void AppendHexFixed(std::string& out, uint64_t value, int width) {
  char buffer[16];
  int n = 0;
  do {
    buffer[n++] = kHexDigits[value & 0xfu];
    value >>= 4;
  } while (value != 0);
  for (int i = n; i < width; ++i) out.push_back('0');
  while (n > 0) out.push_back(buffer[--n]);
}

}  // namespace kiv

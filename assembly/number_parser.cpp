#include "assembly/number_parser.h"

#include <limits>

namespace kiv::assembly {

int32_t ParseNumberByteByByte(std::string_view text) {
  uint32_t value = 0;
  bool negative = false;
  for (const char c : text) {
    if (c == ' ') continue;
    if (c == '-') {
      negative = true;
      continue;
    }
    const uint32_t distance = static_cast<uint32_t>(static_cast<unsigned char>(c)) - '0';
    value = value * 10 + distance;
  }
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

int32_t ConvertDecimal(bool negative, std::string_view digits) {
  constexpr uint64_t kLongMax = static_cast<uint64_t>(std::numeric_limits<int64_t>::max());
  uint64_t magnitude = 0;
  bool overflow = false;
  for (const char c : digits) {
    const auto digit = static_cast<uint64_t>(c - '0');
    if (magnitude > (kLongMax + 1 - digit) / 10) {
      overflow = true;
      break;
    }
    magnitude = magnitude * 10 + digit;
  }
  // Out of range of a 64-bit long the conversion saturates before the cut.
  int64_t wide = 0;
  if (negative) {
    wide = (overflow || magnitude > kLongMax + 1) ? std::numeric_limits<int64_t>::min()
                                                  : static_cast<int64_t>(0 - magnitude);
  } else {
    wide = (overflow || magnitude > kLongMax) ? std::numeric_limits<int64_t>::max()
                                              : static_cast<int64_t>(magnitude);
  }
  return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(wide)));
}

}  // namespace kiv::assembly

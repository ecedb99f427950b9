// Number reading of the front end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/packed_bytes.h"

namespace kiv::assembly {

// The operand number parser: blanks are passed over, a minus sign anywhere
// makes the whole number negative, and every other byte counts as its code
// distance from '0' (so "1x" is 82 and "0x10" is 7210). Always decimal;
// 32-bit, wrapping. Inline: every register and immediate goes through it.
inline int32_t ParseNumber(std::string_view text);

// The same a byte at a time, for any text: what ParseNumber does when its
// text is not a run of one to eight digits.
int32_t ParseNumberByteByByte(std::string_view text);

// The value of a run of one to eight decimal digits, read all at once:
// register numbers are one or two digits, and a loop's exit on their length
// is a guess the processor gets wrong about every other time. False for any
// other text.
inline bool ParseShortDigitRun(std::string_view text, uint32_t& value) {
  const size_t length = text.size();
  if (length - 1 < 2) {  // most are registers: one or two digits
    const uint32_t first = static_cast<unsigned char>(text[0]) - uint32_t{'0'};
    const uint32_t last = static_cast<unsigned char>(text[length - 1]) - uint32_t{'0'};
    if ((first > 9) | (last > 9)) return false;
    // Arithmetic rather than a choice, which would be a branch on the length.
    const auto second = static_cast<uint32_t>(length - 1);  // 1 when there are two
    value = first * (1 + 9 * second) + last * second;
    return true;
  }
  if (length - 1 >= 8) return false;  // empty or longer than eight
  // The digits to the high bytes of the word, behind as many '0's as make
  // eight, so that the most significant digit sits in byte 0 whatever the length.
  const uint64_t zeros = ((kEveryByte * '0') >> (8 * length - 8)) >> 8;
  const uint64_t word = LoadUpTo8(text.data(), length) << (64 - 8 * length) | zeros;
  if (BytesInRange(word, '0', '9') != kHighBits) return false;
  // Neighbouring digits, pairs and quadruples combined in place.
  uint64_t digits = word - kEveryByte * '0';
  digits = (digits * 10 + (digits >> 8)) & 0x00ff00ff00ff00ffu;
  digits = (digits * 100 + (digits >> 16)) & 0x0000ffff0000ffffu;
  digits = (digits * 10000 + (digits >> 32)) & 0xffffffffu;
  value = static_cast<uint32_t>(digits);
  return true;
}

inline int32_t ParseNumber(std::string_view text) {
  uint32_t value = 0;
  if (ParseShortDigitRun(text, value)) return static_cast<int32_t>(value);
  // Sources often write a negative number with its minus after the digits.
  if (text.size() >= 2 && text.back() == '-' &&
      ParseShortDigitRun(text.substr(0, text.size() - 1), value)) {
    return static_cast<int32_t>(0u - value);
  }
  return ParseNumberByteByByte(text);
}

// The C library's decimal conversion of a digit run that has already been
// matched: exact within 64 bits, saturated beyond, then cut to 32 bits.
int32_t ConvertDecimal(bool negative, std::string_view digits);

}  // namespace kiv::assembly

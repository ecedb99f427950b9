// Warnings for operand tokens that the programs read without complaint but
// almost never as the writer meant: register names, minus signs in front,
// hexadecimal prefixes, values cut to their field.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "kiv/checker_report.h"

namespace kiv::tool {

inline bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

// Up to three plain digits naming a register that fits 8 bits: how nearly
// every register is written. It and sp are passed without a call.
inline bool IsSmallRegister(std::string_view token) {
  if (token.size() > 3) return false;
  uint32_t value = 0;
  for (const char c : token) {
    if (!IsDecimalDigit(c)) return false;
    value = value * 10 + static_cast<uint32_t>(c - '0');
  }
  return value <= 255;
}

// A register token other than a small register or sp.
void CheckUnusualRegisterToken(std::string_view token, size_t offset, bool number_only,
                               Report& report);

// A register token. `number_only` for the register of la, which never
// reads sp as a name.
inline void CheckRegisterToken(std::string_view token, size_t offset, bool number_only,
                               Report& report) {
  if (IsSmallRegister(token) || (!number_only && token == "sp")) return;
  CheckUnusualRegisterToken(token, offset, number_only, report);
}

// The field a numeric immediate or target lands in.
enum class ValueField : uint8_t {
  kImmediate18,          // signed: -131072 to 131071
  kUnsignedImmediate18,  // a bit pattern: -131072 to 262143
  kTarget26,
  kTarget32,
};

// A token that begins with a digit, read by the number parser.
void CheckNumberToken(std::string_view token, size_t offset, ValueField field, Report& report);

// Whether a value fits an 18-bit field as a signed number, or with
// `as_bits` also as an unsigned one.
bool FitsImmediateField(int64_t value, bool as_bits = false);

// How to write the number a token with a sign in front meant: "write '5-'"
// for -5 (a minus anywhere negates), "write '5'" for +5.
std::string SignAdvice(std::string_view token);

// j and jal: their target fills the whole body.
inline bool IsJumpOpcode(uint32_t op) { return op == 2 || op == 3; }
// andi, ori and lui take their immediate as a bit pattern: all 18 bits
// unsigned are meant as written.
inline bool IsLogicalImmediate(uint32_t op) { return op == 12 || op == 13 || op == 15; }
// [+-]?[0-9]+ and nothing else: what the strict integer reading of .word and
// spawni takes whole.
bool IsWholeInteger(std::string_view token);
// The length of the [+-]?[0-9]+ that begins the token, 0 when there is none.
size_t IntegerPrefix(std::string_view token);

}  // namespace kiv::tool

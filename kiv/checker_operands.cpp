#include "kiv/checker_operands.h"

#include <algorithm>
#include <string>

#include "assembly/number_parser.h"

namespace kiv::tool {
namespace {

constexpr int64_t kImmediateLowest = -(int64_t{1} << 17);
constexpr int64_t kSignedHighest = (int64_t{1} << 17) - 1;
constexpr int64_t kUnsignedHighest = (int64_t{1} << 18) - 1;
constexpr uint32_t kTargetMask26 = (uint32_t{1} << 26) - 1;

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

bool HasHexPrefix(std::string_view token) {
  return token.size() > 2 && token[0] == '0' && (token[1] == 'x' || token[1] == 'X');
}

// Whether the token holds anything but digits and minus signs.
bool HasOtherCharacters(std::string_view token) {
  return std::any_of(token.begin(), token.end(),
                     [](char c) { return !IsDecimalDigit(c) && c != '-'; });
}

std::string HexHint(std::string_view token) {
  uint64_t value = 0;
  for (const char c : token.substr(2)) {
    const char lower = static_cast<char>(c | 0x20);
    if (!IsDecimalDigit(c) && !(lower >= 'a' && lower <= 'f')) return "";
    if (value > 0xffffffffu) return "";
    value = value * 16 + static_cast<uint64_t>(IsDecimalDigit(c) ? c - '0' : lower - 'a' + 10);
  }
  return value > 0xffffffffu ? "" : "; write " + std::to_string(value);
}

// One warning per token: the first of these that applies names what went wrong.
// What a token becomes, as a message says it: a number, or a register.
std::string ReadsAs(int32_t value, bool as_register) {
  return as_register ? "register " + std::to_string(static_cast<uint32_t>(value) & 0xffu)
                     : std::to_string(value);
}

// Plain decimal digits, the usual case, are passed at once.
bool WarnAboutSpelling(std::string_view token, size_t offset, int32_t value, bool as_register,
                       Report& report) {
  if (!HasOtherCharacters(token) && token.front() != '-') return false;
  const std::string reads_as = ReadsAs(value, as_register);
  if (HasHexPrefix(token)) {
    report.Warning(offset, token.size(),
                   Quoted(token) + " is read as decimal digits, giving " + reads_as +
                       ": there are no hexadecimal numbers" + HexHint(token));
    return true;
  }
  if (token.front() == '-') {
    report.Warning(offset, token.size(),
                   Quoted(token) + " is not minus " + std::string(token.substr(1)) +
                       " here: it reads as " + reads_as +
                       "; a minus anywhere negates the number: " + SignAdvice(token));
    return true;
  }
  if (HasOtherCharacters(token)) {  // letters and signs other than a minus
    report.Warning(offset, token.size(),
                   Quoted(token) +
                       " is not a decimal number: each character counts by its distance "
                       "from '0', giving " +
                       reads_as);
    return true;
  }
  return false;
}

}  // namespace

std::string SignAdvice(std::string_view token) {
  const std::string_view digits = token.substr(1);
  const bool plain = !digits.empty() && std::all_of(digits.begin(), digits.end(), IsDecimalDigit);
  if (token.front() == '+') return plain ? "write '" + std::string(digits) + "'" : "drop the '+'";
  return plain ? "write '" + std::string(digits) + "-'" : "write the minus after the digits";
}

size_t IntegerPrefix(std::string_view token) {
  size_t p = 0;
  if (p < token.size() && (token[p] == '+' || token[p] == '-')) ++p;
  const size_t digits = p;
  while (p < token.size() && IsDecimalDigit(token[p])) ++p;
  return p > digits ? p : 0;
}

bool IsWholeInteger(std::string_view token) {
  return !token.empty() && IntegerPrefix(token) == token.size();
}

bool FitsImmediateField(int64_t value, bool as_bits) {
  return value >= kImmediateLowest && value <= (as_bits ? kUnsignedHighest : kSignedHighest);
}

void CheckUnusualRegisterToken(std::string_view token, size_t offset, bool number_only,
                               Report& report) {
  const bool sp_prefix = token.size() >= 2 && (token[0] | 0x20) == 's' && (token[1] | 0x20) == 'p';
  // sp itself, the other common register, needs no number.
  if (sp_prefix && !number_only) {
    if (token.size() > 2) {
      report.Warning(offset, token.size(),
                     Quoted(token) +
                         " is read as sp (register 29): only its first two "
                         "letters count");
    }
    return;
  }
  const auto value = static_cast<int32_t>(assembly::ParseNumber(token));
  const uint32_t reg = static_cast<uint32_t>(value) & 0xffu;
  if (sp_prefix) {
    report.Warning(offset, token.size(),
                   "'la' reads its register as a number: " + Quoted(token) + " is register " +
                       std::to_string(reg) + " here, not sp (29); write 29");
    return;
  }
  if (IsLetter(token.front()) || token.front() == '_' || token.front() == '.') {
    report.Warning(offset, token.size(),
                   "register name " + Quoted(token) + " is read as the number " +
                       std::to_string(value) + ", register " + std::to_string(reg) +
                       ": only sp is a register name, write the register's number");
    return;
  }
  if (WarnAboutSpelling(token, offset, value, true, report)) return;
  if (value < 0 || value > 255) {
    report.Warning(offset, token.size(),
                   "register " + std::to_string(value) +
                       " does not fit 8 bits: it is cut to register " + std::to_string(reg));
  }
}

void CheckNumberToken(std::string_view token, size_t offset, ValueField field, Report& report) {
  // Five plain digits fit every field.
  if (token.size() <= 5 && std::all_of(token.begin(), token.end(), IsDecimalDigit)) return;
  const auto value = static_cast<int32_t>(assembly::ParseNumber(token));
  if (WarnAboutSpelling(token, offset, value, false, report)) return;
  const bool immediate =
      field == ValueField::kImmediate18 || field == ValueField::kUnsignedImmediate18;
  if (immediate && !FitsImmediateField(value, field == ValueField::kUnsignedImmediate18)) {
    const int32_t cut =
        static_cast<int32_t>(static_cast<uint32_t>(value) << 14) >> 14;  // sign of bit 17
    report.Warning(offset, token.size(),
                   "immediate " + std::to_string(value) +
                       " does not fit its 18-bit field: it is cut to " + std::to_string(cut));
  } else if (field == ValueField::kTarget26 && static_cast<uint32_t>(value) > kTargetMask26) {
    report.Warning(offset, token.size(),
                   "'la' target " + std::to_string(value) +
                       " does not fit its 26-bit field: it is cut to " +
                       std::to_string(static_cast<uint32_t>(value) & kTargetMask26));
  }
}

}  // namespace kiv::tool

#include "kiv/image.h"

#include <charconv>

namespace kiv::tool {
namespace {

constexpr size_t kUnitBytes = 16;
constexpr size_t kHalfUnitBytes = 8;
constexpr std::string_view kEndBytes = "\xff\xff\xff\xff";

uint64_t LittleEndian(std::string_view bytes) {
  uint64_t value = 0;
  for (size_t i = bytes.size(); i-- > 0;) {
    value = value << 8 | static_cast<unsigned char>(bytes[i]);
  }
  return value;
}

bool ParseHex(std::string_view digits, uint64_t& value) {
  if (digits.empty()) return false;
  const auto [end, error] =
      std::from_chars(digits.data(), digits.data() + digits.size(), value, 16);
  return error == std::errc() && end == digits.data() + digits.size();
}

// Splits a line at single blanks.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  while (start <= line.size()) {
    const size_t blank = line.find(' ', start);
    const size_t end = blank == std::string_view::npos ? line.size() : blank;
    if (end > start) fields.push_back(line.substr(start, end - start));
    start = end + 1;
  }
  return fields;
}

// "sss ssssssss" as 11 digits: slot 3, slot 2, slot 1, then the count.
bool ParseBundleLine(const std::vector<std::string_view>& fields, Unit& unit) {
  uint64_t slots[3] = {};
  uint64_t count = 0;
  for (int i = 0; i < 3; ++i) {
    if (fields[i].size() != 11 || !ParseHex(fields[i], slots[i])) return false;
  }
  if (fields[3].size() != 1 || !ParseHex(fields[3], count) || count > 3) return false;
  unit = static_cast<Unit>(slots[0]) << 86 | static_cast<Unit>(slots[1]) << 44 |
         static_cast<Unit>(slots[2]) << 2 | count;
  return true;
}

// Four 8-digit words in image order (each pair's second word first), or
// two of them for the half line of a data section left open.
bool ParseDataWords(const std::vector<std::string_view>& fields, Unit& unit) {
  unit = 0;
  for (size_t i = 0; i < fields.size(); ++i) {
    uint64_t word = 0;
    if (fields[i].size() != 8 || !ParseHex(fields[i], word)) return false;
    unit |= static_cast<Unit>(word) << (32 * i);
  }
  return true;
}

}  // namespace

bool ReadBinaryImage(std::string_view bytes, Image& image, std::string& error) {
  image = Image{};
  if (bytes.size() < kEndBytes.size() || !bytes.ends_with(kEndBytes)) {
    error = "the image does not end with the four bytes ff ff ff ff";
    return false;
  }
  const std::string_view body = bytes.substr(0, bytes.size() - kEndBytes.size());
  const size_t rest = body.size() % kUnitBytes;
  if (rest != 0 && rest != kHalfUnitBytes) {
    error = "the image is not made of 16-byte units";
    return false;
  }
  const size_t count = body.size() / kUnitBytes;
  image.units.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const std::string_view unit = body.substr(i * kUnitBytes, kUnitBytes);
    image.units.push_back(static_cast<Unit>(LittleEndian(unit.substr(8))) << 64 |
                          LittleEndian(unit.substr(0, 8)));
  }
  image.kinds.assign(count, UnitKind::kUnknown);
  if (rest != 0) image.trailing_pair = LittleEndian(body.substr(count * kUnitBytes));
  return true;
}

bool ReadListing(std::string_view text, Image& image, std::string& error) {
  image = Image{};
  size_t line_number = 0;
  while (!text.empty()) {
    const size_t newline = text.find('\n');
    const bool last = newline == std::string_view::npos;
    std::string_view line = text.substr(0, last ? text.size() : newline);
    text.remove_prefix(last ? text.size() : newline + 1);
    ++line_number;
    if (line.ends_with('\r')) line.remove_suffix(1);
    const std::vector<std::string_view> fields = Fields(line);
    Unit unit = 0;
    if (fields.size() == 4 && fields[0].size() == 11 && ParseBundleLine(fields, unit)) {
      image.units.push_back(unit);
      image.kinds.push_back(UnitKind::kBundle);
    } else if (fields.size() == 4 && ParseDataWords(fields, unit)) {
      image.units.push_back(unit);
      image.kinds.push_back(UnitKind::kData);
    } else if (last && fields.size() == 2 && ParseDataWords(fields, unit)) {
      image.trailing_pair = static_cast<DataPair>(unit);
    } else if (!fields.empty()) {
      error = "line " + std::to_string(line_number) + " is neither a bundle nor a data line";
      return false;
    }
  }
  return true;
}

}  // namespace kiv::tool

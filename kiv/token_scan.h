// Finding tokens in the normalised text a word at a time. The statement walk
// reads every byte of a big source once, and its lines are mostly runs of
// alignment blanks between short tokens: eight bytes are looked at together
// and the exact byte test only runs where a word holds a boundary. Each fast
// function has a plain twin, byte by byte, that a test compares it with.
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "common/packed_bytes.h"

namespace kiv::tool {

// White space as the programs' scanner knows it, a line end apart.
inline constexpr auto kLineSpace = [] {
  std::array<bool, 256> table{};
  for (const unsigned char c : {' ', '\t', '\r', '\v', '\f'}) table[c] = true;
  return table;
}();
inline bool IsLineSpace(char c) { return kLineSpace[static_cast<unsigned char>(c)]; }
inline constexpr auto kSpace = [] {
  std::array<bool, 256> table = kLineSpace;
  table['\n'] = true;
  return table;
}();
inline bool IsSpace(char c) { return kSpace[static_cast<unsigned char>(c)]; }

namespace token_scan_detail {

constexpr uint64_t kEvery = 0x0101010101010101u;
constexpr uint64_t kBlanks = kEvery * ' ';
constexpr uint64_t kHighBits = kEvery * 0x80;

// The index of the first byte of the word that is not a blank; 8 if all are.
inline size_t FirstNonBlank(uint64_t word) {
  const uint64_t differs = word ^ kBlanks;
  return differs == 0 ? 8 : static_cast<size_t>(std::countr_zero(differs)) / 8;
}

// The index of the first byte at or below a blank (every white space byte
// is); 8 if none is. The borrow of the subtraction can only mark bytes above
// the first marked one, so the lowest mark is exact.
inline size_t FirstAtMostBlank(uint64_t word) {
  const uint64_t marks = (word - kEvery * (' ' + 1)) & ~word & kHighBits;
  return marks == 0 ? 8 : static_cast<size_t>(std::countr_zero(marks)) / 8;
}

}  // namespace token_scan_detail

// The first byte at or after `pos` that is not white space within the line
// (a line end is not skipped); the text's size if there is none.
inline size_t SkipLineSpace(std::string_view text, size_t pos) {
  const char* const data = text.data();
  while (pos < text.size()) {
    if (text.size() - pos >= 8) {
      const size_t blanks = token_scan_detail::FirstNonBlank(Load8(data + pos));
      pos += blanks;
      if (blanks == 8) continue;
    }
    if (!IsLineSpace(data[pos])) return pos;
    ++pos;
  }
  return pos;
}

// Just past the token that starts at `pos`: the first white space byte
// (line end included) after it, or the text's size.
inline size_t TokenEnd(std::string_view text, size_t pos) {
  const char* const data = text.data();
  while (pos < text.size()) {
    if (text.size() - pos >= 8) {
      const size_t inside = token_scan_detail::FirstAtMostBlank(Load8(data + pos));
      pos += inside;
      if (inside == 8) continue;
    }
    if (IsSpace(data[pos])) return pos;
    ++pos;  // a control byte that is no white space belongs to the token
  }
  return pos;
}

// The plain twins, for the test that compares them.
size_t SkipLineSpacePlain(std::string_view text, size_t pos);
size_t TokenEndPlain(std::string_view text, size_t pos);

}  // namespace kiv::tool

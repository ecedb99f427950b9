// Reads the normalised source as the encoding pass does: blank-separated
// tokens, decimal integers and raw characters, with line ends meaning nothing.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kiv::assembly {

// White space as the C library's scanning knows it.
inline constexpr auto kScanSpace = [] {
  std::array<bool, 256> table{};
  for (const unsigned char c : {' ', '\t', '\n', '\v', '\f', '\r'}) table[c] = true;
  return table;
}();

constexpr bool IsScanSpace(char c) { return kScanSpace[static_cast<unsigned char>(c)]; }

class SourceScanner {
 public:
  explicit SourceScanner(std::string_view text) : text_(text) {}

  // The next run of non-white-space bytes; false at the end of the text.
  bool NextToken(std::string_view& token);
  // White space, an optional sign and at least one digit; false (with only
  // the white space used up) when no digit follows.
  bool ReadInteger(int32_t& value);
  // As ReadInteger, throwing the value away.
  void SkipInteger();
  // One raw byte; false at the end of the text.
  bool NextChar(char& c);

  size_t position() const { return pos_; }

 private:
  void SkipSpace();
  // The white-space bits of the 64-byte block holding pos_ (which is below
  // the end of the text), taken from a cache of the last block.
  uint64_t SpaceBitsAtPosition();
  // Matches [+-]?[0-9]+ at pos_; returns its length, 0 when there is none.
  size_t MatchInteger() const;

  std::string_view text_;
  size_t pos_ = 0;
  size_t block_start_ = SIZE_MAX;  // of the cached block; none yet
  uint64_t block_space_ = 0;
};

}  // namespace kiv::assembly

// Reads the normalised source as the encoding pass does: blank-separated
// tokens, decimal integers and raw characters, with line ends meaning nothing.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "assembly/byte_set_bits.h"
#include "assembly/space_bits.h"

namespace kiv::assembly {

class SourceScanner {
 public:
  explicit SourceScanner(std::string_view text) : text_(text), space_(text) {}

  // The next run of non-white-space bytes; false at the end of the text.
  // Inline: the encoding pass reads every token through it.
  bool NextToken(std::string_view& token) {
    // Most tokens, with the blanks before them, lie within 16 bytes: the
    // whole window is tested at once. Any other case goes by blocks.
    if (text_.size() - pos_ >= 16) {
      const uint32_t space = SpaceBitsOf16(text_.data() + pos_);
      // 16 when the window is all white space; then nothing is left after it.
      const auto start = static_cast<uint32_t>(std::countr_zero((~space & 0xffffu) | 0x10000u));
      const uint32_t after = space >> start;
      if (after != 0) {
        const auto length = static_cast<size_t>(std::countr_zero(after));
        token = std::string_view(text_.data() + pos_ + start, length);
        pos_ += start + length;
        return true;
      }
    }
    return NextTokenByBlocks(token);
  }
  // White space, an optional sign and at least one digit; false (with only
  // the white space used up) when no digit follows.
  bool ReadInteger(int32_t& value);
  // As ReadInteger, throwing the value away.
  void SkipInteger();
  // One raw byte; false at the end of the text.
  bool NextChar(char& c);

  size_t position() const { return pos_; }

 private:
  bool NextTokenByBlocks(std::string_view& token);
  void SkipSpace();
  // Matches [+-]?[0-9]+ at pos_; returns its length, 0 when there is none.
  size_t MatchInteger() const;

  std::string_view text_;
  size_t pos_ = 0;
  // White space by 64-byte blocks; past the end of the text counts as white
  // space, so that a token ends there.
  BlockBitmap<&SpaceBits, &SpaceBitsOfTail> space_;
};

}  // namespace kiv::assembly

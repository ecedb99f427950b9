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
  // Reads on from `from`, as if everything before it had been read.
  SourceScanner(std::string_view text, size_t from) : text_(text), pos_(from), space_(text) {}

  // The next run of non-white-space bytes; false at the end of the text.
  // Inline: the encoding pass reads every token through it.
  bool NextToken(std::string_view& token) {
    if (TokenInWindow(token)) return true;
    // Tested afresh from here: a window holds a few statements' tokens.
    if (text_.size() - pos_ >= kSpaceBlock) {
      window_start_ = pos_;
      window_space_ = SpaceBits(text_.data() + pos_);
      if (TokenInWindow(token)) return true;
    }
    return NextTokenByBlocks(token);  // long tokens and gaps, and the end of the text
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
  // The next token when it lies wholly within the window. Each token is
  // found from the window's bits in a few register operations: testing the
  // text anew from every token's start would chain a load and its test into
  // the wait for every token.
  bool TokenInWindow(std::string_view& token) {
    const size_t offset = pos_ - window_start_;
    if (offset >= kSpaceBlock) return false;
    const uint64_t inside = ~uint64_t{0} >> offset;  // the window's bits from pos_ on
    const uint64_t space = window_space_ >> offset;
    const uint64_t other = ~space & inside;
    if (other == 0) return false;
    const int start = std::countr_zero(other);
    const uint64_t after = (space & inside) >> start;
    if (after == 0) return false;  // the token may run on past the window
    const auto length = static_cast<size_t>(std::countr_zero(after));
    token = std::string_view(text_.data() + pos_ + static_cast<size_t>(start), length);
    pos_ += static_cast<size_t>(start) + length;
    return true;
  }
  bool NextTokenByBlocks(std::string_view& token);
  void SkipSpace();
  // Matches [+-]?[0-9]+ at pos_; returns its length, 0 when there is none.
  size_t MatchInteger() const;

  std::string_view text_;
  size_t pos_ = 0;
  // White space in the 64 bytes from window_start_, which lies at or before
  // pos_; none yet (the window starts a block before the text).
  size_t window_start_ = size_t{0} - kSpaceBlock;
  uint64_t window_space_ = 0;
  // White space by 64-byte blocks; past the end of the text counts as white
  // space, so that a token ends there.
  BlockBitmap<&SpaceBits, &SpaceBitsOfTail> space_;
};

}  // namespace kiv::assembly

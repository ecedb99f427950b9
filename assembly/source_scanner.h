// Reads the normalised source as the encoding pass does: blank-separated
// tokens, decimal integers and raw characters, with line ends meaning nothing.
#pragma once

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
  // Matches [+-]?[0-9]+ at pos_; returns its length, 0 when there is none.
  size_t MatchInteger() const;

  std::string_view text_;
  size_t pos_ = 0;
  // White space by 64-byte blocks; past the end of the text counts as white
  // space, so that a token ends there.
  BlockBitmap<&SpaceBits, &SpaceBitsOfTail> space_;
};

}  // namespace kiv::assembly

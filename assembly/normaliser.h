// First stage: strips comments and turns the operand punctuation , $ ( )
// into blanks, so that later passes read plain blank-separated tokens.
// Quoted text passes through unchanged; every newline is kept.
#pragma once

#include <string>
#include <string_view>

namespace kiv::assembly {

// Normalises a source piece by piece: quote and comment state carry over
// from one piece to the next, so pieces may be cut anywhere.
class Normaliser {
 public:
  // Writes the normalised form of `piece` to `out`, which has room for
  // piece.size() bytes (the output is never longer, so `out` may be the
  // piece's own first byte); returns the end of what was written.
  char* Normalise(std::string_view piece, char* out);
  // Outside a quote and a comment, as a fresh normaliser starts.
  bool InCode() const { return !in_quote_ && !in_comment_; }

 private:
  bool in_quote_ = false;
  bool in_comment_ = false;
};

// The normalised text of a whole source, as the front end's first stage makes it.
std::string NormaliseSource(std::string_view source);

}  // namespace kiv::assembly

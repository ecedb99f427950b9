// Double quotes inside comments. The normaliser counts every double quote,
// also one in a comment, so a comment holding an odd number of them makes
// the lines after it read as if inside a string: comments stay, and the
// punctuation , $ ( ) is no longer blanked, until the next double quote.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "kiv/diagnostics.h"

namespace kiv::tool {

// Where the normaliser drops comments, noted as the quotes are checked. It
// drops every comment, from its # or ; up to its line end, and changes the
// length of nothing else: an offset into the normalised text lies as many
// bytes further on in the source as the comments before it dropped, on the
// same line and column.
class CommentMap {
 public:
  // In source order: a comment from `start` up to `end`, its line end or
  // the source's end.
  void Add(size_t start, size_t end) {
    at_.push_back(start - dropped_);
    dropped_ += end - start;
    dropped_by_.push_back(dropped_);
  }
  // For each of `offsets` into the normalised text (in any order): the bytes
  // the comments before it dropped. A comment dropped right at an offset,
  // at the end of its line, is not before it.
  std::vector<size_t> DroppedBefore(std::span<const size_t> offsets) const;

 private:
  std::vector<size_t> at_;          // each comment's place in the normalised text
  std::vector<size_t> dropped_by_;  // the bytes it and those before it dropped
  size_t dropped_ = 0;
};

// A warning at the first quote of each such comment, with offsets into the
// source itself (the comments are gone from the normalised text). A 64-byte
// block at a time: its quotes, comment starts and line ends are bits, and
// most blocks hold none of the first two. With `comments`, the comments are
// noted in the same pass; with `colons`, the source's colons are counted
// there (every label of the normalised text ends in one of them).
std::vector<Diagnostic> CheckQuotesInComments(std::string_view source,
                                              CommentMap* comments = nullptr,
                                              size_t* colons = nullptr);
// The plain twin, byte by byte, for the test that compares them.
std::vector<Diagnostic> CheckQuotesInCommentsPlain(std::string_view source);

// Merges `extra` (no notes, ascending) into `diagnostics` (in source order,
// notes behind their diagnostic) by offset, never between a diagnostic and
// its notes.
void MergeDiagnostics(std::vector<Diagnostic>& diagnostics, std::vector<Diagnostic> extra);

}  // namespace kiv::tool

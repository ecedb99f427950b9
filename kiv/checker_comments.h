// Double quotes inside comments. The normaliser counts every double quote,
// also one in a comment, so a comment holding an odd number of them makes
// the lines after it read as if inside a string: comments stay, and the
// punctuation , $ ( ) is no longer blanked, until the next double quote.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "kiv/diagnostics.h"

namespace kiv::tool {

// A warning at the first quote of each such comment, with offsets into the
// source itself (the comments are gone from the normalised text). A 64-byte
// block at a time: its quotes, comment starts and line ends are bits, and
// most blocks hold none of the first two. With `line_starts`, the source's
// line starts (0, and the offset after each line end) are listed in the same
// pass, as SourceMap lists them.
std::vector<Diagnostic> CheckQuotesInComments(std::string_view source,
                                              std::vector<size_t>* line_starts = nullptr);
// The plain twin, byte by byte, for the test that compares them.
std::vector<Diagnostic> CheckQuotesInCommentsPlain(std::string_view source);

// Merges `extra` (no notes, ascending) into `diagnostics` (in source order,
// notes behind their diagnostic) by offset, never between a diagnostic and
// its notes.
void MergeDiagnostics(std::vector<Diagnostic>& diagnostics, std::vector<Diagnostic> extra);

}  // namespace kiv::tool

#include "kiv/checker_comments.h"

#include <algorithm>
#include <utility>

#include "assembly/byte_set_bits.h"

namespace kiv::tool {

namespace {

Diagnostic OddQuotes(size_t first_quote) {
  return Diagnostic{Severity::kWarning, first_quote,
                    "odd number of double quotes in a comment: the programs count them too, so "
                    "the lines after it are read as if inside a string (comments kept, , $ ( ) "
                    "not blanked) up to the next double quote; remove the quote or write two",
                    1};
}

}  // namespace

std::vector<Diagnostic> CheckQuotesInComments(std::string_view source) {
  std::vector<Diagnostic> found;
  // Outside comments only these bytes matter: a line end changes nothing
  // there, and most lines hold no comment.
  assembly::ByteSetFinder<'"', '#', ';'> specials(source);
  bool in_quote = false;  // carries over line ends, also out of a comment
  for (size_t i = specials.Next(0); i < source.size(); i = specials.Next(i + 1)) {
    if (source[i] == '"') {
      in_quote = !in_quote;
      continue;
    }
    if (in_quote) continue;
    // A comment: its quotes count, and it ends at the line end.
    const size_t end = std::min(source.find('\n', i + 1), source.size());
    const std::string_view comment = source.substr(i + 1, end - i - 1);
    const size_t quotes = assembly::CountByteSet<'"'>(comment);
    if (quotes % 2 != 0) {
      in_quote = !in_quote;
      // Only a comment with lines after it changes how they are read.
      if (end < source.size()) found.push_back(OddQuotes(i + 1 + comment.find('"')));
    }
    i = end;
  }
  return found;
}

std::vector<Diagnostic> CheckQuotesInCommentsPlain(std::string_view source) {
  std::vector<Diagnostic> found;
  bool in_quote = false;
  bool in_comment = false;
  size_t quotes = 0;  // in the current comment
  size_t first_quote = 0;
  for (size_t i = 0; i < source.size(); ++i) {
    const char c = source[i];
    if (c == '"') {
      in_quote = !in_quote;
      if (in_comment && quotes++ == 0) first_quote = i;
    } else if (c == '\n') {
      if (in_comment && quotes % 2 != 0) found.push_back(OddQuotes(first_quote));
      in_comment = false;
    } else if ((c == '#' || c == ';') && !in_quote && !in_comment) {
      in_comment = true;
      quotes = 0;
    }
  }
  return found;
}

void MergeDiagnostics(std::vector<Diagnostic>& diagnostics, std::vector<Diagnostic> extra) {
  if (extra.empty()) return;
  std::vector<Diagnostic> merged;
  merged.reserve(diagnostics.size() + extra.size());
  size_t next = 0;
  for (Diagnostic& d : diagnostics) {
    if (d.severity != Severity::kNote) {
      while (next < extra.size() && extra[next].offset <= d.offset) {
        merged.push_back(std::move(extra[next++]));
      }
    }
    merged.push_back(std::move(d));
  }
  while (next < extra.size()) merged.push_back(std::move(extra[next++]));
  diagnostics = std::move(merged);
}

}  // namespace kiv::tool

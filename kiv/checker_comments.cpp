#include "kiv/checker_comments.h"

#include <utility>

#include "assembly/byte_set_bits.h"

namespace kiv::tool {

std::vector<Diagnostic> CheckQuotesInComments(std::string_view source) {
  std::vector<Diagnostic> found;
  assembly::ByteSetFinder<'"', '#', ';', '\n'> specials(source);
  bool in_quote = false;
  bool in_comment = false;
  size_t quotes = 0;  // in the current comment
  size_t first_quote = 0;
  for (size_t i = specials.Next(0); i < source.size(); i = specials.Next(i + 1)) {
    const char c = source[i];
    if (c == '"') {
      in_quote = !in_quote;
      if (in_comment && quotes++ == 0) first_quote = i;
    } else if (c == '\n') {
      // Only a comment with lines after it changes how they are read.
      if (in_comment && quotes % 2 != 0) {
        found.push_back(Diagnostic{Severity::kWarning, first_quote,
                                   "odd number of double quotes in a comment: the programs "
                                   "count them too, so the lines after it are read as if inside "
                                   "a string (comments kept, , $ ( ) not blanked) up to the next "
                                   "double quote; remove the quote or write two",
                                   1});
      }
      in_comment = false;
    } else if (!in_quote && !in_comment) {  // # or ;
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

// Problems found in a source, and how they are printed: one line
// `SOURCE:LINE:COL: error|warning|note: message`, then the source line and a
// caret under the token, the form editors and CI jump to.
#pragma once

#include <cstddef>
#include <ostream>
#include <span>
#include <string>
#include <string_view>

namespace kiv::tool {

enum class Severity { kError, kWarning, kNote };

struct Diagnostic {
  Severity severity;
  size_t offset;  // byte offset into the source of the token it points at
  std::string message;
  size_t length = 1;  // bytes of the token, underlined after the caret
  // Its 1-based line and the offset where that line starts, when whoever
  // found it has placed it already; 0 leaves it to the printer. Before it is
  // moved to the source, the same in the normalised text, when the walk that
  // found it carried them (see Report::CarryLines).
  size_t line = 0;
  size_t line_start = 0;
};

// Prints the diagnostics in their order; `plain` leaves out the source and
// caret lines. Lines and columns are 1-based, tab stops every 8 columns.
void PrintDiagnostics(std::ostream& out, std::string_view source_name, std::string_view source,
                      std::span<const Diagnostic> diagnostics, bool plain);

}  // namespace kiv::tool

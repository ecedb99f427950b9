#include "kiv/diagnostics.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <vector>

#include "kiv/source_map.h"

namespace kiv::tool {
namespace {

std::string_view SeverityName(Severity severity) {
  switch (severity) {
    case Severity::kError:
      return "error";
    case Severity::kWarning:
      return "warning";
    case Severity::kNote:
      return "note";
  }
  return "error";
}

// The caret line keeps every tab of the source line before the token, so the
// caret stands under the token whatever tab width the reader's terminal uses.
// Appended in place: a large source can draw many thousands of them.
void AppendCaretLine(std::string& text, std::string_view line, size_t column_offset,
                     size_t length) {
  const size_t before = std::min(column_offset, line.size());
  for (size_t i = 0; i < before; ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    if (byte == '\t') {
      text += '\t';
    } else if ((byte & 0xc0) != 0x80) {
      text += ' ';
    }
  }
  text += '^';
  // The underline ends with the line: a token never spans a line end.
  const size_t rest = std::min(length, line.size() - before);
  for (size_t i = 1; i < rest; ++i) {
    if ((static_cast<unsigned char>(line[before + i]) & 0xc0) != 0x80) text += '~';
  }
}

void AppendNumber(std::string& text, size_t value) {
  char digits[24];
  const char* const end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  text.append(digits, static_cast<size_t>(end - digits));
}

// Where each diagnostic stands: those that know their line are placed on
// it, the others found in one pass.
std::vector<SourcePosition> PositionsOf(std::string_view source,
                                        std::span<const Diagnostic> diagnostics) {
  std::vector<size_t> unplaced;
  for (const Diagnostic& d : diagnostics) {
    if (d.line == 0) unplaced.push_back(d.offset);
  }
  const std::vector<SourcePosition> found = LocateAll(source, unplaced);
  std::vector<SourcePosition> positions;
  positions.reserve(diagnostics.size());
  size_t next = 0;
  for (const Diagnostic& d : diagnostics) {
    positions.push_back(d.line == 0 ? found[next++]
                                    : PositionInLine(source, d.line, d.line_start,
                                                     std::min(d.offset, source.size())));
  }
  return positions;
}

}  // namespace

void PrintDiagnostics(std::ostream& out, std::string_view source_name, std::string_view source,
                      std::span<const Diagnostic> diagnostics, bool plain) {
  if (diagnostics.empty()) return;
  const std::vector<SourcePosition> positions = PositionsOf(source, diagnostics);
  // Sized once: a large source can draw many thousands of lines.
  size_t size = 0;
  for (size_t i = 0; i < diagnostics.size(); ++i) {
    size += source_name.size() + diagnostics[i].message.size() + 48;
    if (!plain) size += 2 * positions[i].line_text.size() + 4;
  }
  std::string text;
  text.reserve(size);
  for (size_t i = 0; i < diagnostics.size(); ++i) {
    const Diagnostic& d = diagnostics[i];
    const SourcePosition& at = positions[i];
    text.append(source_name);
    text += ':';
    AppendNumber(text, at.line);
    text += ':';
    AppendNumber(text, at.column);
    text += ": ";
    text.append(SeverityName(d.severity));
    text += ": ";
    text += d.message;
    text += '\n';
    if (!plain) {
      text.append(at.line_text);
      text += '\n';
      const size_t within = std::min(d.offset, source.size()) - at.line_start;
      AppendCaretLine(text, at.line_text, within, std::max<size_t>(d.length, 1));
      text += '\n';
    }
  }
  out << text;
}

}  // namespace kiv::tool

#include "kiv/diagnostics.h"

#include <algorithm>
#include <charconv>
#include <string>
#include <system_error>
#include <thread>
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

void AppendDiagnostic(std::string& text, std::string_view source_name, std::string_view source,
                      const Diagnostic& d, const SourcePosition& at, bool plain) {
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

// A large source can draw many thousands of lines: they are written a piece
// of about this size at a time, from one buffer.
constexpr size_t kPiece = size_t{1} << 18;

// From this many on, the second half is formatted on a thread of its own
// while the first is written.
constexpr size_t kSplitPrinting = 4096;

// Formats `diagnostics`, taking the position of each unplaced one from
// `found` in turn, into `text`; written to `out` a piece at a time when given.
void FormatDiagnostics(std::string& text, std::ostream* out, std::string_view source_name,
                       std::string_view source, std::span<const Diagnostic> diagnostics,
                       std::span<const SourcePosition> found, bool plain) {
  size_t next_found = 0;
  for (const Diagnostic& d : diagnostics) {
    const SourcePosition at = d.line == 0 ? found[next_found++]
                                          : PositionInLine(source, d.line, d.line_start,
                                                           std::min(d.offset, source.size()));
    AppendDiagnostic(text, source_name, source, d, at, plain);
    if (out != nullptr && text.size() >= kPiece) {
      out->write(text.data(), static_cast<std::streamsize>(text.size()));
      text.clear();
    }
  }
}

}  // namespace

void PrintDiagnostics(std::ostream& out, std::string_view source_name, std::string_view source,
                      std::span<const Diagnostic> diagnostics, bool plain) {
  if (diagnostics.empty()) return;
  // Those the checker has placed on their lines are placed here as they are
  // printed; the others are found first, in one pass.
  std::vector<size_t> unplaced;
  for (const Diagnostic& d : diagnostics) {
    if (d.line == 0) unplaced.push_back(d.offset);
  }
  const std::vector<SourcePosition> found = LocateAll(source, unplaced);
  size_t half = diagnostics.size();
  std::string later;
  std::jthread second;
  if (diagnostics.size() >= kSplitPrinting) {
    half = diagnostics.size() / 2;
    const auto first_half = diagnostics.first(half);
    const auto found_before = static_cast<size_t>(std::count_if(
        first_half.begin(), first_half.end(), [](const Diagnostic& d) { return d.line == 0; }));
    try {
      second = std::jthread([&, found_before] {
        FormatDiagnostics(later, nullptr, source_name, source, diagnostics.subspan(half),
                          std::span(found).subspan(found_before), plain);
      });
    } catch (const std::system_error&) {
      half = diagnostics.size();  // no thread to be had: all here
    }
  }
  std::string text;
  text.reserve(kPiece + 1024);
  FormatDiagnostics(text, &out, source_name, source, diagnostics.first(half), found, plain);
  out.write(text.data(), static_cast<std::streamsize>(text.size()));
  if (second.joinable()) {
    second.join();
    out.write(later.data(), static_cast<std::streamsize>(later.size()));
  }
}

}  // namespace kiv::tool

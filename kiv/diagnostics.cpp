#include "kiv/diagnostics.h"

#include <algorithm>
#include <charconv>
#include <cstring>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "common/processors.h"
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

// Each diagnostic is written into room made for it at once: a large source
// can draw many thousands of them, and appending a byte at a time with a
// check of the room for each was most of the printing's time.
class TextWriter {
 public:
  explicit TextWriter(char* at) : at_(at) {}
  char* at() const { return at_; }
  void Put(char c) { *at_++ = c; }
  void Put(std::string_view s) {
    std::memcpy(at_, s.data(), s.size());
    at_ += s.size();
  }
  void PutNumber(size_t value) { at_ = std::to_chars(at_, at_ + kMostDigits, value).ptr; }
  static constexpr size_t kMostDigits = 20;

  // The caret line keeps every tab of the source line before the token, so
  // the caret stands under the token whatever tab width the reader's terminal
  // uses; a character of several bytes takes one column.
  void PutCaretLine(std::string_view line, size_t column_offset, size_t length) {
    const size_t before = std::min(column_offset, line.size());
    const size_t rest = std::min(length, line.size() - before);
    if (OneColumnEach(line.substr(0, before + rest))) {
      // Nearly every line: a blank for each byte, then the caret and the
      // underline, a byte each.
      std::memset(at_, ' ', before);
      at_ += before;
      *at_++ = '^';
      if (rest > 1) {
        std::memset(at_, '~', rest - 1);
        at_ += rest - 1;
      }
      return;
    }
    for (size_t i = 0; i < before; ++i) {
      const auto byte = static_cast<unsigned char>(line[i]);
      *at_ = byte == '\t' ? '\t' : ' ';
      at_ += (byte & 0xc0) != 0x80;
    }
    *at_++ = '^';
    // The underline ends with the line: a token never spans a line end.
    for (size_t i = 1; i < rest; ++i) {
      *at_ = '~';
      at_ += (static_cast<unsigned char>(line[before + i]) & 0xc0) != 0x80;
    }
  }

 private:
  char* at_;
};

void AppendDiagnostic(std::string& text, std::string_view source_name, std::string_view source,
                      const Diagnostic& d, const SourcePosition& at, bool plain) {
  const std::string_view severity = SeverityName(d.severity);
  // At most: the caret line is no longer than the source line and its caret.
  const size_t most = source_name.size() + 2 * TextWriter::kMostDigits + severity.size() +
                      d.message.size() + 7 + (plain ? 0 : 2 * at.line_text.size() + 3);
  const size_t begin = text.size();
  text.resize(begin + most);
  TextWriter out(text.data() + begin);
  out.Put(source_name);
  out.Put(':');
  out.PutNumber(at.line);
  out.Put(':');
  out.PutNumber(at.column);
  out.Put(": ");
  out.Put(severity);
  out.Put(": ");
  out.Put(d.message);
  out.Put('\n');
  if (!plain) {
    out.Put(at.line_text);
    out.Put('\n');
    const size_t within = std::min(d.offset, source.size()) - at.line_start;
    out.PutCaretLine(at.line_text, within, std::max<size_t>(d.length, 1));
    out.Put('\n');
  }
  text.resize(static_cast<size_t>(out.at() - text.data()));
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
  for (size_t i = 0; i < diagnostics.size(); ++i) {
    // Each diagnostic reads its message and its source line from places a
    // large source scatters far apart: both are fetched a few diagnostics
    // ahead, so that the misses overlap rather than follow one another.
    constexpr size_t kAhead = 8;
    if (i + kAhead < diagnostics.size()) {
      const Diagnostic& later = diagnostics[i + kAhead];
      __builtin_prefetch(later.message.data());
      if (later.line != 0 && later.line_start < source.size()) {
        __builtin_prefetch(source.data() + later.line_start);
      }
    }
    const Diagnostic& d = diagnostics[i];
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
      second = StartBeside([&, found_before] {
        const auto rest = diagnostics.subspan(half);
        // Room for all of it, most likely, so that it is never copied as it
        // grows: room never written costs nothing.
        size_t room = 0;
        for (const Diagnostic& d : rest) room += d.message.size() + source_name.size() + 192;
        later.reserve(room);
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

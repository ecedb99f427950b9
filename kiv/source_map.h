// Where a byte of a source lies for a reader: its line, its column as an
// editor shows it, and the text of its line. The table of line starts is
// built on the first look-up, in one pass; a source that draws no message
// never pays for it. Many offsets at once are placed by one sweep instead.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace kiv::tool {

struct SourcePosition {
  size_t line = 1;             // 1-based
  size_t column = 1;           // 1-based, tab stops every 8 columns
  std::string_view line_text;  // without its line end
  size_t line_start = 0;       // offset of the line's first byte
};

class SourceMap {
 public:
  explicit SourceMap(std::string_view source) : source_(source) {}

  // Offsets at or past the end fall on the last line.
  SourcePosition Locate(size_t offset) const;

  // The offset of a 0-based line's first byte; the end of the source for a
  // line past the last.
  size_t LineStart(size_t line_index) const;
  size_t line_count() const;

 private:
  void Build() const;

  std::string_view source_;
  mutable std::vector<size_t> line_starts_;  // empty until the first look-up
};

// The indices that put `keys` in ascending order, equal keys as given: at
// once when they are in order already, as most offsets of findings are.
std::vector<size_t> AscendingOrder(std::span<const size_t> keys);

// The positions of `offsets` (in any order) in one pass over the text, with
// no table of every line.
std::vector<SourcePosition> LocateAll(std::string_view text, std::span<const size_t> offsets);

// The line of each of `offsets` (in any order) and where it starts, in one
// pass: LocateAll without the columns and line texts.
struct LinePlace {
  size_t line = 1;  // 1-based
  size_t line_start = 0;
};

std::vector<LinePlace> LinesOf(std::string_view text, std::span<const size_t> offsets);

// The first byte of each 1-based line of `lines` (in any order), in one pass;
// the end of the text for a line past the last.
std::vector<size_t> LineStartsOf(std::string_view text, std::span<const size_t> lines);

// The position of `offset` in a line that starts at `line_start`.
SourcePosition PositionInLine(std::string_view text, size_t line, size_t line_start, size_t offset);

// The display column (1-based) of `offset` within `line`: a tab moves to the
// next multiple of 8 plus one, and the continuation bytes of a UTF-8
// character take no column of their own.
size_t DisplayColumn(std::string_view line, size_t offset);

// Whether each byte of `bytes` takes one column of its own: no tab, and no
// byte of a character of several (nearly every line of a source), eight
// bytes at a time.
bool OneColumnEach(std::string_view bytes);

}  // namespace kiv::tool

// Where a byte of a source lies for a reader: its line, its column as an
// editor shows it, and the text of its line. Built once per source in one
// pass over it; each look-up is a binary search over the line starts.
#pragma once

#include <cstddef>
#include <string_view>
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
  explicit SourceMap(std::string_view source);

  // Offsets at or past the end fall on the last line.
  SourcePosition Locate(size_t offset) const;

  // The offset of a 0-based line's first byte; the end of the source for a
  // line past the last.
  size_t LineStart(size_t line_index) const;
  size_t line_count() const { return line_starts_.size(); }

 private:
  std::string_view source_;
  std::vector<size_t> line_starts_;
};

// The display column (1-based) of `offset` within `line`: a tab moves to the
// next multiple of 8 plus one, and the continuation bytes of a UTF-8
// character take no column of their own.
size_t DisplayColumn(std::string_view line, size_t offset);

}  // namespace kiv::tool

#include "kiv/source_map.h"

#include <algorithm>

namespace kiv::tool {

SourceMap::SourceMap(std::string_view source) : source_(source) {
  line_starts_.push_back(0);
  for (size_t pos = source.find('\n'); pos != std::string_view::npos;
       pos = source.find('\n', pos + 1)) {
    line_starts_.push_back(pos + 1);
  }
}

size_t SourceMap::LineStart(size_t line_index) const {
  return line_index < line_starts_.size() ? line_starts_[line_index] : source_.size();
}

SourcePosition SourceMap::Locate(size_t offset) const {
  offset = std::min(offset, source_.size());
  // The last line start not after the offset.
  const auto after = std::upper_bound(line_starts_.begin(), line_starts_.end(), offset);
  const auto line_index = static_cast<size_t>(after - line_starts_.begin()) - 1;
  const size_t start = line_starts_[line_index];
  size_t end = LineStart(line_index + 1);
  if (end > start && end <= source_.size() && source_[end - 1] == '\n') --end;
  if (end > start && source_[end - 1] == '\r') --end;
  SourcePosition position;
  position.line = line_index + 1;
  position.line_start = start;
  position.line_text = source_.substr(start, end - start);
  position.column = DisplayColumn(position.line_text, std::min(offset - start, end - start));
  return position;
}

size_t DisplayColumn(std::string_view line, size_t offset) {
  size_t column = 1;
  for (size_t i = 0; i < offset && i < line.size(); ++i) {
    const auto byte = static_cast<unsigned char>(line[i]);
    if (byte == '\t') {
      column = (column - 1) / 8 * 8 + 9;
    } else if ((byte & 0xc0) != 0x80) {
      ++column;
    }
  }
  return column;
}

}  // namespace kiv::tool

#include "kiv/source_map.h"

#include <algorithm>
#include <numeric>

#include "assembly/byte_set_bits.h"

namespace kiv::tool {

void SourceMap::Build() const {
  line_starts_.push_back(0);
  assembly::ByteSetFinder<'\n'> newlines(source_);
  for (size_t p = newlines.Next(0); p < source_.size(); p = newlines.Next(p + 1)) {
    line_starts_.push_back(p + 1);
  }
}

size_t SourceMap::line_count() const {
  if (line_starts_.empty()) Build();
  return line_starts_.size();
}

size_t SourceMap::LineStart(size_t line_index) const {
  return line_index < line_count() ? line_starts_[line_index] : source_.size();
}

SourcePosition SourceMap::Locate(size_t offset) const {
  if (line_starts_.empty()) Build();
  offset = std::min(offset, source_.size());
  // The last line start not after the offset.
  const auto after = std::upper_bound(line_starts_.begin(), line_starts_.end(), offset);
  const auto line_index = static_cast<size_t>(after - line_starts_.begin()) - 1;
  return PositionInLine(source_, line_index + 1, line_starts_[line_index], offset);
}

SourcePosition PositionInLine(std::string_view text, size_t line, size_t line_start,
                              size_t offset) {
  size_t end = text.find('\n', line_start);
  if (end == std::string_view::npos) end = text.size();
  if (end > line_start && text[end - 1] == '\r') --end;
  SourcePosition position;
  position.line = line;
  position.line_start = line_start;
  position.line_text = text.substr(line_start, end - line_start);
  position.column = DisplayColumn(position.line_text, std::min(offset, end) - line_start);
  return position;
}

std::vector<SourcePosition> LocateAll(std::string_view text, std::span<const size_t> offsets) {
  std::vector<size_t> order(offsets.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return offsets[a] < offsets[b]; });
  std::vector<SourcePosition> positions(offsets.size());
  assembly::ByteSetFinder<'\n'> newlines(text);
  size_t line = 1;
  size_t line_start = 0;
  size_t next_newline = newlines.Next(0);
  for (const size_t i : order) {
    const size_t offset = std::min(offsets[i], text.size());
    while (next_newline < offset) {
      ++line;
      line_start = next_newline + 1;
      next_newline = newlines.Next(line_start);
    }
    positions[i] = PositionInLine(text, line, line_start, offset);
  }
  return positions;
}

std::vector<size_t> LineStartsOf(std::string_view text, std::span<const size_t> lines) {
  std::vector<size_t> order(lines.size());
  std::iota(order.begin(), order.end(), size_t{0});
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return lines[a] < lines[b]; });
  std::vector<size_t> starts(lines.size(), text.size());
  assembly::ByteSetFinder<'\n'> newlines(text);
  size_t line = 1;
  size_t line_start = 0;
  for (const size_t i : order) {
    while (line < lines[i] && line_start < text.size()) {
      const size_t newline = newlines.Next(line_start);
      if (newline >= text.size()) {
        line_start = text.size();
        break;
      }
      ++line;
      line_start = newline + 1;
    }
    if (line == lines[i]) starts[i] = line_start;
  }
  return starts;
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

#include "kiv/source_map.h"

#include <algorithm>
#include <bit>
#include <numeric>

#include "assembly/byte_set_bits.h"
#include "common/large_buffer.h"
#include "common/packed_bytes.h"

namespace kiv::tool {

void SourceMap::Build() const {
  // A guess at the line count that most sources stay within: room reserved
  // but never written costs nothing.
  ReserveLarge(line_starts_, source_.size() / 16 + 1);
  line_starts_.push_back(0);
  // The line ends of each 64-byte block at once, one bit scan each.
  for (size_t block = 0; block < source_.size(); block += assembly::kByteBlock) {
    const size_t left = source_.size() - block;
    uint64_t ends = left >= assembly::kByteBlock
                        ? assembly::ByteSetBits<'\n'>(source_.data() + block)
                        : assembly::ByteSetBitsOfTail<'\n'>(source_.data() + block, left);
    for (; ends != 0; ends &= ends - 1) {
      line_starts_.push_back(block + static_cast<size_t>(std::countr_zero(ends)) + 1);
    }
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

namespace {}  // namespace

std::vector<size_t> AscendingOrder(std::span<const size_t> keys) {
  std::vector<size_t> order(keys.size());
  std::iota(order.begin(), order.end(), size_t{0});
  // Diagnostics come mostly sorted already.
  if (std::is_sorted(keys.begin(), keys.end())) return order;
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return keys[a] < keys[b]; });
  return order;
}

namespace {

// Just past the n-th line end at or after `pos` (n at least 1), or the end
// of the text. Whole 64-byte blocks are counted at once.
size_t SkipLines(std::string_view text, size_t pos, size_t n) {
  while (pos < text.size()) {
    const size_t left = text.size() - pos;
    uint64_t bits = left >= assembly::kByteBlock
                        ? assembly::ByteSetBits<'\n'>(text.data() + pos)
                        : assembly::ByteSetBitsOfTail<'\n'>(text.data() + pos, left);
    const size_t count = assembly::CountSetBits(bits);
    if (count < n) {
      n -= count;
      pos += std::min(left, assembly::kByteBlock);
      continue;
    }
    for (size_t k = 1; k < n; ++k) bits &= bits - 1;  // drop the line ends before the n-th
    return pos + static_cast<size_t>(std::countr_zero(bits)) + 1;
  }
  return text.size();
}

}  // namespace

std::vector<LinePlace> LinesOf(std::string_view text, std::span<const size_t> offsets) {
  std::vector<LinePlace> places(offsets.size());
  LinePlace at;
  size_t counted_to = 0;  // line ends before here are in `at.line`
  for (const size_t i : AscendingOrder(offsets)) {
    const size_t offset = std::min(offsets[i], text.size());
    const size_t ends = assembly::CountByteSet<'\n'>(text.substr(counted_to, offset - counted_to));
    if (ends > 0) {
      at.line += ends;
      // Each line is searched back over once at most.
      at.line_start = text.rfind('\n', offset - 1) + 1;
    }
    counted_to = offset;
    places[i] = at;
  }
  return places;
}

std::vector<SourcePosition> LocateAll(std::string_view text, std::span<const size_t> offsets) {
  const std::vector<LinePlace> places = LinesOf(text, offsets);
  std::vector<SourcePosition> positions(offsets.size());
  for (size_t i = 0; i < offsets.size(); ++i) {
    positions[i] = PositionInLine(text, places[i].line, places[i].line_start,
                                  std::min(offsets[i], text.size()));
  }
  return positions;
}

std::vector<size_t> LineStartsOf(std::string_view text, std::span<const size_t> lines) {
  std::vector<size_t> starts(lines.size(), text.size());
  size_t line = 1;
  size_t line_start = 0;
  for (const size_t i : AscendingOrder(lines)) {
    if (lines[i] > line && line_start < text.size()) {
      line_start = SkipLines(text, line_start, lines[i] - line);
      line = lines[i];
    }
    if (line == lines[i]) starts[i] = line_start;
  }
  return starts;
}

bool OneColumnEach(std::string_view bytes) {
  size_t i = 0;
  for (; i + 8 <= bytes.size(); i += 8) {
    const uint64_t word = Load8(bytes.data() + i);
    if ((word & kHighBits) != 0 || BytesEqual(word, '\t') != 0) return false;
  }
  for (; i < bytes.size(); ++i) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte == '\t' || byte >= 0x80) return false;
  }
  return true;
}

size_t DisplayColumn(std::string_view line, size_t offset) {
  offset = std::min(offset, line.size());
  if (OneColumnEach(line.substr(0, offset))) return offset + 1;
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

// The label definitions of a source as the listing's symbol table names
// them: the text before a colon outside quotes and comments, leading blanks
// left out, with the line it stands on.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "kiv/slot_sources.h"

namespace kiv::tool {

struct LabelLine {
  std::string_view name;
  uint32_t line;  // 1-based
};

// In source order. Only the lines that hold a colon or a quote are read:
// a search over the whole text finds them, so most lines are never looked at.
std::vector<LabelLine> LabelLines(std::string_view source, const LineIndex& lines);

// The plain twin, line by line, for the test that compares them.
std::vector<LabelLine> LabelLinesPlain(const LineIndex& lines);

// What the listing needs of the source alone: made before or beside the
// chain, which does not need it.
struct SourceLines {
  LineIndex lines;
  std::vector<LabelLine> labels;
};

SourceLines ReadSourceLines(std::string_view source);

}  // namespace kiv::tool

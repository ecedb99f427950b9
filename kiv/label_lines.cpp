#include "kiv/label_lines.h"

#include "assembly/byte_set_bits.h"

namespace kiv::tool {
namespace {

// Reads one line: each colon outside quotes ends a name, a comment ends the
// line, and whether a quote is open carries over to the next line.
void ReadLine(std::string_view line, uint32_t number, bool& quoted,
              std::vector<LabelLine>& labels) {
  size_t name_start = 0;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ':' && !quoted) {
      std::string_view name = line.substr(name_start, i - name_start);
      while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) name.remove_prefix(1);
      labels.push_back({name, number});
      name_start = i + 1;
    } else if ((c == '#' || c == ';') && !quoted) {
      break;  // a colon in a comment names nothing
    }
  }
}

}  // namespace

// A line with neither a colon nor a quote changes nothing, quoted or not:
// only the lines the search lands on are read.
std::vector<LabelLine> LabelLines(std::string_view source, const LineIndex& lines) {
  std::vector<LabelLine> labels;
  assembly::ByteSetFinder<':', '"'> specials(source);
  bool quoted = false;
  for (size_t at = specials.Next(0); at < source.size();) {
    const uint32_t number = lines.LineOf(at);
    ReadLine(lines.Line(number), number, quoted, labels);
    if (number == lines.line_count()) break;
    at = specials.Next(lines.LineStart(number + 1));
  }
  return labels;
}

std::vector<LabelLine> LabelLinesPlain(const LineIndex& lines) {
  std::vector<LabelLine> labels;
  bool quoted = false;
  for (uint32_t number = 1; number <= lines.line_count(); ++number) {
    ReadLine(lines.Line(number), number, quoted, labels);
  }
  return labels;
}

SourceLines ReadSourceLines(std::string_view source) {
  SourceLines read{LineIndex(source), {}};
  read.labels = LabelLines(source, read.lines);
  return read;
}

}  // namespace kiv::tool

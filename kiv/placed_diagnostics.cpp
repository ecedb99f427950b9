#include "kiv/placed_diagnostics.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "kiv/source_map.h"

namespace kiv::tool {
namespace {

// Whether `offset` lies on the line of `source` that starts at `start`: no
// line end between them.
bool OnLine(std::string_view source, size_t start, size_t offset) {
  return source.substr(start, offset - start).find('\n') == std::string_view::npos;
}

// Each diagnostic's line in the normalised text and where that starts: the
// line it carries, else counted, all of those in one pass.
std::vector<LinePlace> LinesInText(const std::vector<Diagnostic>& diagnostics,
                                   std::string_view formatted, size_t first_line) {
  std::vector<LinePlace> places(diagnostics.size());
  std::vector<size_t> counted;  // indices of those whose line is counted
  std::vector<size_t> offsets;
  for (size_t i = 0; i < diagnostics.size(); ++i) {
    const Diagnostic& d = diagnostics[i];
    const size_t offset = std::min(d.offset, formatted.size());
    if (d.line != 0 && d.line_start <= offset) {
      places[i] = LinePlace{first_line - 1 + d.line, d.line_start};
    } else {
      counted.push_back(i);
      offsets.push_back(d.offset);
    }
  }
  if (counted.empty()) return places;
  const std::vector<LinePlace> found = LinesOf(formatted, offsets);
  for (size_t k = 0; k < counted.size(); ++k) places[counted[k]] = found[k];
  return places;
}

}  // namespace

void MoveToSource(std::vector<Diagnostic>& diagnostics, std::string_view formatted,
                  std::string_view source, const CommentMap* comments, size_t first_line) {
  std::vector<size_t> offsets;
  offsets.reserve(diagnostics.size());
  for (const Diagnostic& d : diagnostics) offsets.push_back(std::min(d.offset, formatted.size()));
  const std::vector<LinePlace> places = LinesInText(diagnostics, formatted, first_line);
  std::vector<size_t> starts;
  if (comments != nullptr) {
    // The line starts as far on as the offsets: no comment lies between a
    // line's start and what a diagnostic points at on it.
    starts = comments->DroppedBefore(offsets);
    for (size_t i = 0; i < starts.size(); ++i) starts[i] += places[i].line_start;
  } else {
    std::vector<size_t> lines;
    lines.reserve(places.size());
    for (const LinePlace& at : places) lines.push_back(at.line);
    starts = LineStartsOf(source, lines);
  }
  for (size_t i = 0; i < diagnostics.size(); ++i) {
    const size_t within = offsets[i] - places[i].line_start;
    Diagnostic& d = diagnostics[i];
    d.offset = std::min(starts[i] + within, source.size());
    // Only where the source has that line and the offset lies on it; the
    // printer places any other itself.
    if (starts[i] < source.size() && OnLine(source, starts[i], d.offset)) {
      d.line = places[i].line;
      d.line_start = starts[i];
    } else {
      d.line = 0;
      d.line_start = 0;
    }
  }
}

PlacedDiagnostics PlaceDiagnostics(Report& report, std::string_view formatted,
                                   std::string_view source, const CommentMap* comments,
                                   size_t first_line) {
  PlacedDiagnostics placed;
  placed.diagnostics = report.Finish();
  placed.sorted_by.reserve(placed.diagnostics.size());
  for (const Diagnostic& d : placed.diagnostics) placed.sorted_by.push_back(d.offset);
  MoveToSource(placed.diagnostics, formatted, source, comments, first_line);
  return placed;
}

PlacedDiagnostics MergePlacedBatches(PlacedDiagnostics earlier, PlacedDiagnostics later) {
  if (later.diagnostics.empty()) return earlier;
  if (earlier.diagnostics.empty()) return later;
  // A later part of the text's batch, as the pieces of a walk give them:
  // it goes after the earlier one as it is. (The earlier batch's groups are
  // in order: its last group's first diagnostic has the largest key.)
  size_t last_group = earlier.diagnostics.size() - 1;
  while (last_group > 0 && earlier.diagnostics[last_group].severity == Severity::kNote) {
    --last_group;
  }
  if (later.diagnostics.front().severity != Severity::kNote &&
      later.sorted_by.front() >= earlier.sorted_by[last_group]) {
    earlier.diagnostics.insert(earlier.diagnostics.end(),
                               std::make_move_iterator(later.diagnostics.begin()),
                               std::make_move_iterator(later.diagnostics.end()));
    earlier.sorted_by.insert(earlier.sorted_by.end(), later.sorted_by.begin(),
                             later.sorted_by.end());
    return earlier;
  }
  PlacedDiagnostics merged;
  merged.diagnostics.reserve(earlier.diagnostics.size() + later.diagnostics.size());
  merged.sorted_by.reserve(merged.diagnostics.capacity());
  const auto take = [&merged](PlacedDiagnostics& from, size_t i) {
    merged.diagnostics.push_back(std::move(from.diagnostics[i]));
    merged.sorted_by.push_back(from.sorted_by[i]);
  };
  size_t next = 0;  // in `later`
  // A later diagnostic goes in with its notes, never between an earlier one
  // and its notes, and only before an earlier one at a larger offset.
  const auto take_later_before = [&](size_t key) {
    while (next < later.diagnostics.size() && later.sorted_by[next] < key) {
      take(later, next++);
      while (next < later.diagnostics.size() &&
             later.diagnostics[next].severity == Severity::kNote) {
        take(later, next++);
      }
    }
  };
  for (size_t i = 0; i < earlier.diagnostics.size(); ++i) {
    if (earlier.diagnostics[i].severity != Severity::kNote) take_later_before(earlier.sorted_by[i]);
    take(earlier, i);
  }
  while (next < later.diagnostics.size()) take(later, next++);
  return merged;
}

std::vector<Diagnostic> MergePlaced(PlacedDiagnostics earlier, PlacedDiagnostics later) {
  return MergePlacedBatches(std::move(earlier), std::move(later)).diagnostics;
}

}  // namespace kiv::tool

// Diagnostics sorted and moved from the normalised text to the source in
// two batches: what the checks' thread found, placed on that thread while
// the calling thread still lays the program out, and the few the calling
// thread adds afterwards. Merged, they come out as one batch would.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "kiv/checker_comments.h"
#include "kiv/checker_report.h"
#include "kiv/diagnostics.h"
#include "kiv/source_map.h"

namespace kiv::tool {

struct PlacedDiagnostics {
  std::vector<Diagnostic> diagnostics;  // as Report::Finish gives them, at offsets into the source
  std::vector<size_t> sorted_by;        // each one's offset into the normalised text, its sort key
};

// The checks place every diagnostic in the normalised text, which keeps
// every line and every column before a comment: an offset there lies at the
// same line and column of the source. Each diagnostic keeps its line, so
// that the printer need not look for it again.
// `comments`, when given, are where the normaliser dropped comments from
// `source`: each offset is moved on by what they dropped before it, rather
// than placed by counting the source's lines.
// A diagnostic that carries its line in the normalised text (Report::
// CarryLines) keeps it: lines carried by a
// walk that began on line `first_line` count from 1 there. The others' lines
// are counted.
void MoveToSource(std::vector<Diagnostic>& diagnostics, std::string_view formatted,
                  std::string_view source, const CommentMap* comments = nullptr,
                  size_t first_line = 1);

// Finishes the report (it stays usable, its first error known) and moves
// what it held to the source.
PlacedDiagnostics PlaceDiagnostics(Report& report, std::string_view formatted,
                                   std::string_view source, const CommentMap* comments = nullptr,
                                   size_t first_line = 1);

// Both batches in the order Report::Finish gives a report that took
// `earlier` first and `later` after it: by offset in the normalised text,
// each diagnostic with its notes, the earlier batch first at equal offsets.
std::vector<Diagnostic> MergePlaced(PlacedDiagnostics earlier, PlacedDiagnostics later);

// The same, keeping each one's sort key, for a merge with a batch after it.
PlacedDiagnostics MergePlacedBatches(PlacedDiagnostics earlier, PlacedDiagnostics later);

}  // namespace kiv::tool

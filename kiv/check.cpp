#include "kiv/check.h"

#include <algorithm>

#include "kiv/checker_chain.h"
#include "kiv/checker_labels.h"
#include "kiv/checker_layout.h"
#include "kiv/checker_report.h"
#include "kiv/checker_statements.h"
#include "kiv/source_map.h"

namespace kiv::tool {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The checks run on the normalised text, which keeps every line and every
// column before a comment: an offset there lies at the same line and column
// of the source.
void MoveToSource(std::vector<Diagnostic>& diagnostics, std::string_view formatted,
                  std::string_view source) {
  std::vector<size_t> offsets;
  offsets.reserve(diagnostics.size());
  for (const Diagnostic& d : diagnostics) offsets.push_back(d.offset);
  const std::vector<SourcePosition> positions = LocateAll(formatted, offsets);
  std::vector<size_t> lines;
  lines.reserve(positions.size());
  for (const SourcePosition& at : positions) lines.push_back(at.line);
  const std::vector<size_t> starts = LineStartsOf(source, lines);
  for (size_t i = 0; i < diagnostics.size(); ++i) {
    const size_t within = std::min(offsets[i], formatted.size()) - positions[i].line_start;
    diagnostics[i].offset = std::min(starts[i] + within, source.size());
  }
}

}  // namespace

std::vector<Diagnostic> CheckSource(std::string_view source) {
  Report report;
  if (source.starts_with(kByteOrderMark)) {
    report.Warning(0, kByteOrderMark.size(),
                   "byte-order mark: the programs read it as part of the first token; save "
                   "the source without it");
  }
  const FrontEndRun front = RunFrontEnd(source);
  const std::string_view formatted = front.result.formatted;
  const SourceMap formatted_lines(formatted);

  std::vector<LabelDefinition> definitions = ScanLabelDefinitions(formatted);
  CheckDuplicateLabels(definitions, front.result.labels, report);
  WalkOptions walk;
  walk.definitions = definitions;
  const ProgramFacts facts =
      WalkStatements(formatted, formatted_lines, front.result.labels, report, walk);
  // Walked again, listing every statement, only for the messages of labels
  // the two passes count apart.
  const auto with_statements = [&] {
    Report again;
    WalkOptions keep;
    keep.keep_statements = true;
    return WalkStatements(formatted, formatted_lines, front.result.labels, again, keep);
  };
  CheckLabelCounts(formatted, definitions, front.result.labels, formatted_lines, with_statements,
                   report);
  CheckTransfersIntoData(formatted, facts, formatted_lines, report);

  if (front.result.status != assembly::Status::kSuccess) {
    ReportFrontEndFailure(front, report);
  } else if (const auto layout = RunBackEndLayout(front.result.object_text, facts, report)) {
    CheckBranchDistances(facts, *layout, report);
  }

  std::vector<Diagnostic> diagnostics = report.Finish();
  MoveToSource(diagnostics, formatted, source);
  return diagnostics;
}

bool HasError(const std::vector<Diagnostic>& diagnostics) {
  return std::any_of(diagnostics.begin(), diagnostics.end(),
                     [](const Diagnostic& d) { return d.severity == Severity::kError; });
}

}  // namespace kiv::tool

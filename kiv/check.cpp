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
void MoveToSource(std::vector<Diagnostic>& diagnostics, const SourceMap& formatted_lines,
                  const SourceMap& source_lines, size_t source_size) {
  for (Diagnostic& d : diagnostics) {
    const SourcePosition at = formatted_lines.Locate(d.offset);
    const size_t line_start = source_lines.LineStart(at.line - 1);
    d.offset = std::min(line_start + (d.offset - at.line_start), source_size);
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
  const ProgramFacts facts =
      WalkStatements(formatted, formatted_lines, front.result.labels, report);
  CheckLabelCounts(formatted, definitions, facts, front.result.labels, formatted_lines, report);
  CheckTransfersIntoData(formatted, facts, formatted_lines, report);

  if (front.result.status != assembly::Status::kSuccess) {
    ReportFrontEndFailure(front, report);
  } else if (const auto layout = RunBackEndLayout(front.result.object_text, facts, report)) {
    CheckBranchDistances(facts, *layout, report);
  }

  std::vector<Diagnostic> diagnostics = report.Finish();
  MoveToSource(diagnostics, formatted_lines, SourceMap(source), source.size());
  return diagnostics;
}

bool HasError(const std::vector<Diagnostic>& diagnostics) {
  return std::any_of(diagnostics.begin(), diagnostics.end(),
                     [](const Diagnostic& d) { return d.severity == Severity::kError; });
}

}  // namespace kiv::tool

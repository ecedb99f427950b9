#include "kiv/check.h"

#include <algorithm>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "kiv/checker_chain.h"
#include "kiv/checker_comments.h"
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

// What the walk over the normalised text finds: it needs the text and the
// labels, not the records, so it runs beside the encoding pass.
struct SourceChecks {
  std::vector<LabelDefinition> definitions;
  ProgramFacts facts;
  std::vector<Diagnostic> quotes_in_comments;  // at offsets into the source
};

void CheckStatements(std::string_view source, const FrontEndRun& front, const SourceMap& lines,
                     SourceChecks& checks, Report& report) {
  checks.quotes_in_comments = CheckQuotesInComments(source);
  checks.definitions = ScanLabelDefinitions(front.formatted);
  CheckDuplicateLabels(checks.definitions, front.labels, report);
  WalkOptions walk;
  walk.definitions = checks.definitions;
  checks.facts = WalkStatements(front.formatted, lines, front.labels, report, walk);
  // Walked again, listing every statement, only for the messages of labels
  // the two passes count apart.
  const auto with_statements = [&] {
    Report again;
    WalkOptions keep;
    keep.keep_statements = true;
    return WalkStatements(front.formatted, lines, front.labels, again, keep);
  };
  CheckLabelCounts(front.formatted, checks.definitions, front.labels, lines, with_statements,
                   report);
  CheckTransfersIntoData(front.formatted, checks.facts, lines, report);
}

}  // namespace

std::vector<Diagnostic> CheckSource(std::string_view source) {
  Report report;
  if (source.starts_with(kByteOrderMark)) {
    report.Warning(0, kByteOrderMark.size(),
                   "byte-order mark: the programs read it as part of the first token; save "
                   "the source without it");
  }
  FrontEndRun front;
  std::optional<SourceMap> formatted_lines;
  SourceChecks checks;
  {
    // Until the walk is joined, only it touches the report and the map of
    // the normalised text.
    std::jthread walk;
    RunFrontEnd(source, front, [&] {
      formatted_lines.emplace(front.formatted);
      const auto check = [&] { CheckStatements(source, front, *formatted_lines, checks, report); };
      try {
        walk = std::jthread(check);
      } catch (const std::system_error&) {
        check();  // no thread to be had: the walk runs before the encoding pass instead
      }
    });
    BackEndLayout layout;
    if (front.status == assembly::Status::kSuccess) layout = RunBackEndLayout(front.object_text);
    if (walk.joinable()) walk.join();
    if (front.status != assembly::Status::kSuccess) {
      ReportFrontEndFailure(front, report);
    } else {
      ReportBackEndRefusal(layout, checks.facts, report);
      if (layout.table) CheckBranchDistances(checks.facts, *layout.table, report);
    }
  }
  std::vector<Diagnostic> diagnostics = report.Finish();
  MoveToSource(diagnostics, front.formatted, source);
  MergeDiagnostics(diagnostics, std::move(checks.quotes_in_comments));
  return diagnostics;
}

bool HasError(const std::vector<Diagnostic>& diagnostics) {
  return std::any_of(diagnostics.begin(), diagnostics.end(),
                     [](const Diagnostic& d) { return d.severity == Severity::kError; });
}

}  // namespace kiv::tool

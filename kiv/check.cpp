#include "kiv/check.h"

#include <algorithm>
#include <atomic>
#include <latch>
#include <new>
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
#include "kiv/definition_feed.h"
#include "kiv/placed_diagnostics.h"
#include "kiv/second_half_walk.h"
#include "kiv/source_map.h"

namespace kiv::tool {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// What the checks over the text find: they need the text and the labels,
// not the records, so they run beside the encoding pass.
struct SourceChecks {
  LargeArray<LabelDefinition> definitions;  // made from the label pass's list
  // Whether the label pass read each name as the definitions hold it.
  bool names_as_listed = false;
  ProgramFacts facts;
  std::vector<Diagnostic> quotes_in_comments;  // at offsets into the source
  // Found after the label counts are compared, and reported after them.
  Report transfers_into_data;
  // Everything the report held when these checks ended, sorted and moved to
  // the source here, while the calling thread lays the program out.
  PlacedDiagnostics placed;
};

// Runs the checks over the text on a thread of their own, each as soon as
// the front end has made what it reads: the quotes in comments need the
// source alone, the walk the normalised text and the label definitions the
// label pass lists as it goes (the walk puts label operands aside until the
// pass has ended), the duplicate labels the labels too. When the pass has
// ended, the calling thread walks the text's second half, which the checks'
// thread takes over if its own walk arrives there with the same counts.
// Until Finish, only the checks' thread touches the report.
class ChecksBesideFrontEnd {
 public:
  ChecksBesideFrontEnd(std::string_view source, const FrontEndRun& front, Report& report)
      : source_(source), front_(front), report_(report) {
    try {
      thread_ = std::jthread([this] { Run(); });
    } catch (const std::system_error&) {
      // No thread to be had: everything runs when the labels are ready.
    }
  }
  // A front end that stopped early (it threw) still lets the thread go.
  ~ChecksBesideFrontEnd() {
    if (!labels_told_) abandoned_ = true;
    FormattedReady();
    TellLabelsReady();
  }
  ChecksBesideFrontEnd(const ChecksBesideFrontEnd&) = delete;
  ChecksBesideFrontEnd& operator=(const ChecksBesideFrontEnd&) = delete;

  void FormattedReady() { Tell(formatted_, formatted_told_); }
  // Where the label pass tells how many definitions it has listed.
  std::atomic<size_t>* listed() { return &listed_; }
  // Called once the label pass has ended; walks the second half, if any.
  void LabelsReady() {
    FormattedReady();
    const assembly::EncodingState* start = thread_.joinable() ? SecondHalfStart() : nullptr;
    if (start != nullptr) hand_over_.start.store(start, std::memory_order_release);
    TellLabelsReady();
    if (!thread_.joinable()) Run();
    if (start != nullptr) WalkSecondHalf(*start);
  }
  SourceChecks& Finish() {
    // The jumps into data are looked for here while the checks' thread
    // places what it found.
    facts_found_.wait();
    const SourceMap lines(front_.formatted);
    CheckTransfersIntoData(front_.formatted, checks_.facts, lines, exact_until_,
                           checks_.transfers_into_data);
    if (thread_.joinable()) thread_.join();
    return checks_;
  }

 private:
  static void Tell(std::latch& latch, bool& told) {
    if (told) return;
    told = true;
    latch.count_down();
  }
  void TellLabelsReady() {
    if (labels_told_) return;
    labels_told_ = true;
    labels_ready_.store(true, std::memory_order_release);
    labels_ready_.notify_all();
  }
  void Run();
  void Walk(const SourceMap& lines, Report& walk_report);
  const assembly::EncodingState* SecondHalfStart() const;
  void WalkSecondHalf(const assembly::EncodingState& start);

  std::string_view source_;
  const FrontEndRun& front_;
  Report& report_;
  SourceChecks checks_;
  // Found by the checks' thread before lines_found_; read by both threads
  // after that.
  SourceMap source_lines_{source_};
  std::latch lines_found_{1};
  // The line of the normalised text the second half begins on, as the first
  // half's walk counted to it; 0 when that walk did not hand over there.
  size_t second_half_line_ = 0;  // written before second_half_line_found_
  std::latch second_half_line_found_{1};
  PlacedDiagnostics walk_placed_;  // what the walk found, both halves
  std::latch formatted_{1};
  std::atomic<bool> labels_ready_{false};
  bool formatted_told_ = false;
  bool labels_told_ = false;
  bool abandoned_ = false;  // written before the labels are told ready
  // How many of the label pass's list of definitions are final.
  std::atomic<size_t> listed_{0};
  // The second half's walk: set up and run by the calling thread once the
  // label pass has ended.
  HandOver hand_over_;
  std::optional<SecondHalfWalk> second_half_;
  bool second_half_walked_ = false;  // written before second_half_done_
  std::latch second_half_done_{1};
  // The facts are final, and the first error of the report known.
  std::latch facts_found_{1};
  size_t exact_until_ = 0;  // written before facts_found_
  std::jthread thread_;     // last: it starts once everything above is set
};

// The first line start outside data past a share of what the checks'
// thread has still to walk, so that both threads end about together; none
// when there is no such line start. That thread's share is a little less
// than half: it reads a little slower (it also takes the label operands it
// put aside), and joins the halves when both have ended.
const assembly::EncodingState* ChecksBesideFrontEnd::SecondHalfStart() const {
  const std::vector<assembly::EncodingState>& starts = front_.walk_starts;
  const size_t reached = hand_over_.reached.load(std::memory_order_relaxed);
  const size_t middle = reached + (front_.formatted.size() - reached) / 64 * 27;
  auto start =
      std::lower_bound(starts.begin(), starts.end(), middle,
                       [](const assembly::EncodingState& s, size_t at) { return s.offset < at; });
  while (start != starts.end() && !CanWalkFrom(*start)) ++start;
  return start != starts.end() ? &*start : nullptr;
}

void ChecksBesideFrontEnd::WalkSecondHalf(const assembly::EncodingState& start) {
  lines_found_.wait();
  try {
    second_half_.emplace(front_.formatted, front_.labels, front_.defined, start,
                         /*keep_statements=*/false);
    second_half_->Run();
    // Placed once the first half has counted the lines before it.
    second_half_line_found_.wait();
    if (second_half_line_ != 0) second_half_->Place(source_, &source_lines_, second_half_line_);
    second_half_walked_ = true;
  } catch (const std::bad_alloc&) {
    // The checks' thread walks it itself, if it needs it.
  }
  second_half_done_.count_down();
}

void ChecksBesideFrontEnd::Walk(const SourceMap& lines, Report& walk_report) {
  // The label pass lists the definitions as it reads, far ahead of the walk.
  DefinitionFeed feed(front_.formatted, front_.defined, listed_, labels_ready_);
  WalkOptions walk;
  walk.feed = &feed;
  walk.labels_ready = &labels_ready_;
  walk.hand_over = &hand_over_;
  bool handed_over = false;
  checks_.facts =
      WalkStatements(front_.formatted, lines, front_.labels, walk_report, walk, handed_over);
  if (handed_over) second_half_line_ = checks_.facts.end_line;
  second_half_line_found_.count_down();
  // Those of the second half too: it has placed them on its own copies.
  // Made here, every name is compared with the pass's reading of it.
  feed.MakeBefore(SIZE_MAX);
  checks_.definitions = std::move(feed.definitions());
  checks_.names_as_listed = feed.names_as_listed();
  // What the walk found is placed on the source's lines at once, here and on
  // the thread of the second half, while the other thread may still walk.
  walk_placed_ = PlaceDiagnostics(walk_report, front_.formatted, source_, &source_lines_);
  if (!handed_over) return;
  second_half_done_.wait();
  if (!second_half_walked_) {
    const assembly::EncodingState& start = *hand_over_.start.load(std::memory_order_relaxed);
    second_half_.emplace(front_.formatted, front_.labels, front_.defined, start,
                         /*keep_statements=*/false);
    second_half_->Run();
    second_half_->Place(source_, &source_lines_, second_half_line_);
  }
  second_half_->JoinTo(checks_.facts, checks_.definitions, walk_report);
  walk_placed_ = MergePlacedBatches(std::move(walk_placed_), second_half_->TakePlaced());
}

void ChecksBesideFrontEnd::Run() {
  // The source's lines, for placing what the checks find, are found in the
  // same pass, while the normaliser runs.
  std::vector<size_t> line_starts;
  checks_.quotes_in_comments = CheckQuotesInComments(source_, &line_starts);
  source_lines_ = SourceMap(source_, std::move(line_starts));
  lines_found_.count_down();
  formatted_.wait();
  const std::string_view formatted = front_.formatted;
  const SourceMap lines(formatted);
  Report walk_report;
  Walk(lines, walk_report);
  // The walk has waited for the labels.
  if (abandoned_) return;
  // A duplicate label is reported before anything the walk found at its
  // offset, as if it had been checked before the walk.
  CheckDuplicateLabels(checks_.definitions, front_.labels, report_);
  report_.Absorb(std::move(walk_report));
  // The label counts add no error: the first one is known here.
  exact_until_ = report_.first_error_offset();
  facts_found_.count_down();
  checks_.placed = MergePlacedBatches(PlaceDiagnostics(report_, formatted, source_, &source_lines_),
                                      std::move(walk_placed_));
}

// A label whose two passes disagree. The statements are walked again,
// listing every one, only for the messages of labels counted apart.
void CheckLabelCounts(std::string_view formatted, const FrontEndRun& front,
                      const SourceChecks& checks, Report& report) {
  const SourceMap lines(formatted);
  const auto with_statements = [&] {
    Report again;
    WalkOptions keep;
    keep.keep_statements = true;
    return WalkStatements(formatted, lines, front.labels, again, keep);
  };
  // Most sources: the pass entered each label once, under the name the
  // definitions hold, and the walk noted the labels it placed elsewhere.
  if (checks.names_as_listed && front.labels.size() == checks.definitions.size()) {
    CheckLabelCountsAsListed(formatted, checks.definitions, checks.facts.counted_apart, lines,
                             with_statements, report);
    return;
  }
  CheckLabelCounts(formatted, checks.definitions, LabelPassValues(checks.definitions, front.labels),
                   lines, with_statements, report);
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
  std::vector<Diagnostic> quotes_in_comments;
  PlacedDiagnostics placed_beside;
  {
    ChecksBesideFrontEnd beside(source, front, report);
    RunLabelPass(
        source, front, [&] { beside.FormattedReady(); }, beside.listed());
    beside.LabelsReady();
    SourceChecks& checks = beside.Finish();
    // The encoding pass and the back end's layout only add to the checks when
    // something is wrong, or a branch is so far that its distance in bundles
    // depends on the layout: a source the checks find no error in is one the
    // programs accept.
    const bool programs_needed = front.status != assembly::Status::kSuccess || report.has_error() ||
                                 checks.transfers_into_data.has_error() || checks.facts.far_branch;
    BackEndLayout layout;
    if (programs_needed) {
      RunEncodingPass(front);
      if (front.status == assembly::Status::kSuccess) layout = RunBackEndLayout(front.object_text);
    }
    CheckLabelCounts(front.formatted, front, checks, report);
    report.Absorb(std::move(checks.transfers_into_data));
    if (front.status != assembly::Status::kSuccess) {
      ReportFrontEndFailure(front, report);
    } else if (programs_needed) {
      ReportBackEndRefusal(layout, checks.facts, report);
      if (layout.table) CheckBranchDistances(checks.facts, *layout.table, report);
    }
    quotes_in_comments = std::move(checks.quotes_in_comments);
    placed_beside = std::move(checks.placed);
  }
  // Only what was found after the checks' thread ended is placed here.
  std::vector<Diagnostic> diagnostics =
      MergePlaced(std::move(placed_beside), PlaceDiagnostics(report, front.formatted, source));
  MergeDiagnostics(diagnostics, std::move(quotes_in_comments));
  return diagnostics;
}

bool HasError(const std::vector<Diagnostic>& diagnostics) {
  return std::any_of(diagnostics.begin(), diagnostics.end(),
                     [](const Diagnostic& d) { return d.severity == Severity::kError; });
}

}  // namespace kiv::tool

#include "kiv/check.h"

#include <algorithm>
#include <atomic>
#include <latch>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>

#include "common/processors.h"
#include "kiv/checker_chain.h"
#include "kiv/checker_comments.h"
#include "kiv/checker_labels.h"
#include "kiv/checker_layout.h"
#include "kiv/checker_report.h"
#include "kiv/checker_statements.h"
#include "kiv/definition_feed.h"
#include "kiv/piece_walk.h"
#include "kiv/placed_diagnostics.h"
#include "kiv/source_map.h"

namespace kiv::tool {
namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The last piece of the text left after the label pass starts this many
// 64ths of the way in, a little past the middle: the checks' thread reads a
// little slower (it also takes the label operands it put aside), and the
// pieces between go to whichever thread comes to them first.
constexpr size_t kLastPieceFrom = 36;

// What the checks over the text find: they need the text and the labels,
// not the records, so they run beside the encoding pass.
struct SourceChecks {
  // Whether the label pass read each name as a scan reads it.
  bool names_as_listed = false;
  // And entered no name twice: then its value of each label is the index it
  // entered the label with, and only those the walk placed elsewhere can be
  // miscounted. Most sources.
  bool as_listed = false;
  // Made from the label pass's list only otherwise.
  LargeArray<LabelDefinition> definitions;
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
// ended, the calling thread walks the rest of the text in pieces, from its
// end backwards, until it meets the checks' thread's walk; that walk takes
// the pieces' findings over if it arrives at their first with the same
// counts (see PieceStarts). Until Finish, only the checks' thread touches
// the report. While the normaliser runs, that thread also enters the pages
// of the room the text is normalised into, and makes the label pass's room
// (see OfferLabelRoom): fresh pages, cleared as they are first written, are
// much of what the calling thread would otherwise wait for.
class ChecksBesideFrontEnd {
 public:
  ChecksBesideFrontEnd(std::string_view source, FrontEndRun& front, Report& report)
      : source_(source), front_(front), report_(report) {
    try {
      thread_ = StartBeside([this] {
        // Fresh pages are cleared as they are first written: from the end,
        // while the normaliser writes from the start, far slower than they
        // are cleared, they cost the calling thread little or nothing.
        front_.formatted_room.EnterPagesForWriting(/*last_first=*/true);
        Run();
      });
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
  // The label pass's room (see RunLabelPass), when the checks' thread has
  // made it or is making it; otherwise it is left to the label pass, which
  // then need not wait for that thread.
  std::optional<size_t> LabelRoom() {
    int state = kRoomOpen;
    if (room_state_.compare_exchange_strong(state, kRoomLeft, std::memory_order_acq_rel)) {
      return std::nullopt;
    }
    room_state_.wait(kRoomMaking, std::memory_order_acquire);
    return label_room_;
  }
  // Where the label pass tells how many definitions it has listed.
  std::atomic<size_t>* listed() { return &listed_; }
  // Called once the label pass has ended; walks pieces of the text, if any.
  void LabelsReady() {
    FormattedReady();
    if (thread_.joinable()) LayOutPieces();
    TellLabelsReady();
    if (!thread_.joinable()) Run();
    if (piece_starts_) WalkPieces();
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
  void OfferLabelRoom(size_t colons);
  void Walk(const SourceMap& lines, Report& walk_report);
  void LayOutPieces();
  void WalkPieces();
  void WalkPiece(size_t i);
  void PlacePieces();
  void JoinPieces(Report& walk_report);

  std::string_view source_;
  // Read only, but for the label pass's room made in OfferLabelRoom.
  FrontEndRun& front_;
  Report& report_;
  SourceChecks checks_;
  // Found by the checks' thread before comments_found_; read by both threads
  // after that.
  CommentMap source_comments_;
  std::latch comments_found_{1};
  // The label pass's room: made by the checks' thread unless the label pass
  // comes for it first.
  enum : int { kRoomOpen, kRoomMaking, kRoomMade, kRoomLeft };
  std::atomic<int> room_state_{kRoomOpen};
  std::optional<size_t> label_room_;  // written before kRoomMade
  // The line of the normalised text the first piece begins on, as the first
  // walk counted to it; 0 when that walk did not hand over there.
  size_t first_piece_line_ = 0;  // written before first_piece_line_found_
  std::latch first_piece_line_found_{1};
  PlacedDiagnostics walk_placed_;  // what the walk found, the pieces' too
  std::latch formatted_{1};
  std::atomic<bool> labels_ready_{false};
  bool formatted_told_ = false;
  bool labels_told_ = false;
  bool abandoned_ = false;  // written before the labels are told ready
  // How many of the label pass's list of definitions are final.
  std::atomic<size_t> listed_{0};
  // The pieces: laid out, taken and walked by the calling thread once the
  // label pass has ended; the last one first, then backwards.
  HandOver hand_over_;
  std::optional<PieceStarts> piece_starts_;
  size_t last_piece_ = 0;  // the one that runs to the end of the text
  // By start; only those taken are walked (none when there was no memory).
  std::vector<std::optional<PieceWalk>> pieces_;
  std::latch pieces_done_{1};
  // The facts are final, and the first error of the report known.
  std::latch facts_found_{1};
  size_t exact_until_ = 0;  // written before facts_found_
  std::jthread thread_;     // last: it starts once everything above is set
};

// The pieces start at the label pass's notes outside data ahead of where
// the checks' thread has read. The last piece, which the calling thread
// walks first, runs from a share of the way there to the end; the smaller
// ones before it go to whichever thread comes to them first, so that both
// threads end about together however fast each reads.
void ChecksBesideFrontEnd::LayOutPieces() {
  const size_t reached = hand_over_.reached.load(std::memory_order_relaxed);
  std::vector<assembly::EncodingState> starts;
  for (const assembly::EncodingState& note : front_.walk_starts) {
    if (note.offset > reached && CanWalkFrom(note)) starts.push_back(note);
  }
  if (starts.empty()) return;
  const size_t last_from = reached + (front_.formatted.size() - reached) / 64 * kLastPieceFrom;
  last_piece_ = starts.size() - 1;
  while (last_piece_ > 0 && starts[last_piece_ - 1].offset >= last_from) --last_piece_;
  pieces_.resize(starts.size());
  piece_starts_.emplace(std::move(starts));
  hand_over_.starts.store(&*piece_starts_, std::memory_order_release);
}

void ChecksBesideFrontEnd::WalkPieces() {
  comments_found_.wait();
  PieceStarts& starts = *piece_starts_;
  if (starts.TakeFrom(last_piece_)) {
    WalkPiece(last_piece_);
    while (const std::optional<size_t> next = starts.TakeNext()) WalkPiece(*next);
  }
  // Placed once the first walk has counted the lines before them.
  first_piece_line_found_.wait();
  if (first_piece_line_ != 0) PlacePieces();
  pieces_done_.count_down();
}

void ChecksBesideFrontEnd::WalkPiece(size_t i) {
  const PieceStarts& starts = *piece_starts_;
  try {
    pieces_[i].emplace(front_.formatted, front_.labels, front_.defined, starts[i],
                       /*keep_statements=*/false, i == last_piece_ ? nullptr : &starts[i + 1]);
    pieces_[i]->Run();
  } catch (const std::bad_alloc&) {
    pieces_[i].reset();  // the checks' thread walks from here itself
  }
}

// From the first walk's end on, each piece on the line the one before it
// ended on; up to a piece not walked, or one that read on to the end.
void ChecksBesideFrontEnd::PlacePieces() {
  size_t line = first_piece_line_;
  for (size_t i = piece_starts_->first_taken(); i <= last_piece_ && pieces_[i]; ++i) {
    PieceWalk& piece = *pieces_[i];
    try {
      piece.Place(source_, &source_comments_, line);
    } catch (const std::bad_alloc&) {
      pieces_[i].reset();  // the checks' thread walks from here itself
      break;
    }
    if (i == last_piece_ || !piece.stopped_there()) break;
    line += piece.end_line() - 1;
  }
}

// The pieces' findings follow the first walk's, in order. A piece that read
// on to the end is the last; one not walked is walked here, to the end.
void ChecksBesideFrontEnd::JoinPieces(Report& walk_report) {
  // Room for every piece's batch at once: the first walk's list would
  // otherwise be copied into fresh memory again and again as it grows.
  size_t placed = walk_placed_.diagnostics.size();
  for (size_t i = piece_starts_->first_taken(); i <= last_piece_; ++i) {
    if (pieces_[i]) placed += pieces_[i]->placed_count();
  }
  walk_placed_.diagnostics.reserve(placed);
  walk_placed_.sorted_by.reserve(placed);
  for (size_t i = piece_starts_->first_taken(); i <= last_piece_; ++i) {
    std::optional<PieceWalk>& piece = pieces_[i];
    const bool walked = piece.has_value();
    if (!walked) {
      piece.emplace(front_.formatted, front_.labels, front_.defined, (*piece_starts_)[i],
                    /*keep_statements=*/false);
      piece->Run();
      piece->Place(source_, &source_comments_, checks_.facts.end_line);
    }
    piece->JoinTo(checks_.facts, checks_.names_as_listed, walk_report);
    walk_placed_ = MergePlacedBatches(std::move(walk_placed_), piece->TakePlaced());
    if (!walked || i == last_piece_ || !piece->stopped_there()) break;
  }
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
  if (handed_over) first_piece_line_ = checks_.facts.end_line;
  first_piece_line_found_.count_down();
  // Those of the labels up to the first piece; the pieces' follow.
  checks_.names_as_listed = feed.names_as_listed();
  // What the walk found is placed on the source's lines at once, here and on
  // the thread of the pieces, while the other thread may still walk.
  walk_placed_ = PlaceDiagnostics(walk_report, front_.formatted, source_, &source_comments_);
  if (!handed_over) return;
  pieces_done_.wait();
  JoinPieces(walk_report);
}

void ChecksBesideFrontEnd::Run() {
  // Where the normaliser drops comments, for placing what the checks find on
  // the source's lines, is noted in the same pass, while the normaliser runs.
  size_t colons = 0;
  checks_.quotes_in_comments = CheckQuotesInComments(source_, &source_comments_, &colons);
  comments_found_.count_down();
  OfferLabelRoom(colons);
  formatted_.wait();
  const std::string_view formatted = front_.formatted;
  const SourceMap lines(formatted);
  Report walk_report;
  Walk(lines, walk_report);
  // The walk has waited for the labels.
  if (abandoned_) return;
  // A duplicate label is reported before anything the walk found at its
  // offset, as if it had been checked before the walk. Without one, and with
  // every name read alike, no definition need be made.
  checks_.as_listed = checks_.names_as_listed && front_.labels.size() == front_.defined.size();
  if (!checks_.as_listed) {
    checks_.definitions =
        MakeDefinitions(front_.formatted, front_.defined, 0, checks_.facts.counted_apart);
    CheckDuplicateLabels(checks_.definitions.span(), front_.labels, report_);
  }
  report_.Absorb(std::move(walk_report));
  // The label counts add no error: the first one is known here.
  exact_until_ = report_.first_error_offset();
  facts_found_.count_down();
  checks_.placed = MergePlacedBatches(
      PlaceDiagnostics(report_, formatted, source_, &source_comments_), std::move(walk_placed_));
}

// The label pass's room is made here while the normaliser still runs. The
// pass touches its table all over from its first labels on: the pages of the
// slots are entered here from the last, while it faults in others from the
// first it touches, so that where clearing them is slow, both threads clear.
void ChecksBesideFrontEnd::OfferLabelRoom(size_t colons) {
  int state = kRoomOpen;
  if (!room_state_.compare_exchange_strong(state, kRoomMaking, std::memory_order_acq_rel)) return;
  // Where the slots lie is taken before the label pass may touch the table.
  const void* slots = nullptr;
  size_t slot_bytes = 0;
  try {
    MakeLabelRoom(front_, colons);
    label_room_ = colons;
    slots = front_.labels.slot_room().data();
    slot_bytes = front_.labels.slot_room().size();
  } catch (const std::bad_alloc&) {
    // The label pass makes its room itself.
  }
  room_state_.store(kRoomMade, std::memory_order_release);
  room_state_.notify_all();
  EnterPagesForWriting(slots, slot_bytes, /*last_first=*/true);
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
  // Most sources: the pass entered each label once, under the name a scan
  // reads, and the walk noted the labels it placed elsewhere.
  if (checks.as_listed) {
    CheckLabelCountsAsListed(
        formatted, CountedApartDefinitions(formatted, front.defined, checks.facts.counted_apart),
        lines, with_statements, report);
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
  // Made here for the checks' thread to enter its pages while the calling
  // thread normalises into it (see ChecksBesideFrontEnd).
  front.formatted_room = LargeBlock(source.size());
  std::vector<Diagnostic> quotes_in_comments;
  PlacedDiagnostics placed_beside;
  {
    ChecksBesideFrontEnd beside(source, front, report);
    RunLabelPass(
        source, front, [&] { beside.FormattedReady(); }, beside.listed(),
        [&] { return beside.LabelRoom(); });
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

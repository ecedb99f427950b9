// The statement walk of a large text in pieces, on two threads: the label
// pass notes the counts at line starts spread over the text, a piece's walk
// reads from one of them into lists of its own, to the next piece's start
// (or the end), and the walk before it stops there only when it arrives with
// the same counts. Then the piece's findings follow the earlier walk's, as
// one walk would have made them; otherwise the earlier walk reads on alone
// and the piece's are dropped.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>
#include <vector>

#include "assembly/encoding_state.h"
#include "assembly/label_pass.h"
#include "assembly/label_table.h"
#include "common/large_array.h"
#include "kiv/checker_facts.h"
#include "kiv/checker_labels.h"
#include "kiv/checker_report.h"
#include "kiv/checker_statements.h"
#include "kiv/definition_feed.h"
#include "kiv/placed_diagnostics.h"
#include "kiv/source_map.h"

namespace kiv::tool {

// Whether a piece's walk can begin at `note`: only outside data.
bool CanWalkFrom(const assembly::EncodingState& note);

class PieceWalk {
 public:
  // The definitions from `start` on are made from the label pass's list of
  // the whole text's, as the walk comes to them. With `stop_at`, the walk
  // stops there when it arrives with the same counts, and otherwise reads on
  // to the end.
  PieceWalk(std::string_view formatted, const assembly::LabelTable& labels,
            std::span<const assembly::DefinedLabel> defined, const assembly::EncodingState& start,
            bool keep_statements, const assembly::EncodingState* stop_at = nullptr);

  void Run();
  // Whether Run stopped at `stop_at`: the next piece's findings follow.
  bool stopped_there() const { return stopped_there_; }
  // The line Run ended on, counted from 1 at its first.
  size_t end_line() const { return facts_.end_line; }

  // Sorts what the walk found and moves it to the source's lines, on the
  // thread that walked, rather than after the join; TakePlaced hands it on.
  // `comments` as PlaceDiagnostics takes them; `first_line` is the line
  // of the normalised text the walk began on.
  void Place(std::string_view source, const CommentMap* comments, size_t first_line);
  PlacedDiagnostics TakePlaced() { return std::move(placed_); }
  size_t placed_count() const { return placed_.diagnostics.size(); }

  // After the walk before it has handed over at `start`: its facts and its
  // report take what this piece found (only its first error, when it has
  // been placed). `names_as_listed` turns false when the label pass read a
  // name of this piece's otherwise than the scan.
  void JoinTo(ProgramFacts& facts, bool& names_as_listed, Report& report);

 private:
  std::string_view formatted_;
  SourceMap lines_;  // its own: a map finds its lines when first asked
  const assembly::LabelTable& labels_;
  assembly::EncodingState start_;
  const assembly::EncodingState* stop_at_;
  bool stopped_there_ = false;
  DefinitionFeed feed_;  // the pass's list from the first definition after its start
  bool keep_statements_;
  Report report_;
  ProgramFacts facts_;
  PlacedDiagnostics placed_;
};

}  // namespace kiv::tool

// Walks the normalised source statement by statement, as the encoding pass
// reads it, but keeps every instruction's operands within its own line: a
// fault is reported where it is, and the walk goes on at the next line.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "assembly/encoding_state.h"
#include "assembly/label_table.h"
#include "kiv/checker_facts.h"
#include "kiv/checker_labels.h"
#include "kiv/checker_report.h"
#include "kiv/source_map.h"

namespace kiv::tool {

class DefinitionFeed;

inline constexpr size_t kMostLabelsAhead = 16;

// The line starts at which the walk of a large text may be handed on to
// pieces walked on another thread, ascending, and which are whose. The first
// walk, from the text's start, passes each start as it comes to it; the
// pieces' walker takes them from the end downwards, each piece read from its
// start to the next. A start is passed or taken, never both: the first walk
// stops at the first taken one when it arrives there with the same counts,
// and otherwise reads on alone to the end, the pieces' work dropped. So the
// two threads meet wherever they happen to be, however fast each one reads.
class PieceStarts {
 public:
  explicit PieceStarts(std::vector<assembly::EncodingState> starts);

  size_t size() const { return starts_.size(); }
  const assembly::EncodingState& operator[](size_t i) const { return starts_[i]; }

  // The first walk, at or past start `i`, the first it has not passed: true
  // when it passes it now, false when a piece has it.
  bool Pass(size_t i);
  // The pieces' walker: takes start `i` and every one after it, unless the
  // first walk has passed `i`.
  bool TakeFrom(size_t i);
  // The pieces' walker, after TakeFrom: takes the last start not yet taken,
  // while the first walk has not passed it.
  std::optional<size_t> TakeNext();
  // The first walk, at start `i`, the first it has not passed: whether the
  // pieces' walker has taken a start after it, and no more than `within`
  // after it, so that it takes every start down to `i` as well. The first
  // walk may then end at `i` and leave those to it: nothing changes here.
  bool TakenWithin(size_t i, size_t within) const {
    const size_t taken = Taken(state_.load(std::memory_order_acquire));
    return taken < starts_.size() && taken > i && taken - i <= within;
  }
  // The first walk reads on alone: no more are taken.
  void GoAlone() { alone_.store(true, std::memory_order_relaxed); }
  // The first start a piece has taken; size() while none is.
  size_t first_taken() const { return Taken(state_.load(std::memory_order_acquire)); }

 private:
  // Both counts in one word, so that each change sees the other's last.
  static uint64_t Pack(size_t passed, size_t taken) { return passed | uint64_t{taken} << 32; }
  static size_t Passed(uint64_t state) { return state & 0xffffffffu; }
  static size_t Taken(uint64_t state) { return state >> 32; }

  std::vector<assembly::EncodingState> starts_;
  std::atomic<uint64_t> state_;  // starts passed by the first walk; the first taken
  std::atomic<bool> alone_{false};
};

// Between the first walk of a large text and the pieces' walker. The walk
// tells how far it has read at each line start, so that the pieces can be
// laid out ahead of it; once they are, it passes their starts (see
// PieceStarts) as it reads.
struct HandOver {
  std::atomic<size_t> reached{0};
  std::atomic<PieceStarts*> starts{nullptr};
};

struct WalkOptions {
  // Every statement's offset and index, for messages that name the statement
  // at an index; a walk without them keeps no per-statement list.
  bool keep_statements = false;
  // In source order: each gets the encoding pass's index where it stands.
  std::span<LabelDefinition> definitions;
  // When given, the definitions come from here as the walk comes to them,
  // in place of `definitions`.
  DefinitionFeed* feed = nullptr;
  // How many label operands are read before the first of them is looked up,
  // at most kMostLabelsAhead: the table is far larger than the caches, and
  // each slot is fetched when its operand is read. 0 looks each up at once,
  // the plain way the test compares with.
  size_t labels_ahead = kMostLabelsAhead;
  // When the walk starts before the label pass has ended: until this turns
  // true, label operands are put aside and the table is not touched; the walk
  // waits for it at its end. Null when the labels are final already.
  const std::atomic<bool>* labels_ready = nullptr;
  // A large text is walked in pieces. A piece's walk begins at `start`, a
  // line start outside any data section, with its index, and stops at
  // `stop_at` when it arrives there with the same counts (else it reads on to
  // the end).
  const assembly::EncodingState* start = nullptr;
  const assembly::EncodingState* stop_at = nullptr;
  // The first walk, from the text's start: see HandOver.
  HandOver* hand_over = nullptr;
};

// `lines` maps the normalised text; `labels` holds the label pass's values.
ProgramFacts WalkStatements(std::string_view formatted, const SourceMap& lines,
                            const assembly::LabelTable& labels, Report& report,
                            const WalkOptions& options = {});

// The same; `handed_over` tells whether the walk stopped where another walk
// takes over (see WalkOptions::hand_over and stop_at).
ProgramFacts WalkStatements(std::string_view formatted, const SourceMap& lines,
                            const assembly::LabelTable& labels, Report& report,
                            const WalkOptions& options, bool& handed_over);

}  // namespace kiv::tool

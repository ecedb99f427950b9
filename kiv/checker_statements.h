// Walks the normalised source statement by statement, as the encoding pass
// reads it, but keeps every instruction's operands within its own line: a
// fault is reported where it is, and the walk goes on at the next line.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "assembly/encoding_state.h"
#include "assembly/label_table.h"
#include "kiv/checker_facts.h"
#include "kiv/checker_labels.h"
#include "kiv/checker_report.h"
#include "kiv/source_map.h"

namespace kiv::tool {

class DefinitionFeed;

inline constexpr size_t kMostLabelsAhead = 16;

// Between the first half's walk and the thread that walks the second half.
// The walk tells how far it has read at each line start, so that the second
// half can begin ahead of it; once that half's start is set, the walk stops
// on reaching that line start with the same counts, and leaves the rest to
// the second half. Reaching it with other counts, or before it is set, the
// walk reads on alone.
struct HandOver {
  std::atomic<size_t> reached{0};
  std::atomic<const assembly::EncodingState*> start{nullptr};
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
  // A large text is walked in two halves. The second half's walk begins at
  // `start`, a line start outside any data section, with its index.
  const assembly::EncodingState* start = nullptr;
  // The first half's walk: see HandOver.
  HandOver* hand_over = nullptr;
};

// `lines` maps the normalised text; `labels` holds the label pass's values.
ProgramFacts WalkStatements(std::string_view formatted, const SourceMap& lines,
                            const assembly::LabelTable& labels, Report& report,
                            const WalkOptions& options = {});

// The same; `handed_over` tells whether the walk stopped where a second
// half's walk begins (see WalkOptions::hand_over).
ProgramFacts WalkStatements(std::string_view formatted, const SourceMap& lines,
                            const assembly::LabelTable& labels, Report& report,
                            const WalkOptions& options, bool& handed_over);

}  // namespace kiv::tool

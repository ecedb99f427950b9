#include "kiv/piece_walk.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "common/large_buffer.h"
#include "kiv/definition_feed.h"

namespace kiv::tool {
namespace {

template <typename T>
void Append(std::vector<T>& to, std::vector<T>&& from) {
  to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

// The list's index of the first definition at or after `offset`.
size_t FirstFrom(std::span<const assembly::DefinedLabel> defined, size_t offset) {
  const auto first = std::lower_bound(
      defined.begin(), defined.end(), offset,
      [](const assembly::DefinedLabel& d, size_t at) { return d.colon_offset < at; });
  return static_cast<size_t>(first - defined.begin());
}

}  // namespace

bool CanWalkFrom(const assembly::EncodingState& note) {
  return !note.data_open && note.data_words == 0;
}

PieceWalk::PieceWalk(std::string_view formatted, const assembly::LabelTable& labels,
                     std::span<const assembly::DefinedLabel> defined,
                     const assembly::EncodingState& start, bool keep_statements,
                     const assembly::EncodingState* stop_at)
    : formatted_(formatted),
      lines_(formatted),
      labels_(labels),
      start_(start),
      stop_at_(stop_at),
      feed_(formatted, defined, FirstFrom(defined, start.offset)),
      keep_statements_(keep_statements) {}

void PieceWalk::Run() {
  WalkOptions options;
  options.keep_statements = keep_statements_;
  options.feed = &feed_;
  options.start = &start_;
  options.stop_at = stop_at_;
  facts_ = WalkStatements(formatted_, lines_, labels_, report_, options, stopped_there_);
}

void PieceWalk::Place(std::string_view source, const CommentMap* comments, size_t first_line) {
  placed_ = PlaceDiagnostics(report_, formatted_, source, comments, first_line);
}

void PieceWalk::JoinTo(ProgramFacts& facts, bool& names_as_listed, Report& report) {
  names_as_listed = names_as_listed && feed_.names_as_listed();
  // Lines this piece carried count from its first, the line the walk before
  // it ended on: those of anything not placed yet go on from there.
  report_.ShiftCarriedLines(facts.end_line - 1);
  report.Absorb(std::move(report_));
  Append(facts.statements, std::move(facts_.statements));
  facts.transfers.Append(facts_.transfers.data(), facts_.transfers.size());
  Append(facts.sections, std::move(facts_.sections));
  facts.end_index = facts_.end_index;
  facts.end_line += facts_.end_line - 1;  // the walk before ended on this piece's first line
  facts.far_branch = facts.far_branch || facts_.far_branch;
  facts.counted_apart.insert(facts.counted_apart.end(), facts_.counted_apart.begin(),
                             facts_.counted_apart.end());
}

}  // namespace kiv::tool

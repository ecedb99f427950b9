#include "kiv/second_half_walk.h"

#include <algorithm>
#include <iterator>
#include <utility>

#include "common/large_buffer.h"

namespace kiv::tool {
namespace {

template <typename T>
void Append(std::vector<T>& to, std::vector<T>&& from) {
  to.insert(to.end(), std::make_move_iterator(from.begin()), std::make_move_iterator(from.end()));
}

}  // namespace

bool CanWalkFrom(const assembly::EncodingState& note) {
  return !note.data_open && note.data_words == 0;
}

SecondHalfWalk::SecondHalfWalk(std::string_view formatted, const assembly::LabelTable& labels,
                               std::span<const LabelDefinition> definitions,
                               const assembly::EncodingState& start, bool keep_statements)
    : formatted_(formatted),
      lines_(formatted),
      labels_(labels),
      start_(start),
      keep_statements_(keep_statements) {
  const auto first =
      std::lower_bound(definitions.begin(), definitions.end(), start.offset,
                       [](const LabelDefinition& d, size_t at) { return d.colon_offset < at; });
  first_definition_ = static_cast<size_t>(first - definitions.begin());
  // The checks' thread may still be placing labels, and once its walk has
  // ended it marks the duplicates: only the fields it never writes are read.
  // The walk reads neither of the others.
  ReserveLarge(definitions_, static_cast<size_t>(definitions.end() - first));
  for (auto d = first; d != definitions.end(); ++d) {
    definitions_.push_back(
        LabelDefinition{d->name, d->name_offset, d->colon_offset, /*first=*/true});
  }
}

void SecondHalfWalk::Run() {
  WalkOptions options;
  options.keep_statements = keep_statements_;
  options.definitions = definitions_;
  options.start = &start_;
  facts_ = WalkStatements(formatted_, lines_, labels_, report_, options);
}

void SecondHalfWalk::Place(std::string_view source, const SourceMap* source_lines) {
  placed_ = PlaceDiagnostics(report_, formatted_, source, source_lines);
}

void SecondHalfWalk::JoinTo(ProgramFacts& facts, std::span<LabelDefinition> definitions,
                            Report& report) {
  for (size_t i = 0; i < definitions_.size(); ++i) {
    definitions[first_definition_ + i].stands_at = definitions_[i].stands_at;
  }
  report.Absorb(std::move(report_));
  Append(facts.statements, std::move(facts_.statements));
  Append(facts.transfers, std::move(facts_.transfers));
  Append(facts.sections, std::move(facts_.sections));
  facts.end_index = facts_.end_index;
}

}  // namespace kiv::tool

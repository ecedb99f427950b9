#include "kiv/checker_statements.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>

#include "assembly/mnemonic_table.h"
#include "assembly/number_parser.h"
#include "common/instruction_word.h"
#include "common/large_block.h"
#include "common/large_buffer.h"
#include "common/packed_bytes.h"
#include "kiv/definition_feed.h"
#include "kiv/operand_roles.h"
#include "kiv/statement_walker.h"

namespace kiv::tool {
namespace {

// About the walk of two pieces: what the first walk does after it ends
// beyond what the pieces' walker does (it places the most diagnostics, and
// joins the pieces' findings to its own).
constexpr size_t kStartsLeftToPieces = 2;

}  // namespace

ProgramFacts StatementWalker::Run() {
  // Generous guesses, so that the lists are never copied as they grow: pages
  // reserved but never written cost nothing, and large lists are on huge
  // pages, a fault for every two megabytes written rather than every four
  // kilobytes. That holds for room in a mapping of its own; a piece's lists
  // are smaller and come from the heap, where a huge page is cleared whole
  // as soon as any of it is written, reserved room and all: they are given
  // room for a likely count instead, and grow from there.
  const size_t span =
      (stop_at_ != nullptr ? stop_at_->offset : text_.size()) - std::min(pos_, text_.size());
  size_t most_transfers = span / 16 + 16;
  if (most_transfers * sizeof(TransferFact) < kMappedBlockBytes) most_transfers = span / 128 + 16;
  if (options_.keep_statements) ReserveLarge(facts_.statements, text_.size() / 8 + 16);
  facts_.transfers.Reserve(most_transfers);
  label_transfers_.Reserve(most_transfers);
  if (!labels_final_) waiting_uses_.Reserve(most_transfers);
  while (pos_ < text_.size() && !stopped_) {
    std::string_view token;
    if (!NextOnLine(token)) {
      ++pos_;  // past the line end
      ++line_;
      line_start_ = pos_;
      line_instruction_ = nullptr;
      if (hands_over_ && HandOverHere()) break;
      continue;
    }
    if (!Statement(token)) SkipRestOfLine();
  }
  facts_.end_index = index_;
  facts_.end_line = line_;
  // Labels after the last statement stand at the end; when the walk hands
  // over, those before the hand-over line stand at its index, the same.
  PlaceDefinitionsBefore(handed_over_ ? pos_ : SIZE_MAX);
  ResolveLabelUses();
  MergeTransfers();
  if (section_open_) {
    // Without its .text the back end counts one index per pair: the section
    // ends there, short of the index the front end reached.
    facts_.sections.push_back(SectionFact{section_offset_, text_.size(), section_start_,
                                          section_start_ + section_pairs_});
  }
  return std::move(facts_);
}

void StatementWalker::TakeFromFeed(size_t offset) {
  DefinitionFeed& feed = *options_.feed;
  while (next_listed_ == listed_.size()) {
    if (feed.known().size() == listed_.size() && !feed.WaitForMore()) {
      all_listed_ = true;
      return;
    }
    listed_ = feed.known();
    PlaceListedBefore(offset);
  }
}

PieceStarts::PieceStarts(std::vector<assembly::EncodingState> starts)
    : starts_(std::move(starts)), state_(Pack(0, starts_.size())) {}

bool PieceStarts::Pass(size_t i) {
  uint64_t state = state_.load(std::memory_order_acquire);
  while (Taken(state) > i) {
    if (state_.compare_exchange_weak(state, Pack(i + 1, Taken(state)), std::memory_order_acq_rel)) {
      return true;
    }
  }
  return false;
}

bool PieceStarts::TakeFrom(size_t i) {
  uint64_t state = state_.load(std::memory_order_acquire);
  while (Passed(state) <= i && i < Taken(state)) {
    if (state_.compare_exchange_weak(state, Pack(Passed(state), i), std::memory_order_acq_rel)) {
      return true;
    }
  }
  return false;
}

std::optional<size_t> PieceStarts::TakeNext() {
  uint64_t state = state_.load(std::memory_order_acquire);
  while (!alone_.load(std::memory_order_relaxed) && Taken(state) > Passed(state)) {
    const size_t next = Taken(state) - 1;
    if (state_.compare_exchange_weak(state, Pack(Passed(state), next), std::memory_order_acq_rel)) {
      return next;
    }
  }
  return std::nullopt;
}

bool StatementWalker::SameCountsAs(const assembly::EncodingState& start) const {
  return index_ == start.index && !section_open_ && data_words_ == 0;
}

bool StatementWalker::LookForHandOver() {
  if (stop_at_ != nullptr) {
    next_look_ = stop_at_->offset;
    if (pos_ < next_look_) return false;
    handed_over_ = pos_ == next_look_ && SameCountsAs(*stop_at_);
    hands_over_ = false;  // with other counts it reads on to the end
    return handed_over_;
  }
  if (starts_ == nullptr) {
    options_.hand_over->reached.store(pos_, std::memory_order_relaxed);
    starts_ = options_.hand_over->starts.load(std::memory_order_acquire);
    if (starts_ == nullptr) return false;
    next_start_offset_ = starts_->size() != 0 ? (*starts_)[0].offset : SIZE_MAX;
  }
  const bool handed_over = pos_ >= next_start_offset_ && PassStarts();
  next_look_ = next_start_offset_;
  return handed_over;
}

bool StatementWalker::PassStarts() {
  while (pos_ >= next_start_offset_) {
    // The last few starts before the pieces' walker are left to it, when this
    // walk arrives with their counts: it ends that much sooner, and places
    // and joins what was found while the pieces' walker walks them.
    if (pos_ == next_start_offset_ && SameCountsAs((*starts_)[next_start_]) &&
        starts_->TakenWithin(next_start_, kStartsLeftToPieces)) {
      handed_over_ = true;
      return true;
    }
    if (!starts_->Pass(next_start_)) {
      // A piece has it: the walk ends here when it has arrived there exactly,
      // with the piece's counts; otherwise it reads on alone to the end.
      handed_over_ = pos_ == next_start_offset_ && SameCountsAs((*starts_)[next_start_]);
      if (!handed_over_) {
        starts_->GoAlone();
        next_start_offset_ = SIZE_MAX;
      }
      return handed_over_;
    }
    ++next_start_;
    next_start_offset_ = next_start_ < starts_->size() ? (*starts_)[next_start_].offset : SIZE_MAX;
  }
  return false;
}

std::string_view StatementWalker::TokenAfter(size_t from) const {
  while (from < text_.size() && IsSpace(text_[from])) ++from;
  size_t end = from;
  while (end < text_.size() && !IsSpace(text_[end])) ++end;
  return text_.substr(from, end - from);
}

void StatementWalker::SkipRestOfLine() { pos_ = std::min(text_.find('\n', pos_), text_.size()); }

bool StatementWalker::Statement(std::string_view token) {
  // A token holding a colon anywhere is a label definition. With eight
  // bytes of text from the token on, it is classified with one load.
  const size_t left = text_.size() - Offset(token);
  const assembly::Classification classification =
      left >= 8 ? assembly::ClassifyFollowed(token) : assembly::Classify(token);
  switch (classification.kind) {
    case assembly::TokenKind::kLabelDefinition:
      return LabelToken(token);
    case assembly::TokenKind::kDirective:
      return Directive(token, classification.cls);
    case assembly::TokenKind::kInstruction:
      return Instruction(token, *classification.mnemonic);
    case assembly::TokenKind::kNotFound:
      break;
  }
  UnknownStatement(token);
  return false;
}

// The programs skip a token holding a colon whole: a statement glued to the
// colon is lost.
bool StatementWalker::LabelToken(std::string_view token) {
  const size_t colon = token.rfind(':');
  if (colon + 1 == token.size()) return true;
  const std::string_view glued = token.substr(colon + 1);
  report_.Error(Offset(token) + colon + 1, glued.size(),
                "no blank after the colon: " + Quoted(token) +
                    " is read as one label definition and " + Quoted(glued) +
                    " is skipped with it; write a blank after the colon");
  return false;
}

void StatementWalker::UnknownStatement(std::string_view token) {
  const size_t offset = Offset(token);
  if (line_instruction_ != nullptr) {
    report_.Error(offset, token.size(),
                  "extra operand " + Quoted(token) + ": " + Quoted(line_instruction_token_) +
                      " takes " + std::to_string(OperandCount(*line_instruction_)) +
                      ", and the programs would read " + Quoted(token) + " as the next statement");
    return;
  }
  const size_t after = pos_;
  std::string_view next;
  const bool followed = NextOnLine(next);
  pos_ = after;
  if (followed && next.front() == ':') {
    report_.Error(offset, token.size(),
                  "unknown mnemonic " + Quoted(token) +
                      ": a blank before the colon makes a label the programs cannot name; "
                      "write " +
                      Quoted(std::string(token) + ":"));
    return;
  }
  if (followed && next.back() == ':' && next.find(':') == next.size() - 1) {
    report_.Error(offset, token.size(),
                  "unknown mnemonic " + Quoted(token) +
                      ": a label name cannot hold a blank; write it as one word, such as " +
                      Quoted(std::string(token) + "_" + std::string(next)));
    return;
  }
  std::string lower(token);
  for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  const bool known_lower = assembly::Classify(lower).kind != assembly::TokenKind::kNotFound;
  const std::string_view kind = token.front() == '.' ? "directive" : "mnemonic";
  std::string message = "unknown " + std::string(kind) + " " + Quoted(token);
  if (known_lower && lower != token) {
    message += ": names are case-sensitive, write " + Quoted(lower);
  } else if (token == ".data") {
    message += ": a data section is opened with .rdata";
  }
  report_.Error(offset, token.size(), std::move(message));
}

ProgramFacts WalkStatements(std::string_view formatted, const SourceMap& lines,
                            const assembly::LabelTable& labels, Report& report,
                            const WalkOptions& options) {
  return StatementWalker(formatted, lines, labels, report, options).Run();
}

ProgramFacts WalkStatements(std::string_view formatted, const SourceMap& lines,
                            const assembly::LabelTable& labels, Report& report,
                            const WalkOptions& options, bool& handed_over) {
  StatementWalker walker(formatted, lines, labels, report, options);
  ProgramFacts facts = walker.Run();
  handed_over = walker.handed_over();
  return facts;
}

}  // namespace kiv::tool

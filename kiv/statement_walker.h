// The statement walk of the checker, shared by the files that check
// statements, data directives and instructions.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "assembly/label_table.h"
#include "assembly/mnemonic_table.h"
#include "kiv/checker_facts.h"
#include "kiv/checker_report.h"
#include "kiv/checker_statements.h"
#include "kiv/definition_feed.h"
#include "kiv/line_tokens.h"
#include "kiv/lookup_ring.h"
#include "kiv/operand_roles.h"
#include "kiv/source_map.h"
#include "kiv/token_scan.h"

namespace kiv::tool {

class StatementWalker {
 public:
  StatementWalker(std::string_view text, const SourceMap& lines, const assembly::LabelTable& labels,
                  Report& report, const WalkOptions& options)
      : text_(text),
        lines_(lines),
        labels_(labels),
        report_(report),
        options_(options),
        definitions_(options.definitions),
        labels_final_(options.labels_ready == nullptr) {
    if (options.start != nullptr) {
      pos_ = options.start->offset;
      index_ = options.start->index;
    }
    line_start_ = pos_;
    report_.CarryLines(&line_, &line_start_, &pos_);
    stop_at_ = options.stop_at;
    hands_over_ = options.hand_over != nullptr || options.stop_at != nullptr;
  }
  ~StatementWalker() { report_.CarryLines(nullptr, nullptr, nullptr); }
  StatementWalker(const StatementWalker&) = delete;
  StatementWalker& operator=(const StatementWalker&) = delete;

  ProgramFacts Run();
  // Whether Run stopped where another walk takes over.
  bool handed_over() const { return handed_over_; }

 private:
  using InstructionClass = assembly::InstructionClass;
  using Mnemonic = assembly::Mnemonic;

  size_t Offset(std::string_view token) const {
    return static_cast<size_t>(token.data() - text_.data());
  }
  size_t LineOf(size_t offset) const { return lines_.Locate(offset).line; }
  // The next token before the line ends; false at the line end (left at it).
  bool NextOnLine(std::string_view& token) { return line_tokens_.Next(pos_, token); }
  // Moves on to `to`, at or after where the walk stands, across any line
  // ends between (a string run over them, operands taken from later lines).
  void MoveTo(size_t to) {
    for (size_t end = text_.find('\n', pos_); end < to; end = text_.find('\n', end + 1)) {
      ++line_;
      line_start_ = end + 1;
    }
    pos_ = to;
  }
  // The token after `from`, across line ends, as the programs would read it.
  std::string_view TokenAfter(size_t from) const;
  void SkipRestOfLine();
  // At a line start: whether another walk takes over here, from the same
  // counts, so that this walk ends. Inline, for the line starts before the
  // next place to look: nearly every line.
  bool HandOverHere() { return pos_ >= next_look_ && LookForHandOver(); }
  bool LookForHandOver();
  // At or past the next piece's start: passes the starts up to here, or
  // ends the walk at one a piece has taken.
  bool PassStarts();
  bool SameCountsAs(const assembly::EncodingState& start) const;
  // Labels in front of a statement stand at its index. Inline: every
  // statement is recorded.
  void Record(std::string_view token) {
    const size_t offset = Offset(token);
    PlaceDefinitionsBefore(offset);
    if (options_.keep_statements) {
      facts_.statements.push_back(
          StatementFact{offset, index_, static_cast<uint32_t>(token.size())});
    }
  }

  // Each returns false after an error: the rest of the line is skipped.
  bool Statement(std::string_view token);
  bool LabelToken(std::string_view token);
  void UnknownStatement(std::string_view token);
  bool Directive(std::string_view token, InstructionClass cls);
  bool OutsideSection(std::string_view token);
  bool Word(std::string_view token);
  bool Ascii(std::string_view token);
  bool StringBody(std::string_view token, size_t open);
  bool Align();
  void FlushWords();
  bool Instruction(std::string_view token, const Mnemonic& row);
  bool TwoIntegers(std::string_view token);
  void TakeOperandsFromNextLines(size_t count);
  void TakeIntegersFromNextLines(size_t count);
  void MissingOperand(std::string_view token, std::string_view what, std::string_view role);
  bool Operand(const Mnemonic& row, OperandRole role, std::string_view operand);
  bool Value(const Mnemonic& row, std::string_view operand);
  // A label operand, looked up once its table slot has been fetched.
  struct LabelUse {
    const Mnemonic* row;
    std::string_view operand;
    uint32_t index;  // of the instruction
    uint32_t line;   // the walk's line it is on; 0 when that does not fit
    size_t line_start;
  };
  LabelUse UseHere(const Mnemonic& row, std::string_view operand) const {
    return LabelUse{&row, operand, index_, line_ <= UINT32_MAX ? static_cast<uint32_t>(line_) : 0,
                    line_start_};
  }
  struct PendingUse {
    LabelUse use;
    assembly::LabelTable::Query query;  // its slot fetched when the use was read
  };
  void DeferLabelUse(const LabelUse& use);
  // The labels whose colons lie before `offset` stand at the current index.
  void PlaceDefinitionsBefore(size_t offset) {
    if (options_.feed == nullptr) {
      while (next_definition_ < definitions_.size() &&
             definitions_[next_definition_].colon_offset < offset) {
        definitions_[next_definition_++].stands_at = index_;
      }
      return;
    }
    PlaceListedBefore(offset);
    if (next_listed_ == listed_.size() && !all_listed_) TakeFromFeed(offset);
  }
  // From the label pass's list: only those that stand apart from where the
  // pass entered them are noted.
  void PlaceListedBefore(size_t offset) {
    while (next_listed_ < listed_.size() && listed_[next_listed_].colon_offset < offset) {
      const assembly::DefinedLabel& entry = listed_[next_listed_];
      if (entry.index != index_) {
        facts_.counted_apart.push_back(CountedApart{options_.feed->from() + next_listed_, index_});
      }
      options_.feed->Placed(entry);
      ++next_listed_;
    }
  }
  // Every label listed so far lies before `offset`: more are waited for and
  // placed until one lies at or after it, or the list has ended.
  void TakeFromFeed(size_t offset);
  // The labels are final: the uses put aside until then go into the ring.
  void TakeWaitingLabelUses();
  void ResolveLabelUse(const PendingUse& pending);
  void ResolveLabelUses();
  bool LabelValue(const PendingUse& pending, uint32_t& value);
  void CheckTarget(const LabelUse& use, uint32_t value, bool via_label);
  // Jumps and branches to a label join the others in source order.
  void MergeTransfers();

  std::string_view text_;
  const SourceMap& lines_;
  const assembly::LabelTable& labels_;
  Report& report_;
  const WalkOptions& options_;
  ProgramFacts facts_;
  std::span<LabelDefinition> definitions_;          // without a feed
  size_t next_definition_ = 0;                      // the first label not yet placed
  std::span<const assembly::DefinedLabel> listed_;  // with a feed: those known so far
  size_t next_listed_ = 0;                          // the first of them not yet placed
  bool all_listed_ = false;                         // and no more will come

  size_t pos_ = 0;
  LineTokens line_tokens_{text_};
  // The line pos_ is on, from 1 at the walk's first, and where it starts:
  // what the report is given between there and pos_ carries them. A label
  // use looked up later carries its own while it is looked up.
  size_t line_ = 1;
  size_t line_start_ = 0;
  bool stopped_ = false;     // a string runs to the end: nothing after it is a statement
  bool hands_over_ = false;  // it may stop before the end
  const assembly::EncodingState* stop_at_ = nullptr;  // a piece's end, until it is reached
  PieceStarts* starts_ = nullptr;                     // the pieces' starts, once they are laid out
  size_t next_start_ = 0;                             // the first start not passed yet
  size_t next_start_offset_ = SIZE_MAX;
  // Where the next start or end lies; 0 while the pieces are not laid out,
  // so that every line start tells how far the walk has read.
  size_t next_look_ = 0;
  bool handed_over_ = false;
  uint32_t index_ = 0;  // wraps like the encoding pass's index
  bool section_open_ = false;
  size_t section_offset_ = 0;
  uint32_t section_start_ = 0;
  uint32_t section_pairs_ = 0;  // data pairs of the open section, fillers included
  uint32_t data_words_ = 0;     // .word pairs since the last flush
  // The instruction already read on this line, for what follows it.
  const Mnemonic* line_instruction_ = nullptr;
  std::string_view line_instruction_token_;
  LookupRing<PendingUse, kMostLabelsAhead> pending_uses_{options_.labels_ahead};
  bool labels_final_;
  LargeArray<LabelUse> waiting_uses_;  // read before the labels were final
  // Label uses are looked up a few later than numbers: their jumps and
  // branches wait here, in source order, to be merged with the others.
  LargeArray<TransferFact> label_transfers_;
};

}  // namespace kiv::tool

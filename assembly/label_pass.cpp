#include "assembly/label_pass.h"

#include <array>
#include <cstddef>
#include <cstdint>

#include "assembly/byte_set_bits.h"
#include "assembly/index_rules.h"
#include "assembly/mnemonic_table.h"
#include "assembly/source_scanner.h"

namespace kiv::assembly {
namespace {

bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

class LabelPass {
 public:
  LabelPass(std::string_view text, LabelTable& table, Log& log, SplitNote* split)
      : text_(text), table_(table), log_(log), specials_(text), split_(split) {
    if (split_ != nullptr) note_from_ = split_->from;
  }

  void Run() {
    // The loop mirrors a stream's end-of-file flag: a line is read while no
    // earlier read has met the end, so a text ending in a newline is followed
    // by one empty line, which adds nothing.
    while (!at_eof_) {
      if (pos_ >= note_from_) NoteSplit();
      HandleLine();
    }
    InsertPendingLabels();
  }

 private:
  // A line that starts after a line end, outside a string, is where the
  // encoding pass starts a statement with these counts.
  void NoteSplit() {
    if (in_quote_ || (pos_ != 0 && text_[pos_ - 1] != '\n')) return;
    split_->state = EncodingState{pos_, index_, section_open_, pending_words_};
    note_from_ = SIZE_MAX;
  }

  // Reads one line up to and including its newline. Text up to and including
  // each label's colon is taken out of the line (it reads as blanks), so only
  // what follows the last label is classified.
  void HandleLine() {
    const char* const text = text_.data();
    const char* const end = text + text_.size();
    const char* const start = text + pos_;
    const char* p = start;
    size_t cleared = 0;
    bool dot = false;  // in what is classified
    for (;;) {
      p = text + specials_.Next(static_cast<size_t>(p - text));
      if (p == end) {
        at_eof_ = true;
        break;
      }
      const char c = *p++;
      if (c == '\n') break;
      if (c == '.') {
        dot = true;
      } else if (c == '"') {
        in_quote_ = !in_quote_;
      } else if (!in_quote_) {  // a colon
        const auto colon = static_cast<size_t>(p - 1 - start);
        DefineLabel(std::string_view(start, static_cast<size_t>(p - start)), cleared, colon);
        cleared = colon + 1;
        dot = false;
      }
    }
    pos_ = static_cast<size_t>(p - text);
    Classify(std::string_view(start + cleared, static_cast<size_t>(p - start) - cleared), dot);
  }

  void DefineLabel(std::string_view line, size_t cleared, size_t colon) {
    size_t first = cleared;
    while (first < colon && IsBlankOrTab(line[first])) ++first;
    const std::string_view name = line.substr(first, colon - first);
    // The table is far larger than the caches: its slot is fetched now and
    // the label inserted a few definitions later, when the slot has arrived.
    if (pending_count_ == kPendingLabels) InsertOldestLabel();
    pending_[(pending_first_ + pending_count_++) % kPendingLabels] =
        PendingLabel{table_.PrepareInsert(name), Index()};
  }

  void InsertOldestLabel() {
    const PendingLabel& label = pending_[pending_first_];
    pending_first_ = (pending_first_ + 1) % kPendingLabels;
    --pending_count_;
    if (table_.InsertLabel(label.query, label.index) == Status::kDuplicateLabel) {
      log_.Error("Duplicate label founded", label.index);
    }
  }

  // Inserts the waiting labels in their order; must run before anything else
  // is logged, so that the log keeps the order of the source.
  void InsertPendingLabels() {
    while (pending_count_ != 0) InsertOldestLabel();
  }

  void Classify(std::string_view rest, bool has_dot) {
    // Every directive begins with a dot; most lines hold none.
    if (!has_dot) {
      if (ContainsMnemonicString(rest)) ++index_;
      return;
    }
    // A name anywhere in the line counts, the first of this order deciding.
    const uint32_t names = DirectiveNamesIn(rest);
    if (names & kRdataName) {
      if (!section_open_) {
        section_open_ = true;
        pending_words_ = 0;
      }
    } else if (names & kWordName) {
      SkipWordOperand();
      index_ += PairIndices(pending_words_++);
    } else if (names & kAsciiName) {
      AdvanceOverString(rest);
    } else if (names & kAlignName) {
      FlushWords();
    } else if (names & kTextName) {
      if (section_open_) {
        FlushWords();
        section_open_ = false;
      }
    } else if (ContainsMnemonicString(rest)) {
      ++index_;
    }
  }

  // The value of a .word is read from the text after the line, as a scan
  // for one decimal integer would: white space (line ends included), then a
  // number if one follows. Reaching the end of the text ends the pass.
  void SkipWordOperand() {
    size_t p = pos_;
    while (p < text_.size() && IsScanSpace(text_[p])) ++p;
    size_t q = p;
    if (q < text_.size() && (text_[q] == '+' || text_[q] == '-')) ++q;
    const size_t digits = q;
    while (q < text_.size() && text_[q] >= '0' && text_[q] <= '9') ++q;
    if (q > digits) p = q;
    // The scan meets the end when it ran out while skipping white space or
    // while reading the number.
    if (p >= text_.size() || q >= text_.size()) at_eof_ = true;
    pos_ = p;
  }

  // An unclosed string counts to the end of the line.
  void AdvanceOverString(std::string_view rest) {
    const size_t open = rest.find('"');
    if (open == std::string_view::npos) {
      InsertPendingLabels();
      log_.Error("Error ASCII parsing in BuildLabelList", Index());
      return;
    }
    const size_t close = rest.find('"', open + 1);
    const uint64_t length = (close == std::string_view::npos ? rest.size() : close) - (open + 1);
    index_ += static_cast<uint32_t>(StringIndices(length));
  }

  void FlushWords() {
    index_ += StretchEndIndices(pending_words_);
    pending_words_ = 0;
  }

  int32_t Index() const { return static_cast<int32_t>(index_); }

  std::string_view text_;
  LabelTable& table_;
  Log& log_;
  // The bytes that end a run of ordinary line text.
  ByteSetFinder<'\n', '"', ':', '.'> specials_;
  size_t pos_ = 0;
  bool at_eof_ = false;
  bool in_quote_ = false;
  SplitNote* split_;
  size_t note_from_ = SIZE_MAX;  // none asked for, or taken
  bool section_open_ = false;
  uint32_t index_ = 0;  // wraps like the 32-bit index it stands for
  uint32_t pending_words_ = 0;

  struct PendingLabel {
    LabelTable::Query query;  // its name hashed, its slot on the way
    int32_t index;
  };
  // A ring of labels whose slots are on their way: each is inserted once
  // the ring is full, as many definitions after its fetch as the ring holds.
  static constexpr size_t kPendingLabels = 16;
  std::array<PendingLabel, kPendingLabels> pending_{};
  size_t pending_first_ = 0;
  size_t pending_count_ = 0;
};

}  // namespace

Status BuildLabelList(std::string_view formatted, LabelTable& table, Log& log, SplitNote* split) {
  // Every label ends in a colon: counting them sizes the table once.
  table.Reserve(table.size() + CountByteSet<':'>(formatted));
  LabelPass(formatted, table, log, split).Run();
  return Status::kSuccess;
}

}  // namespace kiv::assembly

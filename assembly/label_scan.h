// The label pass's walk over the text: it reads line by line, hands every
// label definition with the current instruction index to its Definitions
// (the table, or a list held for later), and advances the index by the room
// each line takes. A walk may start anywhere with any counts and stop at an
// offset; from a given place and counts, what it finds next depends on
// nothing else, which is what lets the text be read in two parts at once.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stop_token>
#include <string_view>
#include <utility>

#include "assembly/byte_set_bits.h"
#include "assembly/encoding_state.h"
#include "assembly/index_rules.h"
#include "assembly/label_pass.h"
#include "assembly/mnemonic_table.h"
#include "assembly/source_scanner.h"

namespace kiv::assembly {

// Where the walk stands at the start of a line: all that the rest of the
// walk depends on, besides the text.
struct LabelScanState {
  size_t pos = 0;
  bool in_quote = false;
  bool section_open = false;  // between a .rdata and the .text that closes it
  uint32_t index = 0;         // wraps like the 32-bit index it stands for
  uint32_t pending_words = 0;
  bool operator==(const LabelScanState&) const = default;
};

template <typename Definitions>
class LabelScan {
 public:
  // `notes` (may be empty), in ascending order of where they are asked
  // for, take the notes of the counts that a split of the text asks for.
  LabelScan(std::string_view text, Definitions& definitions, const LabelScanState& from,
            std::span<SplitNote> notes)
      : text_(text), definitions_(definitions), specials_(text), state_(from), notes_(notes) {
    if (!notes_.empty()) note_from_ = notes_.front().from;
  }

  // Reads lines until the end of the text. The loop mirrors a stream's
  // end-of-file flag: a line is read while no earlier read has met the end,
  // so a text ending in a newline is followed by one empty line, which adds
  // nothing. Inline into the caller, whose scan object then lives in
  // registers rather than memory.
  [[gnu::always_inline]] void Run() {
    while (!at_eof_) {
      if (state_.pos >= note_from_) NoteSplit();
      HandleLine();
    }
  }

  // The same, stopping before a line that would start at or past `stop`, or
  // once `cancel` is asked for.
  [[gnu::always_inline]] void Run(size_t stop, std::stop_token cancel = {}) {
    stop_ = stop;
    cancel_ = std::move(cancel);
    next_check_ = 0;
    while (!at_eof_) {
      if (state_.pos >= next_check_ && AtCheckpoint()) return;
      HandleLine();
    }
  }

  bool at_eof() const { return at_eof_; }
  const LabelScanState& state() const { return state_; }

 private:
  static bool IsBlankOrTab(char c) { return c == ' ' || c == '\t'; }

  // Takes the note when it is due, and tells whether to stop here. A request
  // to cancel is seen within 64 KiB of text.
  bool AtCheckpoint() {
    if (state_.pos >= note_from_) NoteSplit();
    if (state_.pos >= stop_ || cancel_.stop_requested()) return true;
    constexpr size_t kCancelStretch = size_t{64} << 10;
    const size_t cancel_check = cancel_.stop_possible() ? state_.pos + kCancelStretch : SIZE_MAX;
    next_check_ = std::min({note_from_, stop_, cancel_check});
    return false;
  }

  // A line that starts after a line end, outside a string, is where the
  // encoding pass starts a statement with these counts.
  // Every note asked for at or before the line takes it.
  void NoteSplit() {
    const size_t pos = state_.pos;
    if (state_.in_quote || (pos != 0 && text_[pos - 1] != '\n')) return;
    const EncodingState here{pos, state_.index, state_.section_open, state_.pending_words};
    while (next_note_ < notes_.size() && notes_[next_note_].from <= pos) {
      notes_[next_note_++].state = here;
    }
    note_from_ = next_note_ < notes_.size() ? notes_[next_note_].from : SIZE_MAX;
  }

  // Reads one line up to and including its newline. Text up to and including
  // each label's colon is taken out of the line (it reads as blanks), so only
  // what follows the last label is classified.
  [[gnu::always_inline]] void HandleLine() {
    const char* const text = text_.data();
    const char* const end = text + text_.size();
    const char* const start = text + state_.pos;
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
        state_.in_quote = !state_.in_quote;
      } else if (!state_.in_quote) {  // a colon
        const auto colon = static_cast<size_t>(p - 1 - start);
        DefineLabel(std::string_view(start, static_cast<size_t>(p - start)), cleared, colon);
        cleared = colon + 1;
        dot = false;
      }
    }
    state_.pos = static_cast<size_t>(p - text);
    Classify(std::string_view(start + cleared, static_cast<size_t>(p - start) - cleared), dot);
  }

  void DefineLabel(std::string_view line, size_t cleared, size_t colon) {
    size_t first = cleared;
    while (first < colon && IsBlankOrTab(line[first])) ++first;
    definitions_.Define(line.substr(first, colon - first), state_.index);
  }

  void Classify(std::string_view rest, bool has_dot) {
    // Every directive begins with a dot; most lines hold none.
    if (!has_dot) {
      if (ContainsMnemonicString(rest)) ++state_.index;
      return;
    }
    // A name anywhere in the line counts, the first of this order deciding.
    const uint32_t names = DirectiveNamesIn(rest);
    if (names & kRdataName) {
      if (!state_.section_open) {
        state_.section_open = true;
        state_.pending_words = 0;
      }
    } else if (names & kWordName) {
      SkipWordOperand();
      state_.index += PairIndices(state_.pending_words++);
    } else if (names & kAsciiName) {
      AdvanceOverString(rest);
    } else if (names & kAlignName) {
      FlushWords();
    } else if (names & kTextName) {
      if (state_.section_open) {
        FlushWords();
        state_.section_open = false;
      }
    } else if (ContainsMnemonicString(rest)) {
      ++state_.index;
    }
  }

  // The value of a .word is read from the text after the line, as a scan
  // for one decimal integer would: white space (line ends included), then a
  // number if one follows. Reaching the end of the text ends the pass.
  void SkipWordOperand() {
    size_t p = state_.pos;
    while (p < text_.size() && IsScanSpace(text_[p])) ++p;
    size_t q = p;
    if (q < text_.size() && (text_[q] == '+' || text_[q] == '-')) ++q;
    const size_t digits = q;
    while (q < text_.size() && text_[q] >= '0' && text_[q] <= '9') ++q;
    if (q > digits) p = q;
    // The scan meets the end when it ran out while skipping white space or
    // while reading the number.
    if (p >= text_.size() || q >= text_.size()) at_eof_ = true;
    state_.pos = p;
  }

  // An unclosed string counts to the end of the line.
  void AdvanceOverString(std::string_view rest) {
    const size_t open = rest.find('"');
    if (open == std::string_view::npos) {
      definitions_.AsciiFault(state_.index);
      return;
    }
    const size_t close = rest.find('"', open + 1);
    const uint64_t length = (close == std::string_view::npos ? rest.size() : close) - (open + 1);
    state_.index += static_cast<uint32_t>(StringIndices(length));
  }

  void FlushWords() {
    state_.index += StretchEndIndices(state_.pending_words);
    state_.pending_words = 0;
  }

  std::string_view text_;
  Definitions& definitions_;
  // The bytes that end a run of ordinary line text.
  ByteSetFinder<'\n', '"', ':', '.'> specials_;
  LabelScanState state_;
  bool at_eof_ = false;
  std::span<SplitNote> notes_;
  size_t next_note_ = 0;         // the first not yet taken
  size_t note_from_ = SIZE_MAX;  // where it is asked for; none asked for, or all taken
  size_t stop_ = SIZE_MAX;
  std::stop_token cancel_;
  size_t next_check_ = 0;  // where AtCheckpoint is next due
};

}  // namespace kiv::assembly

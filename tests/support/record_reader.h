// The plain reading of the intermediate object text, one item at a time: the
// reference that the back end's fast decoder is held to by the unit tests,
// the back-end fuzz target and the benchmarks. The reader tracks data mode
// itself: the data-section marker enters it and the
// end-of-data record leaves it.
//
// Records are hexadecimal digits (either case) separated by white space.
// Anything else, a number wider than 32 bits outside data mode, or a record cut
// short by the end of the text is reported as kMalformed, never acted on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kiv {

enum class ItemKind { kInstruction, kDataMarker, kDataPair, kEndOfData, kEndOfFile, kMalformed };

struct Item {
  ItemKind kind = ItemKind::kEndOfFile;
  uint32_t head = 0;         // instruction
  uint32_t body = 0;         // instruction; the first spawni value for opcode 252
  uint32_t second = 0;       // the second spawni value
  uint32_t first_word = 0;   // data pair
  uint32_t second_word = 0;  // data pair
};

class RecordReader {
 public:
  explicit RecordReader(std::string_view text) : text_(text) {}

  Item Next();
  bool in_data_mode() const { return data_mode_; }

 private:
  void SkipWhiteSpace();
  bool AtEnd() const { return pos_ >= text_.size(); }
  // A whole number outside data mode: at least one digit, at most 32 bits,
  // ended by white space or the end of the text.
  bool ReadNumber(uint32_t& value);
  // Up to eight digits, as a data pair's word is read.
  bool ReadWord(uint32_t& value);
  Item ReadInstructionItem();
  Item ReadDataItem();

  std::string_view text_;
  size_t pos_ = 0;
  bool data_mode_ = false;
};

}  // namespace kiv

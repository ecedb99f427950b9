#include "tests/support/record_reader.h"

#include <array>

#include "common/instruction_word.h"
#include "common/record_format.h"

namespace kiv {
namespace {

// One table for both questions asked of every byte of the text.
constexpr int8_t kWhiteSpace = -2;
constexpr int8_t kOther = -1;
constexpr auto kByteClass = [] {
  std::array<int8_t, 256> table{};
  table.fill(kOther);
  for (const unsigned char c : {' ', '\n', '\t', '\r', '\v', '\f'}) table[c] = kWhiteSpace;
  for (int d = 0; d < 10; ++d) table['0' + d] = static_cast<int8_t>(d);
  for (int d = 0; d < 6; ++d) {
    table['a' + d] = static_cast<int8_t>(10 + d);
    table['A' + d] = static_cast<int8_t>(10 + d);
  }
  return table;
}();

bool IsWhiteSpace(char c) { return kByteClass[static_cast<unsigned char>(c)] == kWhiteSpace; }

int HexValue(char c) {
  const int8_t value = kByteClass[static_cast<unsigned char>(c)];
  return value >= 0 ? value : -1;
}

Item Malformed() { return Item{.kind = ItemKind::kMalformed}; }

}  // namespace

void RecordReader::SkipWhiteSpace() {
  while (pos_ < text_.size() && IsWhiteSpace(text_[pos_])) ++pos_;
}

bool RecordReader::ReadNumber(uint32_t& value) {
  SkipWhiteSpace();
  uint64_t accumulated = 0;
  size_t digits = 0;
  while (pos_ < text_.size()) {
    const int digit = HexValue(text_[pos_]);
    if (digit < 0) break;
    accumulated = accumulated * 16 + static_cast<uint64_t>(digit);
    if (accumulated > 0xffffffffu) return false;
    ++pos_;
    ++digits;
  }
  if (digits == 0) return false;
  if (pos_ < text_.size() && !IsWhiteSpace(text_[pos_])) return false;
  value = static_cast<uint32_t>(accumulated);
  return true;
}

bool RecordReader::ReadWord(uint32_t& value) {
  SkipWhiteSpace();
  uint32_t accumulated = 0;
  size_t digits = 0;
  while (digits < record_format::kWordDigits && pos_ < text_.size()) {
    const int digit = HexValue(text_[pos_]);
    if (digit < 0) break;
    accumulated = accumulated * 16 + static_cast<uint32_t>(digit);
    ++pos_;
    ++digits;
  }
  if (digits == 0) return false;
  value = accumulated;
  return true;
}

Item RecordReader::ReadInstructionItem() {
  uint32_t head = 0;
  if (!ReadNumber(head)) return Malformed();
  if (record_format::IsDataMarker(head)) {
    data_mode_ = true;
    return Item{.kind = ItemKind::kDataMarker};
  }
  Item item{.kind = ItemKind::kInstruction, .head = head};
  if (!ReadNumber(item.body)) return Malformed();
  if (OpcodeOfHead(head) == opcode::kSpawni) {
    uint32_t second_head = 0;  // the second line's head, not looked at
    if (!ReadNumber(second_head) || !ReadNumber(item.second)) return Malformed();
  }
  return item;
}

Item RecordReader::ReadDataItem() {
  Item item;
  if (!ReadWord(item.first_word) || !ReadWord(item.second_word)) return Malformed();
  // A pair is one token of at most sixteen digits: digits running on past it
  // would otherwise be read as the start of the next record.
  if (!AtEnd() && !IsWhiteSpace(text_[pos_])) return Malformed();
  if (item.first_word == record_format::kEndOfDataWord) {
    data_mode_ = false;
    return Item{.kind = ItemKind::kEndOfData};
  }
  item.kind = ItemKind::kDataPair;
  return item;
}

Item RecordReader::Next() {
  SkipWhiteSpace();
  if (AtEnd()) return Item{.kind = ItemKind::kEndOfFile};
  return data_mode_ ? ReadDataItem() : ReadInstructionItem();
}

}  // namespace kiv

#include "assembler/record_decoder.h"

#include <array>
#include <cstdint>

#include "assembler/boundary_collector.h"
#include "assembler/plain_line.h"
#include "common/instruction_word.h"
#include "common/packed_bytes.h"
#include "common/record_format.h"

namespace kiv::assembler {
namespace {

// Per byte: a digit's value in bits 3-0, or kNotDigit, with kSpace added for
// white space. The same classes as RecordReader's.
constexpr uint8_t kNotDigit = 0x10;
constexpr uint8_t kSpace = 0x20;
constexpr auto kByteClass = [] {
  std::array<uint8_t, 256> table{};
  table.fill(kNotDigit);
  for (const unsigned char c : {' ', '\n', '\t', '\r', '\v', '\f'}) table[c] = kNotDigit | kSpace;
  for (int d = 0; d < 10; ++d) table['0' + d] = static_cast<uint8_t>(d);
  for (int d = 0; d < 6; ++d) {
    table['a' + d] = static_cast<uint8_t>(10 + d);
    table['A' + d] = static_cast<uint8_t>(10 + d);
  }
  return table;
}();

uint8_t ClassOf(char c) { return kByteClass[static_cast<unsigned char>(c)]; }
bool IsDigit(char c) { return (ClassOf(c) & kNotDigit) == 0; }
bool IsWhiteSpace(char c) { return (ClassOf(c) & kSpace) != 0; }

// The run of digits at the start of eight bytes: how many (0 to 8) and their
// value. The bytes are tested all at once, each in its own byte of a word, so
// numbers of any length up to eight digits cost the same and no branch
// depends on them.
struct HexRun {
  int digits;
  uint32_t value;
};

// One scan covers a data word, or all the significant digits of a number.
static_assert(record_format::kWordDigits == 8 && record_format::kNumberDigits == 8);

inline HexRun ScanEight(const char* p) {
  const uint64_t word = Load8(p);
  const uint64_t decimal = BytesInRange(word, '0', '9');
  const uint64_t letter = BytesInRange(word | (kEveryByte * 0x20), 'a', 'f');  // either case
  const auto digits = static_cast<int>(FirstByte(~(decimal | letter) & kHighBits));
  // The digits after the run are dropped off the low end.
  return HexRun{digits,
                static_cast<uint32_t>(uint64_t{EightDigitsValue(word)} >> (4 * (8 - digits)))};
}

// `Records` takes each record as RecordList does: the list itself, or pass
// 1's BoundaryCollector, which finds the boundaries on the way.
template <typename Records>
class Decoder {
 public:
  explicit Decoder(std::string_view text) : p_(text.data()), end_(text.data() + text.size()) {}

  bool Run(Records& records);

 private:
  void SkipWhiteSpace() {
    while (p_ != end_ && IsWhiteSpace(*p_)) ++p_;
  }
  bool ReadNumber(uint32_t& value);
  bool ReadNumberSlowly(uint32_t& value);
  bool ReadWord(uint32_t& value);
  bool ReadInstruction(Records& records, bool& enters_data);
  bool ReadDataRecord(Records& records, bool& leaves_data);
  void ReadPlainLines(Records& records);
  void ReadPlainPairs(Records& records);

  const char* p_;
  const char* end_;
};

// A whole number outside data mode: at least one digit, at most 32 bits,
// ended by white space or the end of the text.
template <typename Records>
bool Decoder<Records>::ReadNumber(uint32_t& value) {
  SkipWhiteSpace();
  // Nine bytes in reach: eight digits at most and what ends them. Longer
  // runs (leading zeros, too wide) and the last bytes go the slow way.
  constexpr int kDigits = record_format::kNumberDigits;
  if (end_ - p_ > kDigits) {
    const HexRun run = ScanEight(p_);
    if (run.digits < kDigits || !IsDigit(p_[kDigits])) {
      if (run.digits == 0 || !IsWhiteSpace(p_[run.digits])) return false;
      p_ += run.digits;
      value = run.value;
      return true;
    }
  }
  return ReadNumberSlowly(value);
}

template <typename Records>
bool Decoder<Records>::ReadNumberSlowly(uint32_t& value) {
  uint64_t accumulated = 0;
  const char* const start = p_;
  while (p_ != end_ && IsDigit(*p_)) {
    accumulated = accumulated * 16 + (ClassOf(*p_) & 0xfu);
    if (accumulated > 0xffffffffu) return false;
    ++p_;
  }
  if (p_ == start || (p_ != end_ && !IsWhiteSpace(*p_))) return false;
  value = static_cast<uint32_t>(accumulated);
  return true;
}

// Up to eight digits, as a data pair's word is read: what follows is not
// looked at here.
template <typename Records>
bool Decoder<Records>::ReadWord(uint32_t& value) {
  SkipWhiteSpace();
  if (end_ - p_ >= record_format::kWordDigits) {
    const HexRun run = ScanEight(p_);
    p_ += run.digits;
    value = run.value;
    return run.digits != 0;
  }
  const char* const start = p_;
  uint32_t accumulated = 0;
  while (p_ != end_ && p_ - start < record_format::kWordDigits && IsDigit(*p_)) {
    accumulated = accumulated * 16 + (ClassOf(*p_) & 0xfu);
    ++p_;
  }
  value = accumulated;
  return p_ != start;
}

template <typename Records>
bool Decoder<Records>::ReadInstruction(Records& records, bool& enters_data) {
  uint32_t head = 0;
  if (!ReadNumber(head)) return false;
  if (record_format::IsDataMarker(head)) {
    records.OpenSection();
    enters_data = true;
    return true;
  }
  uint32_t body = 0;
  if (!ReadNumber(body)) return false;
  if (OpcodeOfHead(head) != opcode::kSpawni) {
    records.AddInstruction(head, body);
    return true;
  }
  uint32_t second_head = 0;  // the second line's head, not looked at
  uint32_t second = 0;
  if (!ReadNumber(second_head) || !ReadNumber(second)) return false;
  records.AddSpawni(head, body, second);
  return true;
}

template <typename Records>
bool Decoder<Records>::ReadDataRecord(Records& records, bool& leaves_data) {
  uint32_t first_word = 0;
  uint32_t second_word = 0;
  if (!ReadWord(first_word) || !ReadWord(second_word)) return false;
  // A pair is one token of at most sixteen digits: digits running on past it
  // would otherwise be read as the start of the next record.
  if (p_ != end_ && !IsWhiteSpace(*p_)) return false;
  if (first_word == record_format::kEndOfDataWord) {
    records.CloseSection();
    leaves_data = true;
  } else {
    records.AddPair(first_word, second_word);
  }
  return true;
}

// Outside data mode, at a line break: the plain lines from here on, as far
// as they go. A line that is not plain, or one too near the end to be read
// sixteen bytes at once, is left to the general reader; a plain line whose
// head opens a data section or is a spawni's is too.
template <typename Records>
void Decoder<Records>::ReadPlainLines(Records& records) {
  // The position in a local, so that it stays in a register through the
  // loop rather than going back to the decoder after every line.
  const char* p = p_;
  PlainLine line;
  while (end_ - p > static_cast<ptrdiff_t>(kPlainLineReach) && *p == '\n' &&
         ReadPlainLine(p + 1, line) && !record_format::IsDataMarker(line.head) &&
         OpcodeOfHead(line.head) != opcode::kSpawni) {
    records.AddInstruction(line.head, line.body);
    p += line.length + 1;  // onto the line break that ends it
  }
  p_ = p;
}

// In data mode, at a line break: the pairs alone on their lines, as far as
// they go; the end-of-data record and every other line are left to the
// general reader.
template <typename Records>
void Decoder<Records>::ReadPlainPairs(Records& records) {
  const char* p = p_;
  uint32_t first = 0;
  uint32_t second = 0;
  while (end_ - p > static_cast<ptrdiff_t>(kPlainLineReach) && *p == '\n' &&
         ReadPlainPair(p + 1, first, second) && first != record_format::kEndOfDataWord) {
    records.AddPair(first, second);
    p += record_format::kPairDigits + 1;  // onto the line break that ends it
  }
  p_ = p;
}

template <typename Records>
bool Decoder<Records>::Run(Records& records) {
  bool data_mode = false;
  for (;;) {
    if (data_mode) {
      ReadPlainPairs(records);
    } else {
      ReadPlainLines(records);
    }
    SkipWhiteSpace();
    if (p_ == end_) return true;
    bool switches = false;
    if (!(data_mode ? ReadDataRecord(records, switches) : ReadInstruction(records, switches))) {
      return false;
    }
    data_mode ^= switches;
  }
}

}  // namespace

bool DecodeRecords(std::string_view text, RecordList& records) {
  records.ReserveForText(text.size());
  return Decoder<RecordList>(text).Run(records);
}

bool DecodeRecords(std::string_view text, BoundaryCollector& collector) {
  collector.ReserveForText(text.size());
  return Decoder<BoundaryCollector>(text).Run(collector);
}

}  // namespace kiv::assembler

// The data directives of the statement walk: where they may stand, what
// their operands must look like, and how far each moves the instruction
// index (as the encoding pass moves it).
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "assembly/index_rules.h"
#include "assembly/number_parser.h"
#include "kiv/checker_operands.h"
#include "kiv/statement_walker.h"

namespace kiv::tool {
namespace {

// A group of eight string bytes whose upper four are all 0xff would read back
// as the end-of-data record; filler bytes (0x11) never complete one.
bool HasEndOfDataGroup(std::string_view bytes) {
  if (std::memchr(bytes.data(), 0xff, bytes.size()) == nullptr) return false;
  for (size_t group = 0; group + 8 <= bytes.size(); group += 8) {
    bool all = true;
    for (size_t i = 4; i < 8; ++i)
      all = all && static_cast<unsigned char>(bytes[group + i]) == 0xff;
    if (all) return true;
  }
  return false;
}

}  // namespace

bool StatementWalker::Directive(std::string_view token, InstructionClass cls) {
  line_instruction_ = nullptr;
  Record(token);
  switch (cls) {
    case InstructionClass::kRdata:
      if (!section_open_) {
        section_open_ = true;
        section_offset_ = Offset(token);
        section_start_ = index_;
        section_pairs_ = 0;
        data_words_ = 0;
      }
      return true;
    case InstructionClass::kWord:
      return Word(token);
    case InstructionClass::kAscii:
      return Ascii(token);
    case InstructionClass::kAlign:
      FlushWords();
      return Align();
    case InstructionClass::kText:
      if (section_open_) {
        FlushWords();
        facts_.sections.push_back(
            SectionFact{section_offset_, Offset(token), section_start_, index_});
        section_open_ = false;
      }
      return true;
    default:
      return true;
  }
}

bool StatementWalker::OutsideSection(std::string_view token) {
  report_.Error(Offset(token), token.size(),
                "data directive " + Quoted(token) +
                    " outside a data section: open one with .rdata first (after a .text, "
                    "data needs a new .rdata)");
  return false;
}

// An odd stretch of words is completed by a filler pair.
void StatementWalker::FlushWords() {
  if (assembly::StretchNeedsFiller(data_words_)) ++section_pairs_;
  index_ += assembly::StretchEndIndices(data_words_);
  data_words_ = 0;
}

bool StatementWalker::Word(std::string_view token) {
  if (!section_open_) return OutsideSection(token);
  std::string_view value;
  if (!NextOnLine(value)) {
    MissingOperand(token, "'.word' takes a decimal integer", "value");
    index_ += assembly::PairIndices(data_words_++);
    ++section_pairs_;
    TakeIntegersFromNextLines(1);
    return false;
  }
  if (!IsWholeInteger(value)) {
    const size_t prefix = IntegerPrefix(value);
    std::string message = "invalid operand " + Quoted(value) +
                          ": '.word' takes a decimal integer (an optional sign, then digits)";
    if (prefix > 0) {
      message += "; the programs would store " + std::string(value.substr(0, prefix)) +
                 " and read " + Quoted(value.substr(prefix)) + " as the next statement";
    }
    report_.Error(Offset(value), value.size(), std::move(message));
    return false;
  }
  const bool negative = value.front() == '-';
  const std::string_view digits = value.substr(value.front() == '+' || negative ? 1 : 0);
  const size_t significant = digits.size() - std::min(digits.find_first_not_of('0'), digits.size());
  const int32_t stored = assembly::ConvertDecimal(negative, digits);
  // Within 10 digits the stored value tells whether anything was cut.
  const int64_t exact =
      significant <= 10 ? std::stoll(std::string(digits)) * (negative ? -1 : 1) : int64_t{1} << 40;
  if (exact < INT32_MIN || exact > UINT32_MAX) {
    report_.Warning(Offset(value), value.size(),
                    "value " + Quoted(value) + " does not fit 32 bits: the word stored is " +
                        std::to_string(static_cast<uint32_t>(stored)));
  }
  index_ += assembly::PairIndices(data_words_++);
  ++section_pairs_;
  return true;
}

// The character right after the directive is its separator, whatever it is;
// the next one must be the opening quote.
bool StatementWalker::Ascii(std::string_view token) {
  const size_t separator = Offset(token) + token.size();
  const size_t open = separator + 1;
  if (open >= text_.size() || text_[separator] == '\n' || text_[open] != '"') {
    const bool at_line_end = separator >= text_.size() || text_[separator] == '\n' ||
                             open >= text_.size() || text_[open] == '\n';
    report_.Error(at_line_end ? Offset(token) : open, at_line_end ? token.size() : 1,
                  at_line_end ? "missing string: '.ascii' takes a string in double quotes"
                              : "'.ascii' takes its string in double quotes after exactly one "
                                "blank: the programs take " +
                                    Quoted(text_.substr(open, 1)) + " as the opening quote");
    return false;
  }
  if (!StringBody(token, open)) return false;
  return section_open_ || OutsideSection(token);
}

bool StatementWalker::StringBody(std::string_view token, size_t open) {
  const size_t close = text_.find('"', open + 1);
  if (close == std::string_view::npos) {
    report_.Error(open, 1,
                  "unclosed string: no closing double quote before the end of the source; "
                  "the programs would take everything after it as its text");
    stopped_ = true;
    return false;
  }
  const size_t line_end = text_.find('\n', open);
  if (line_end < close) {
    // The programs run the string on over line ends, and so does the walk:
    // what they read as text is no statement.
    report_.Error(open, 1,
                  "unclosed string: no closing double quote on its line; the programs would "
                  "run the string on to line " +
                      std::to_string(LineOf(close)) + " and store the line ends in it");
    MoveTo(close + 1);
    return false;
  }
  const std::string_view bytes = text_.substr(open + 1, close - open - 1);
  pos_ = close + 1;
  if (HasEndOfDataGroup(bytes)) {
    report_.Error(Offset(token), token.size(),
                  "string bytes 4 to 7 of a group of eight are all 0xff: the data pair would "
                  "read back as the end of the data section");
    return false;
  }
  index_ += static_cast<uint32_t>(assembly::StringIndices(bytes.size()));
  section_pairs_ += static_cast<uint32_t>((bytes.size() + 15) / 16 * 2);
  return true;
}

// The operand of .align is optional and has no effect; a number glued to
// other text leaves that text to be read as a statement.
bool StatementWalker::Align() {
  const size_t before = pos_;
  std::string_view operand;
  if (!NextOnLine(operand)) return true;
  if (IsWholeInteger(operand)) return true;
  const size_t prefix = IntegerPrefix(operand);
  if (prefix == 0) {
    pos_ = before;  // the next statement
    return true;
  }
  report_.Error(Offset(operand) + prefix, operand.size() - prefix,
                "invalid operand " + Quoted(operand) +
                    ": '.align' takes an optional decimal integer; the programs would read " +
                    Quoted(operand.substr(prefix)) + " as the next statement");
  return false;
}

}  // namespace kiv::tool

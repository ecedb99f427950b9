#include "assembly/source_scanner.h"

#include <bit>

#include "assembly/number_parser.h"

namespace kiv::assembly {
namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

void SourceScanner::SkipSpace() {
  while (pos_ < text_.size()) {
    const size_t offset = pos_ & (kSpaceBlock - 1);
    const uint64_t other = ~space_.BlockOf(pos_) >> offset;
    if (other != 0) {
      pos_ += static_cast<size_t>(std::countr_zero(other));
      return;
    }
    pos_ += kSpaceBlock - offset;
  }
  pos_ = text_.size();
}

bool SourceScanner::NextTokenByBlocks(std::string_view& token) {
  SkipSpace();
  const size_t start = pos_;
  while (pos_ < text_.size()) {
    const size_t offset = pos_ & (kSpaceBlock - 1);
    const uint64_t space = space_.BlockOf(pos_) >> offset;
    if (space != 0) {
      pos_ += static_cast<size_t>(std::countr_zero(space));
      break;
    }
    pos_ += kSpaceBlock - offset;
  }
  // The bits past the end of the text are set: a token stops there.
  token = std::string_view(text_.data() + start, pos_ - start);
  return pos_ > start;
}

size_t SourceScanner::MatchInteger() const {
  size_t p = pos_;
  if (p < text_.size() && (text_[p] == '+' || text_[p] == '-')) ++p;
  const size_t digits_start = p;
  while (p < text_.size() && IsDigit(text_[p])) ++p;
  return p > digits_start ? p - pos_ : 0;
}

bool SourceScanner::ReadInteger(int32_t& value) {
  SkipSpace();
  const size_t length = MatchInteger();
  if (length == 0) return false;
  std::string_view number = text_.substr(pos_, length);
  const bool negative = number.front() == '-';
  if (number.front() == '+' || negative) number.remove_prefix(1);
  value = ConvertDecimal(negative, number);
  pos_ += length;
  return true;
}

void SourceScanner::SkipInteger() {
  SkipSpace();
  pos_ += MatchInteger();
}

bool SourceScanner::NextChar(char& c) {
  if (pos_ >= text_.size()) return false;
  c = text_[pos_++];
  return true;
}

}  // namespace kiv::assembly

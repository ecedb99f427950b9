#include "assembly/source_scanner.h"

#include "assembly/number_parser.h"
#include "common/packed_bytes.h"

namespace kiv::assembly {
namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

// Blanks and tokens are a few bytes long: eight bytes are tested at a time
// while eight remain.
uint64_t ScanSpaceBytes(uint64_t word) {
  return BytesEqual(word, ' ') | BytesInRange(word, '\t', '\r');
}

void SourceScanner::SkipSpace() {
  const char* const text = text_.data();
  while (pos_ + 8 <= text_.size()) {
    const uint64_t other = ~ScanSpaceBytes(Load8(text + pos_)) & kHighBits;
    if (other != 0) {
      pos_ += FirstByte(other);
      return;
    }
    pos_ += 8;
  }
  while (pos_ < text_.size() && IsScanSpace(text[pos_])) ++pos_;
}

bool SourceScanner::NextToken(std::string_view& token) {
  SkipSpace();
  const size_t start = pos_;
  const char* const text = text_.data();
  // Most tokens end within the eight bytes they start in.
  while (pos_ + 8 <= text_.size()) {
    const uint64_t space = ScanSpaceBytes(Load8(text + pos_));
    if (space != 0) {
      pos_ += FirstByte(space);
      token = std::string_view(text + start, pos_ - start);
      return pos_ > start;
    }
    pos_ += 8;
  }
  while (pos_ < text_.size() && !IsScanSpace(text[pos_])) ++pos_;
  token = std::string_view(text + start, pos_ - start);
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

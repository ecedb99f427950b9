// The tokens of one line of the normalised text, found from the bits of a
// 64-byte window: which bytes are white space and which are line ends. The
// statement walk asks for every token of a big source, most of them a few
// bytes apart; a window holds a line or two, so most tokens cost a few
// register operations instead of a test per byte. Tokens and gaps that run
// past the window, and the last bytes of the text, take the byte scan of
// token_scan.h, which the window's answers must equal (a test compares them
// with NextOnLinePlain).
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "assembly/byte_set_bits.h"
#include "assembly/space_bits.h"
#include "kiv/token_scan.h"

namespace kiv::tool {

class LineTokens {
 public:
  explicit LineTokens(std::string_view text) : text_(text) {}

  // The next token from `pos` before the line ends: true with `pos` just past
  // it; false with `pos` at the line end (or the text's end), not past it.
  // `pos` may be anywhere, before or after the previous answer.
  bool Next(size_t& pos, std::string_view& token) {
    Answer answer = InWindow(pos, token);
    // Looked at afresh from `pos`: the old window may have ended too soon.
    if (answer == Answer::kUndecided && window_start_ != pos &&
        text_.size() - pos >= assembly::kByteBlock) {
      Load(pos);
      answer = InWindow(pos, token);
    }
    if (answer == Answer::kUndecided) return ByBytes(pos, token);
    return answer == Answer::kToken;
  }

 private:
  enum class Answer : uint8_t { kToken, kLineEnd, kUndecided };

  void Load(size_t at) {
    window_start_ = at;
    space_ = assembly::SpaceBits(text_.data() + at);
    line_ends_ = assembly::ByteSetBits<'\n'>(text_.data() + at);
  }

  Answer InWindow(size_t& pos, std::string_view& token) const {
    const size_t offset = pos - window_start_;  // wraps to a large value before the window
    if (offset >= assembly::kByteBlock) return Answer::kUndecided;
    const uint64_t inside = ~uint64_t{0} >> offset;
    const uint64_t space = space_ >> offset;
    const uint64_t line_ends = line_ends_ >> offset;
    // A token's first byte or a line end, whichever comes first.
    const uint64_t stops = (~space | line_ends) & inside;
    if (stops == 0) return Answer::kUndecided;
    const int start = std::countr_zero(stops);
    if ((line_ends >> start) & 1) {
      pos += static_cast<size_t>(start);
      return Answer::kLineEnd;
    }
    const uint64_t after = (space & inside) >> start;
    if (after == 0) return Answer::kUndecided;  // the token may run past the window
    const auto length = static_cast<size_t>(std::countr_zero(after));
    // Within the text by the window's bounds: no check needed.
    token = std::string_view(text_.data() + pos + static_cast<size_t>(start), length);
    pos += static_cast<size_t>(start) + length;
    return Answer::kToken;
  }

  bool ByBytes(size_t& pos, std::string_view& token) const {
    const size_t start = SkipLineSpace(text_, pos);
    if (start == text_.size() || text_[start] == '\n') {
      pos = start;
      return false;
    }
    pos = TokenEnd(text_, start);
    token = text_.substr(start, pos - start);
    return true;
  }

  std::string_view text_;
  // The bits of the 64 bytes from window_start_; none yet (the window starts
  // a block before the text).
  size_t window_start_ = size_t{0} - assembly::kByteBlock;
  uint64_t space_ = 0;
  uint64_t line_ends_ = 0;
};

// The plain twin, byte by byte, for the test that compares them.
bool NextOnLinePlain(std::string_view text, size_t& pos, std::string_view& token);

}  // namespace kiv::tool

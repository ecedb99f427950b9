#include "assembly/normaliser.h"

#include <array>

namespace kiv::assembly {
namespace {

// Bytes that change the state or the output, per state; every other byte is
// copied as it is, a whole run at a time.
using ByteSet = std::array<bool, 256>;

constexpr ByteSet MakeSet(std::string_view bytes) {
  ByteSet set{};
  for (const char c : bytes) set[static_cast<unsigned char>(c)] = true;
  return set;
}

constexpr ByteSet kSpecialInCode = MakeSet("\";#,$()");
constexpr ByteSet kSpecialInQuote = MakeSet("\"");
constexpr ByteSet kSpecialInComment = MakeSet("\"\n");

const char* SkipOrdinary(const char* p, const char* end, const ByteSet& special) {
  while (p < end && !special[static_cast<unsigned char>(*p)]) ++p;
  return p;
}

// Runs between punctuation are a few bytes long: a plain loop beats a call.
char* CopyOrdinary(char* o, const char*& p, const char* end, const ByteSet& special) {
  while (p < end && !special[static_cast<unsigned char>(*p)]) *o++ = *p++;
  return o;
}

}  // namespace

std::string NormaliseSource(std::string_view source) {
  std::string text(source);
  NormaliseInPlace(text);
  return text;
}

// The output is never longer than what has been read, so it is written over
// the text it comes from.
void NormaliseInPlace(std::string& text) {
  char* o = text.data();
  const char* p = text.data();
  const char* const end = p + text.size();
  bool in_quote = false;
  bool in_comment = false;
  while (p < end) {
    if (in_comment) {
      // A quote toggles even inside a comment: an odd number of quotes in a
      // comment changes how the rest of the file is read.
      p = SkipOrdinary(p, end, kSpecialInComment);
      if (p == end) break;
      if (*p == '"') {
        in_quote = !in_quote;
      } else {
        in_comment = false;
        *o++ = '\n';
      }
      ++p;
      continue;
    }
    o = CopyOrdinary(o, p, end, in_quote ? kSpecialInQuote : kSpecialInCode);
    if (p == end) break;
    const char c = *p++;
    switch (c) {
      case '"':
        in_quote = !in_quote;
        *o++ = c;
        break;
      case ';':
      case '#':
        in_comment = true;
        break;
      default:  // , $ ( )
        *o++ = ' ';
        break;
    }
  }
  text.resize(static_cast<size_t>(o - text.data()));
}

}  // namespace kiv::assembly

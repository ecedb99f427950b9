#include "assembly/normaliser.h"

#include <array>

namespace kiv::assembly {
namespace {

// Bytes that change the state, per state; every other byte is copied (in
// code, with the operand punctuation turned into blanks), a whole run at a time.
using ByteSet = std::array<bool, 256>;

constexpr ByteSet MakeSet(std::string_view bytes) {
  ByteSet set{};
  for (const char c : bytes) set[static_cast<unsigned char>(c)] = true;
  return set;
}

constexpr ByteSet kSpecialInCode = MakeSet("\";#");
constexpr ByteSet kSpecialInComment = MakeSet("\"\n");

const char* SkipOrdinary(const char* p, const char* end, const ByteSet& special) {
  while (p < end && !special[static_cast<unsigned char>(*p)]) ++p;
  return p;
}

// What a byte of code becomes: , $ ( ) separate operands like blanks.
constexpr auto kCodeByte = [] {
  std::array<char, 256> table{};
  for (int c = 0; c < 256; ++c) table[static_cast<size_t>(c)] = static_cast<char>(c);
  for (const unsigned char c : {',', '$', '(', ')'}) table[c] = ' ';
  return table;
}();

// Runs are a few bytes long: a plain loop beats a call.
char* CopyCode(char* o, const char*& p, const char* end) {
  while (p < end && !kSpecialInCode[static_cast<unsigned char>(*p)]) {
    *o++ = kCodeByte[static_cast<unsigned char>(*p++)];
  }
  return o;
}

char* CopyQuoted(char* o, const char*& p, const char* end) {
  while (p < end && *p != '"') *o++ = *p++;
  return o;
}

}  // namespace

std::string NormaliseSource(std::string_view source) {
  std::string text(source);
  text.resize(static_cast<size_t>(Normaliser().Normalise(text, text.data()) - text.data()));
  return text;
}

char* Normaliser::Normalise(std::string_view piece, char* o) {
  const char* p = piece.data();
  const char* const end = p + piece.size();
  bool in_quote = in_quote_;
  bool in_comment = in_comment_;
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
    o = in_quote ? CopyQuoted(o, p, end) : CopyCode(o, p, end);
    if (p == end) break;
    const char c = *p++;
    if (c == '"') {
      in_quote = !in_quote;
      *o++ = c;
    } else {  // ; or #
      in_comment = true;
    }
  }
  in_quote_ = in_quote;
  in_comment_ = in_comment;
  return o;
}

}  // namespace kiv::assembly

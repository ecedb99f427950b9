#include "assembly/normaliser.h"

#include <array>
#include <cstdint>

#include "common/large_buffer.h"
#include "common/packed_bytes.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// Comments are skipped eight bytes at a time while eight remain.
const char* SkipComment(const char* p, const char* end) {
  for (; end - p >= 8; p += 8) {
    const uint64_t word = Load8(p);
    const uint64_t special = BytesEqual(word, '"') | BytesEqual(word, '\n');
    if (special != 0) return p + FirstByte(special);
  }
  while (p < end && !kSpecialInComment[static_cast<unsigned char>(*p)]) ++p;
  return p;
}

// What a byte of code becomes: , $ ( ) separate operands like blanks.
constexpr auto kCodeByte = [] {
  std::array<char, 256> table{};
  for (int c = 0; c < 256; ++c) table[static_cast<size_t>(c)] = static_cast<char>(c);
  for (const unsigned char c : {',', '$', '(', ')'}) table[c] = ' ';
  return table;
}();

// Sixteen or eight bytes at a time while no byte among them changes the
// state: then all are used up, and writing them cannot overwrite unread
// source when the output is the source's own buffer.
char* CopyCode(char* o, const char*& p, const char* end) {
#if defined(__SSE2__)
  const auto equal = [](__m128i bytes, char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
  for (; end - p >= 16; p += 16, o += 16) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i special =
        _mm_or_si128(_mm_or_si128(equal(bytes, '"'), equal(bytes, ';')), equal(bytes, '#'));
    if (_mm_movemask_epi8(special) != 0) break;
    const __m128i punctuation = _mm_or_si128(_mm_or_si128(equal(bytes, ','), equal(bytes, '$')),
                                             _mm_or_si128(equal(bytes, '('), equal(bytes, ')')));
    const __m128i blanked = _mm_or_si128(_mm_andnot_si128(punctuation, bytes),
                                         _mm_and_si128(punctuation, _mm_set1_epi8(' ')));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o), blanked);
  }
#endif
  for (; end - p >= 8; p += 8, o += 8) {
    const uint64_t word = Load8(p);
    const uint64_t special = BytesEqual(word, '"') | BytesEqual(word, ';') | BytesEqual(word, '#');
    if (special != 0) break;
    const uint64_t punctuation = BytesEqual(word, ',') | BytesEqual(word, '$') |
                                 BytesEqual(word, '(') | BytesEqual(word, ')');
    const uint64_t replaced = (punctuation >> 7) * 0xff;  // whole bytes
    Store8(o, (word & ~replaced) | (kEveryByte * ' ' & replaced));
  }
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

// A cache-sized piece at a time, so the source is read once and the text
// written once, with no cleared buffer in between.
std::string NormaliseSource(std::string_view source) {
  constexpr size_t kPiece = size_t{64} << 10;
  std::string formatted;
  ReserveLarge(formatted, source.size());
  std::array<char, kPiece> piece;
  Normaliser normaliser;
  for (size_t at = 0; at < source.size(); at += kPiece) {
    formatted.append(piece.data(), normaliser.Normalise(source.substr(at, kPiece), piece.data()));
  }
  return formatted;
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
      p = SkipComment(p, end);
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

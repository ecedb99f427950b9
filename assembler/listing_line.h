// The listing's text: a bundle's line (slot 3, slot 2 and slot 1, each its
// 42 bits as eleven hexadecimal digits, then the count; always 38
// characters) and a data pair's half of a data line. Formatting the digits
// was most of the packer's work; with 16-byte registers sixteen digits are
// made at once rather than eight at a time.
#pragma once

#include <cstddef>
#include <cstdint>

#include "assembler/bundle_bits.h"
#include "assembler/hex_word.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kiv::assembler {

inline constexpr size_t kListingLineLength = 38;
// Bytes after the line that WriteListingLine may overwrite with others.
inline constexpr size_t kListingLineSlack = 2;

// The line, a word of digits at a time; writes exactly its 38 bytes.
inline void WriteListingLinePlain(char* line, BundleBits bundle) {
  WriteHexEleven(line, SlotWord(bundle, 3));
  line[11] = ' ';
  WriteHexEleven(line + 12, SlotWord(bundle, 2));
  line[23] = ' ';
  WriteHexEleven(line + 24, SlotWord(bundle, 1));
  line[35] = ' ';
  line[36] = static_cast<char>('0' + CountField(bundle));
  line[37] = '\n';
}

#if defined(__SSE2__)
// The sixteen digits of `value`, most significant first, one to a byte.
inline __m128i SixteenDigits(uint64_t value) {
  // Byte k of the register is byte k of the value from its top: its high
  // nibble is digit 2k and its low nibble digit 2k + 1.
  const __m128i bytes = _mm_cvtsi64_si128(static_cast<long long>(__builtin_bswap64(value)));
  const __m128i nibble = _mm_set1_epi8(0x0f);
  const __m128i high = _mm_and_si128(_mm_srli_epi16(bytes, 4), nibble);
  const __m128i digits = _mm_unpacklo_epi8(high, _mm_and_si128(bytes, nibble));
  // '0' onto every digit, and the 39 more from '9' + 1 to 'a' onto 10 to 15.
  const __m128i letters =
      _mm_and_si128(_mm_cmpgt_epi8(digits, _mm_set1_epi8(9)), _mm_set1_epi8('a' - '0' - 10));
  return _mm_add_epi8(_mm_add_epi8(digits, _mm_set1_epi8('0')), letters);
}

// The same digits, stored at `out`.
inline void StoreSixteenDigits(char* out, uint64_t value) {
  _mm_storeu_si128(reinterpret_cast<__m128i*>(out), SixteenDigits(value));
}
#endif

// The same line; writes its 38 bytes and may overwrite the
// kListingLineSlack bytes after them.
inline void WriteListingLine(char* line, BundleBits bundle) {
#if defined(__SSE2__)
  // Each slot's 42 bits shifted to the top of 64: its eleven digits come
  // first, and the five zero digits after them are overwritten by the next
  // slot's digits, by the separators or (after slot 1) fall into the slack.
  constexpr int kToTop = 64 - 44;
  StoreSixteenDigits(line, SlotWord(bundle, 3) << kToTop);
  StoreSixteenDigits(line + 12, SlotWord(bundle, 2) << kToTop);
  StoreSixteenDigits(line + 24, SlotWord(bundle, 1) << kToTop);
  line[11] = ' ';
  line[23] = ' ';
  line[35] = ' ';
  line[36] = static_cast<char>('0' + CountField(bundle));
  line[37] = '\n';
#else
  WriteListingLinePlain(line, bundle);
#endif
}

inline constexpr size_t kPairTextLength = 18;

// A data pair's part of a data line: the second word and the first, eight
// digits each, a blank between and after them a blank or, when `ends_line`,
// the line break; a word at a time. Writes exactly its 18 bytes.
inline void WritePairTextPlain(char* text, uint32_t first_word, uint32_t second_word,
                               bool ends_line) {
  Store8(text, HexDigitsWord(second_word));
  text[8] = ' ';
  Store8(text + 9, HexDigitsWord(first_word));
  text[17] = ends_line ? '\n' : ' ';
}

// The same text, both words' digits made at once where the processor has
// 16-byte registers. Writes exactly its 18 bytes.
inline void WritePairText(char* text, uint32_t first_word, uint32_t second_word, bool ends_line) {
#if defined(__SSE2__)
  const __m128i digits = SixteenDigits((uint64_t{second_word} << 32) | first_word);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(text), digits);
  _mm_storel_epi64(reinterpret_cast<__m128i*>(text + 9), _mm_srli_si128(digits, 8));
  text[8] = ' ';
  text[17] = ends_line ? '\n' : ' ';
#else
  WritePairTextPlain(text, first_word, second_word, ends_line);
#endif
}

}  // namespace kiv::assembler

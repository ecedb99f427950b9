// What must hold of every run of the stages, whatever the input. Each check
// prints what broke and aborts, so libFuzzer keeps the input as a crash.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "tests/support/record_reader.h"

namespace kiv::fuzz {

[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

inline void Check(bool condition, const char* what) {
  if (!condition) Fail(what);
}

// The front end's object text: empty, or records that each begin with a line
// break and hold only lowercase hexadecimal digits and blanks; it never ends
// with a line break. Read back, it holds no malformed record (the front end
// writes no record cut short and drops a faulty string whole, so this holds
// after a failing statement too). Returns whether the text ends in data mode.
inline bool CheckObjectText(std::string_view text) {
  if (text.empty()) return false;
  Check(text.front() == '\n', "object text does not begin with a line break");
  Check(text.back() != '\n', "object text ends with a line break");
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    const bool digit = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    Check(digit || c == ' ' || c == '\n', "object text holds a byte no record writes");
    if (c == '\n') {
      Check(i + 1 < text.size() && text[i + 1] != '\n' && text[i + 1] != ' ',
            "object text holds an empty record");
    }
  }
  RecordReader reader(text);
  for (Item item = reader.Next(); item.kind != ItemKind::kEndOfFile; item = reader.Next()) {
    Check(item.kind != ItemKind::kMalformed, "object text reads back as a malformed record");
  }
  return reader.in_data_mode();
}

// Whether the text's last data section runs to its end with an odd number of
// pairs, the one case in which the image may end in half a unit.
inline bool EndsInOddDataSection(std::string_view text) {
  RecordReader reader(text);
  uint64_t pairs = 0;
  for (Item item = reader.Next(); item.kind != ItemKind::kEndOfFile; item = reader.Next()) {
    if (item.kind == ItemKind::kMalformed) return false;
    if (item.kind == ItemKind::kDataMarker) pairs = 0;
    if (item.kind == ItemKind::kDataPair) ++pairs;
  }
  return reader.in_data_mode() && pairs % 2 != 0;
}

// Pass 2's outputs: the image is whole 16-byte units and the four closing
// bytes 0xff, with half a unit more only when `half_unit_allowed`; the listing
// holds one line per unit, a bundle line of 37 characters or a data line of
// 35, and the half unit as an unfinished data line of 18.
inline void CheckOutputs(const std::string& image, const std::string& listing,
                         bool half_unit_allowed) {
  Check(image.size() >= 4 && image.compare(image.size() - 4, 4, "\xff\xff\xff\xff") == 0,
        "image does not end with four 0xff bytes");
  const size_t body = image.size() - 4;
  const bool half = body % 16 == 8;
  Check(body % 16 == 0 || (half && half_unit_allowed), "image is not made of whole units");
  size_t lines = 0;
  size_t start = 0;
  for (size_t end = listing.find('\n'); end != std::string::npos;
       start = end + 1, end = listing.find('\n', start)) {
    const size_t length = end - start;
    Check(length == 37 || length == 35, "listing line of a wrong length");
    ++lines;
  }
  Check(lines == body / 16, "listing lines and image units disagree");
  Check(listing.size() - start == (half ? 18u : 0u), "listing ends in an unfinished line");
}

}  // namespace kiv::fuzz

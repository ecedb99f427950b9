// A data section's pairs turned back into the directives that write them:
// `.word` for a pair whose first word is zero, `.ascii` for pairs of string
// bytes (16 at a time, as strings are filled), `.align` where a filler pair
// closes an odd run of words.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "kiv/image.h"

namespace kiv::tool {

enum class DataItemKind : uint8_t { kWord, kAscii, kAlign };

struct DataItem {
  DataItemKind kind = DataItemKind::kWord;
  size_t first_pair = 0;       // position in the section
  size_t pair_count = 0;       // pairs it writes (an `.align` 1 or 0)
  int32_t word = 0;            // `.word`
  std::string text;            // `.ascii`: the characters, trailing filler left to the front end
  std::vector<size_t> labels;  // label positions (pairs) that stand before it
  std::string warning;         // what the directive cannot give back
};

// `label_pairs` are the ascending even positions that labels must name; a
// label falls before the first directive that starts at or after it, with
// an `.align` first where words are pending, so that both counts of the
// front end agree on its index. Labels past the last pair are left out.
std::vector<DataItem> LayOutData(std::span<const DataPair> pairs,
                                 std::span<const size_t> label_pairs);

}  // namespace kiv::tool

// How data advances the instruction index. Both front-end passes count with
// these functions, so a label's index (label pass) and the index the records
// stand for (encoding pass) cannot drift apart.
//
// Data takes three indices per 16-byte line, like a bundle of three
// instructions. A stretch of .word pairs fills lines two pairs at a time: the
// pair at an even position of its stretch starts a line and takes one index,
// the pair at an odd position completes it and takes two (its own and the
// line's third). Word k of a stretch thus sits at base + 3*(k/2) + k%2, and a
// label in front of it names the line that holds it.
#pragma once

#include <cstdint>

namespace kiv::assembly {

// The indices the data pair at `position` (from 0) of its stretch takes.
constexpr uint32_t PairIndices(uint32_t position) { return position % 2 == 0 ? 1 : 2; }

// A stretch ending after an odd number of pairs is completed by one filler
// pair, itself the second pair of its line.
constexpr bool StretchNeedsFiller(uint32_t pairs) { return pairs % 2 != 0; }

// The indices the end of a stretch of `pairs` pairs takes: the filler's, or
// none for a stretch of whole lines.
constexpr uint32_t StretchEndIndices(uint32_t pairs) {
  return StretchNeedsFiller(pairs) ? PairIndices(pairs) : 0;
}

// A string of `length` bytes fills whole lines (its length raised to a
// multiple of 16), three indices each. It takes an even number of pairs, so
// the parity of the stretch it stands in is kept.
constexpr uint64_t StringIndices(uint64_t length) { return (length + 15) / 16 * 3; }

}  // namespace kiv::assembly

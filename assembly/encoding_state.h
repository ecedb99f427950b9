// Where the encoding pass stands between two statements: all that its
// records and log lines from there on depend on, besides the text and the
// labels. The label pass counts with the same rules, so on an ordinary
// source it can say what this state will be at a line it passes.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kiv::assembly {

struct EncodingState {
  size_t offset = 0;        // in the text; only white space up to the next statement
  uint32_t index = 0;       // the instruction index of the next statement
  bool data_open = false;   // between a .rdata and the .text that closes it
  uint32_t data_words = 0;  // .word pairs of the open stretch

  // The same counts, wherever each stands.
  bool SameCounts(const EncodingState& other) const {
    return index == other.index && data_open == other.data_open && data_words == other.data_words;
  }
};

}  // namespace kiv::assembly

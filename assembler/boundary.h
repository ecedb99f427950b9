// One index that must begin a bundle, with the padding that makes it do so.
#pragma once

#include <cstdint>

namespace kiv::assembler {

struct Boundary {
  uint32_t index = 0;
  // Empty slots before this boundary's instruction in the whole image.
  uint32_t padding = 0;
};

// Empty slots that move an instruction at `position` (index plus the padding
// before it) to the start of the next bundle; none when it starts one.
constexpr uint32_t PaddingToBundleStart(uint32_t position) { return (3u - position % 3u) % 3u; }

}  // namespace kiv::assembler

// One index that must begin a bundle, with the padding that makes it do so.
#pragma once

#include <cstdint>

namespace kiv::assembler {

struct Boundary {
  uint32_t index = 0;
  // Empty slots before this boundary's instruction in the whole image.
  uint32_t padding = 0;
};

}  // namespace kiv::assembler

#include "assembler/boundary_bitmap.h"

namespace kiv::assembler {

void BoundaryBitmap::Reset(uint64_t limit) {
  limit_ = limit;
  blocks_.AssignZeros((limit + kIndicesPerBlock - 1) / kIndicesPerBlock);
}

}  // namespace kiv::assembler

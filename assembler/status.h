// Stage statuses of the back end. The driver only tells zero from non-zero.
#pragma once

#include <cstdint>

namespace kiv::assembler {

enum class Status : uint8_t {
  kOk = 0,
  kFileError = 10,  // an input or output file cannot be opened, read or written
  // 11, "an index that is not a boundary", never leaves the boundary table:
  // BoundaryTable::PaddingOfBoundary answers it with an empty optional.
  kMalformedRecord = 12,  // the intermediate text holds a record that cannot be read
  kTargetInData = 13,     // a jump or branch aims strictly inside a data section
};

}  // namespace kiv::assembler

// Status codes of the front-end stages; 0 is success.
#pragma once

#include <cstdint>

namespace kiv::assembly {

enum class Status : uint8_t {
  kSuccess = 0,
  kFileError = 10,               // an input or output file cannot be opened
  kMissingLabel = 11,            // an immediate operand names an absent label
  kDuplicateLabel = 12,          // InsertLabel: the name is already defined
  kLabelNotFound = 13,           // FindLabel: no such name
  kUnsupportedInstruction = 14,  // a statement token not in the mnemonic table
  kMalformedOperand = 15,        // an operand or directive that cannot be read
};

}  // namespace kiv::assembly

// Instructions read but not yet written. A program's label look-ups land at
// random places of a table far larger than the caches; looked up as each
// statement is read, every one waits for memory. Here a label operand's slot
// is fetched when its instruction is read, and looked up when the
// instruction leaves the batch, a few dozen instructions later, by which
// time it has arrived.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "assembly/encoding_context.h"
#include "assembly/instruction_encoding.h"
#include "assembly/label_table.h"
#include "assembly/mnemonic_table.h"
#include "assembly/status.h"

namespace kiv::assembly {

class InstructionBatch {
 public:
  // Reads the instruction's operands and takes the next index for it, or
  // writes what the batch holds and fails as EncodeInstruction would when
  // its tokens run out. A missing label is only found by Write.
  Status Add(EncodingContext& context, const Mnemonic& row);
  // Resolves and writes the instructions held, in order, and empties the
  // batch; stops at the first missing label, which is logged at its
  // instruction's index with the records before it written.
  Status Write(EncodingContext& context);

 private:
  Status WriteOldest(EncodingContext& context);

  static constexpr size_t kCapacity = 16;
  struct Held {
    const Mnemonic* row;
    Operands operands;
    uint32_t index;  // the instruction's own
    bool has_label;
    LabelTable::Query label;
  };
  std::array<Held, kCapacity> held_;  // a ring: count_ of them from first_ on
  size_t first_ = 0;
  size_t count_ = 0;
};

}  // namespace kiv::assembly

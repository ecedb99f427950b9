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
#include "assembly/statement_observer.h"
#include "assembly/status.h"

namespace kiv::assembly {

class InstructionBatch {
 public:
  InstructionBatch() = default;
  // Tells `observer` of each instruction as it is written, and of one that
  // fails, with its records placed after the `handed_on` bytes that the
  // encoding pass has already passed on.
  InstructionBatch(StatementObserver* observer, const size_t* handed_on)
      : observer_(observer), handed_on_(handed_on) {}

  // Reads the instruction's operands and takes the next index for it, or
  // writes what the batch holds and fails as EncodeInstruction would when
  // its tokens run out. A missing label is only found by Write. `token` is
  // the statement token, in the text the context reads.
  Status Add(EncodingContext& context, const Mnemonic& row, std::string_view token);
  // Resolves and writes the instructions held, in order, and empties the
  // batch; stops at the first missing label, which is logged at its
  // instruction's index with the records before it written.
  Status Write(EncodingContext& context);

 private:
  Status WriteOldest(EncodingContext& context);
  struct Held;
  void Tell(const Held& held, size_t records_begin, size_t records_end, Status status) const;
  size_t RecordsAt(const EncodingContext& context) const {
    return *handed_on_ + context.object.size();
  }

  static constexpr size_t kCapacity = 16;
  struct Held {
    const Mnemonic* row;
    Operands operands;
    uint32_t index;  // the instruction's own
    bool has_label;
    LabelTable::Query label;
    size_t offset, end;  // of the statement in the text, for the observer
  };
  StatementObserver* observer_ = nullptr;
  const size_t* handed_on_ = nullptr;
  std::array<Held, kCapacity> held_;  // a ring: count_ of them from first_ on
  size_t first_ = 0;
  size_t count_ = 0;
};

}  // namespace kiv::assembly

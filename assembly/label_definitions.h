// Where the label pass puts what it finds: label definitions, each with its
// instruction index, and .ascii lines without a quote. Either straight into
// the table and the log, or held in order (for a part of the text read on a
// second thread, whose indices only count from where that part starts).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string_view>

#include "assembly/byte_set_bits.h"
#include "assembly/label_table.h"
#include "assembly/log.h"
#include "common/large_array.h"

namespace kiv::assembly {

// What a part of the text read on its own found, in source order: the
// names copied end to end (read back in order, several arrive in one cache
// line, where in the text they lie a line apart) and the definitions and
// faults, 32 bytes each (a label's query without its name, which follows the
// name before it). The room is sized once for the most the part can hold
// (every name is a piece of the part, every definition ends in a colon,
// every fault ends a line) in large blocks, whose pages are touched, and so
// cleared, only as they fill: a list grown by copying, or small pages one
// fault each, cost the reading thread about as much as reading the part.
class HeldDefinitions {
 public:
  explicit HeldDefinitions(std::string_view part) {
    names_.Reserve(part.size());
    events_.Reserve(CountByteSet<':', '\n'>(part) + 1);
  }
  // Copied and hashed here, on the thread that reads the part; the name's
  // place among the copies follows from the lengths before it.
  void Define(std::string_view name, uint32_t index) {
    // The table takes no name this long either.
    if (name.size() >= kAsciiFault) throw std::length_error("label table full");
    names_.Append(name.data(), name.size());
    events_.PushBack(Event{LabelTable::HoldQuery(name), index, static_cast<uint32_t>(name.size())});
  }
  void AsciiFault(uint32_t index) { events_.PushBack(Event{{}, index, kAsciiFault}); }
  void Finish() {}

  // A name_length that stands for an .ascii fault.
  static constexpr uint32_t kAsciiFault = UINT32_MAX;
  struct Event {
    LabelTable::HeldQuery query;  // unused for a fault
    uint32_t index;               // from the part's start
    uint32_t name_length;         // or kAsciiFault
  };
  std::span<const Event> events() const { return events_.span(); }
  // The names of the events, end to end in their order.
  const char* names() const { return names_.data(); }

 private:
  LargeArray<char> names_;
  LargeArray<Event> events_;
};

// Definitions entered into the table as they come, duplicates logged.
class TableDefinitions {
 public:
  TableDefinitions(LabelTable& table, Log& log) : table_(table), log_(log) {}

  // The table is far larger than the caches: the name's slot is fetched now
  // and the label inserted a few definitions later, when the slot has arrived.
  void Define(std::string_view name, uint32_t index) { Define(table_.PrepareInsert(name), index); }
  // Logged after every definition before it, so that the log keeps the
  // order of the source.
  void AsciiFault(uint32_t index);
  // Inserts the waiting labels; the table is complete after it.
  void Finish() {
    while (pending_count_ != 0) InsertOldest();
  }

  // What a part read on its own found, as if found here now: its indices
  // counted on from `base`, the index where the part starts.
  void TakeHeld(const HeldDefinitions& held, uint32_t base);

 private:
  void Define(const LabelTable::Query& query, uint32_t index) {
    if (pending_count_ == kPending) InsertOldest();
    pending_[(pending_first_ + pending_count_++) % kPending] = Pending{query, index};
  }
  void InsertOldest() {
    const Pending& label = pending_[pending_first_];
    pending_first_ = (pending_first_ + 1) % kPending;
    --pending_count_;
    Insert(label.query, label.index);
  }
  void Insert(const LabelTable::Query& query, uint32_t index) {
    const auto signed_index = static_cast<int32_t>(index);  // as the log and the table hold it
    if (table_.InsertLabel(query, signed_index) == Status::kDuplicateLabel) {
      log_.Error("Duplicate label founded", signed_index);
    }
  }

  LabelTable& table_;
  Log& log_;

  struct Pending {
    LabelTable::Query query;  // its name hashed, its slot on the way
    uint32_t index;
  };
  // A ring of labels whose slots are on their way: each is inserted once
  // the ring is full, as many definitions after its fetch as the ring holds.
  static constexpr size_t kPending = 16;
  std::array<Pending, kPending> pending_{};
  size_t pending_first_ = 0;
  size_t pending_count_ = 0;
};

}  // namespace kiv::assembly

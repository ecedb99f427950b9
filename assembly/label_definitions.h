// Where the label pass puts what it finds: label definitions, each with its
// instruction index, and .ascii lines without a quote. Either straight into
// the table and the log, or held in order (for a part of the text read on a
// second thread, whose indices only count from where that part starts).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string_view>
#include <vector>

#include "assembly/label_table.h"
#include "assembly/log.h"

namespace kiv::assembly {

// Names copied end to end into blocks that never move, so that a query may
// point at its copy: read back in order, the copies arrive a cache line at a
// time for several names, where the names in the text lie a line apart.
class HeldNames {
 public:
  std::string_view Keep(std::string_view name) {
    if (static_cast<size_t>(end_ - next_) < name.size()) NewBlock(name.size());
    char* const copy = next_;
    if (!name.empty()) std::memcpy(copy, name.data(), name.size());
    next_ += name.size();
    return {copy, name.size()};
  }

 private:
  void NewBlock(size_t at_least) {
    const size_t size = std::max(kBlock, at_least);
    blocks_.push_back(std::make_unique_for_overwrite<char[]>(size));
    next_ = blocks_.back().get();
    end_ = next_ + size;
  }

  static constexpr size_t kBlock = size_t{64} << 10;
  std::vector<std::unique_ptr<char[]>> blocks_;
  char* next_ = nullptr;
  char* end_ = nullptr;
};

// What a part of the text read on its own found, in source order.
class HeldDefinitions {
 public:
  // Copied and hashed here, on the thread that reads the part.
  void Define(std::string_view name, uint32_t index) {
    events_.push_back(Event{LabelTable::QueryFor(names_.Keep(name)), index, false});
  }
  void AsciiFault(uint32_t index) { events_.push_back(Event{{}, index, true}); }
  void Finish() {}

  struct Event {
    LabelTable::Query query;  // unused for a fault
    uint32_t index;           // from the part's start
    bool ascii_fault;
  };
  const std::vector<Event>& events() const { return events_; }

 private:
  HeldNames names_;
  std::vector<Event> events_;
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
  void InsertOldest();
  void Insert(const LabelTable::Query& query, uint32_t index);

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

// Maps every label of the source to its instruction index. Names are
// case-sensitive byte strings of any length (the empty name included).
//
// Sources carry up to millions of labels, and the encoding pass looks one up
// for every branch, jump and address, in no useful order: each look-up is a
// walk to a random place in a table far larger than the caches. So a slot
// of the open-addressing index holds all a look-up needs for a name of up
// to 16 bytes (its length, its bytes, its index), and such a look-up touches
// one cache line. Longer names are compared in full against the arena,
// where all names are copied end to end in insertion (source) order.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "assembly/status.h"
#include "common/large_array.h"
#include "common/large_block.h"

namespace kiv::assembly {

class LabelTable {
 public:
  LabelTable() = default;
  // A table moves with its slots; the one moved from is left empty.
  LabelTable(LabelTable&& other) noexcept { *this = std::move(other); }
  LabelTable& operator=(LabelTable&& other) noexcept {
    if (this == &other) return *this;
    names_ = std::move(other.names_);
    count_ = std::exchange(other.count_, 0);
    slot_block_ = std::move(other.slot_block_);
    slots_ = std::exchange(other.slots_, nullptr);
    slot_count_ = std::exchange(other.slot_count_, 0);
    other.Clear();
    return *this;
  }

  // kSuccess, or kDuplicateLabel when the name exists (the table is unchanged
  // and the first definition keeps its index). The name is copied.
  Status InsertLabel(std::string_view name, int32_t instruction_index);
  // kSuccess with the index stored in `instruction_index`, or kLabelNotFound
  // with `instruction_index` untouched.
  Status FindLabel(std::string_view name, int32_t& instruction_index) const;

  class Query;
  // A look-up split in two: the name is hashed and the slot where it is or
  // would be fetched now, and found later, once the memory has arrived, so
  // that look-ups in a table far larger than the caches do not wait for it.
  // The name must outlive the query.
  Query PrepareFind(std::string_view name) const;
  // As FindLabel on the prepared name.
  Status FindLabel(const Query& query, int32_t& instruction_index) const;
  // Starts fetching the slot of a name that will be looked up soon, for
  // callers that keep the name rather than the query. A hint only.
  void Prefetch(std::string_view name) const;
  // The same split for an insertion: the name is hashed once, for both.
  Query PrepareInsert(std::string_view name) const;
  Status InsertLabel(const Query& query, int32_t instruction_index);
  // The same split in three, for names read on another thread: the name is
  // hashed there, with no table at hand, into a query kept apart from its
  // name (24 bytes, where a query takes 48: such a part holds many), and its
  // slot fetched here a few inserts ahead of its own. The holder keeps the
  // name and gives it back to make the query again.
  struct HeldQuery {
    uint64_t hash;
    uint64_t head[2];
  };
  static HeldQuery HoldQuery(std::string_view name);
  void PrefetchInsert(const HeldQuery& held) const;
  static Query TakeQuery(const HeldQuery& held, std::string_view name);

  size_t size() const { return count_; }
  // Makes room for `count` labels, so that filling the table never rehashes.
  void Reserve(size_t count);
  // The room made for the slots, which the first few thousand labels of a
  // large source touch all over: another thread may have the system enter
  // its pages (EnterPagesForWriting) while this one fills them. It stays
  // where it is until the table grows past its room.
  const LargeBlock& slot_room() const { return slot_block_; }
  void Clear();
  // Calls visit(name, instruction_index) for every label, in no useful order.
  template <typename Visit>
  void ForEachLabel(Visit&& visit) const {
    for (size_t i = 0; i < slot_count_; ++i) {
      const Slot& held = slots_[i];
      if (held.name_plus_one != 0) visit(NameOf(held), held.instruction_index);
    }
  }

 private:
  static constexpr size_t kInlineName = 16;

  // Two slots share a 64-byte cache line. A slot says where its name lies in
  // names_, which therefore stays below 4 GiB: a list of entries beside the
  // slots would take 16 bytes more a label, fresh memory the system clears.
  struct alignas(32) Slot {
    uint32_t name_plus_one;  // 0: empty; else 1 + the name's offset in names_
    uint32_t hash_tag;       // high bits of the name's hash
    uint32_t name_length;
    int32_t instruction_index;
    uint64_t head[2];  // the name's first 16 bytes, packed
  };
  // A name as a probe compares it: its head padded like a slot's.
  struct Key {
    std::string_view name;
    uint32_t hash_tag;
    uint32_t capped_length;  // the name's length, capped: never a slot's when capped
    uint64_t head[2];
  };

  static Query MakeQuery(std::string_view name);
  Status FindPrepared(const Key& key, uint64_t hash, int32_t& instruction_index) const;
  std::string_view NameOf(const Slot& slot) const {
    return std::string_view(names_.data() + (slot.name_plus_one - 1), slot.name_length);
  }
  static Key MakeKey(std::string_view name, uint64_t hash);
  bool Holds(const Slot& slot, const Key& key) const;
  // The slot holding the key's name, or the empty slot where it would go.
  size_t FindSlot(const Key& key, uint64_t hash) const;
  void Rehash(size_t slot_count);
  void FetchAround(size_t home, bool for_writing) const;

  // Filled front to back, a few megabytes for a large source.
  LargeArray<char> names_;
  size_t count_ = 0;
  // As many as the labels need (at most three quarters full, 60 % after Reserve).
  LargeBlock slot_block_;
  Slot* slots_ = nullptr;
  size_t slot_count_ = 0;
};

class LabelTable::Query {
 private:
  friend class LabelTable;
  Key key_{};
  uint64_t hash_ = 0;
};

// Empties the table before the label pass; always kSuccess.
Status CreateLabelTable(LabelTable& table);

}  // namespace kiv::assembly

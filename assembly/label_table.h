// Maps every label of the source to its instruction index. Names are
// case-sensitive byte strings of any length (the empty name included).
//
// Sources carry up to millions of labels, so the table is built for that:
// names are copied end to end into one arena, entries sit in one array in
// insertion (source) order, and an open-addressing index of entry numbers
// finds a name in one probe or a few. The ascending order of names is
// available on demand.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "assembly/status.h"

namespace kiv::assembly {

class LabelTable {
 public:
  // kSuccess, or kDuplicateLabel when the name exists (the table is unchanged
  // and the first definition keeps its index). The name is copied.
  Status InsertLabel(std::string_view name, int32_t instruction_index);
  // kSuccess with the index stored in `instruction_index`, or kLabelNotFound
  // with `instruction_index` untouched.
  Status FindLabel(std::string_view name, int32_t& instruction_index) const;

  size_t size() const { return entries_.size(); }
  // Makes room for `count` labels, so that filling the table never rehashes.
  void Reserve(size_t count);
  void Clear();
  // Entries in ascending byte-wise order of their names.
  std::vector<std::pair<std::string, int32_t>> SortedEntries() const;

 private:
  struct Entry {
    uint64_t hash;
    size_t name_offset;  // into names_
    size_t name_length;
    int32_t instruction_index;
  };
  // A slot holds an entry number + 1 (0: empty) and some bits of the entry's
  // hash, so that a probe touches an entry only when those bits match.
  struct Slot {
    uint32_t entry_plus_one;
    uint32_t hash_tag;
  };

  std::string_view NameOf(const Entry& entry) const {
    return std::string_view(names_).substr(entry.name_offset, entry.name_length);
  }
  // The slot holding `name`, or the empty slot where it would go.
  size_t FindSlot(std::string_view name, uint64_t hash) const;
  void Rehash(size_t slot_count);

  std::string names_;
  std::vector<Entry> entries_;
  std::vector<Slot> slots_;  // a power of two in size, at most half full
};

// Empties the table before the label pass; always kSuccess.
Status CreateLabelTable(LabelTable& table);

}  // namespace kiv::assembly

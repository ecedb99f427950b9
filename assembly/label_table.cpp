#include "assembly/label_table.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <stdexcept>

namespace kiv::assembly {
namespace {

uint64_t HashName(std::string_view name) { return std::hash<std::string_view>{}(name); }

// The slot position uses the low bits of the hash; the tag takes the high ones.
uint32_t TagOf(uint64_t hash) { return static_cast<uint32_t>(hash >> 32); }

}  // namespace

size_t LabelTable::FindSlot(std::string_view name, uint64_t hash) const {
  const size_t mask = slots_.size() - 1;
  const uint32_t tag = TagOf(hash);
  for (size_t slot = hash & mask;; slot = (slot + 1) & mask) {
    const Slot& held = slots_[slot];
    if (held.entry_plus_one == 0) return slot;
    if (held.hash_tag != tag) continue;
    const Entry& entry = entries_[held.entry_plus_one - 1];
    if (entry.hash == hash && NameOf(entry) == name) return slot;
  }
}

void LabelTable::Reserve(size_t count) {
  if (count > std::numeric_limits<uint32_t>::max() / 4) return;  // grow as needed instead
  entries_.reserve(count);
  size_t slot_count = 1024;
  while (slot_count < count * 2) slot_count *= 2;
  if (slot_count > slots_.size()) Rehash(slot_count);
}

void LabelTable::Rehash(size_t slot_count) {
  if (slot_count > std::numeric_limits<uint32_t>::max()) throw std::length_error("label table full");
  std::vector<Slot> slots(slot_count, Slot{0, 0});
  const size_t mask = slots.size() - 1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    size_t slot = entries_[i].hash & mask;
    while (slots[slot].entry_plus_one != 0) slot = (slot + 1) & mask;
    slots[slot] = Slot{static_cast<uint32_t>(i + 1), TagOf(entries_[i].hash)};
  }
  slots_ = std::move(slots);
}

Status LabelTable::InsertLabel(std::string_view name, int32_t instruction_index) {
  if ((entries_.size() + 1) * 2 > slots_.size()) Rehash(slots_.empty() ? 1024 : slots_.size() * 2);
  const uint64_t hash = HashName(name);
  const size_t slot = FindSlot(name, hash);
  if (slots_[slot].entry_plus_one != 0) return Status::kDuplicateLabel;
  entries_.push_back(Entry{hash, names_.size(), name.size(), instruction_index});
  names_.append(name);
  slots_[slot] = Slot{static_cast<uint32_t>(entries_.size()), TagOf(hash)};
  return Status::kSuccess;
}

Status LabelTable::FindLabel(std::string_view name, int32_t& instruction_index) const {
  if (entries_.empty()) return Status::kLabelNotFound;
  const Slot& held = slots_[FindSlot(name, HashName(name))];
  if (held.entry_plus_one == 0) return Status::kLabelNotFound;
  instruction_index = entries_[held.entry_plus_one - 1].instruction_index;
  return Status::kSuccess;
}

void LabelTable::Clear() {
  names_.clear();
  entries_.clear();
  slots_.clear();
}

std::vector<std::pair<std::string, int32_t>> LabelTable::SortedEntries() const {
  std::vector<std::pair<std::string, int32_t>> sorted;
  sorted.reserve(entries_.size());
  for (const Entry& entry : entries_) {
    sorted.emplace_back(std::string(NameOf(entry)), entry.instruction_index);
  }
  // std::string compares as unsigned bytes, and a prefix sorts first.
  std::sort(sorted.begin(), sorted.end());
  return sorted;
}

Status CreateLabelTable(LabelTable& table) {
  table.Clear();
  return Status::kSuccess;
}

}  // namespace kiv::assembly

#include "assembly/label_table.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <stdexcept>

#include "assembly/label_hash.h"

namespace kiv::assembly {
namespace {

// The slot position uses the low bits of the hash; the tag takes the high ones.
uint32_t TagOf(uint64_t hash) { return static_cast<uint32_t>(hash >> 32); }

constexpr size_t kTypicalNameRoom = 32;

// The names of all labels together, at most: a slot holds a name's offset
// plus one in 32 bits (a source this size would be larger still).
constexpr size_t kMostNameBytes = std::numeric_limits<uint32_t>::max();

// A hash's home slot among `slot_count` (at most 2^32): its low 32 bits
// scaled to the count, so that the table can hold just the slots its labels
// need rather than the next power of two. Every slot is fresh memory the
// system must clear, which costs more than the multiplication.
size_t HomeSlot(uint64_t hash, size_t slot_count) {
  return static_cast<size_t>((hash & 0xffffffffu) * slot_count >> 32);
}

size_t NextSlot(size_t slot, size_t slot_count) { return slot + 1 == slot_count ? 0 : slot + 1; }

// Room for `count` labels at most 60 % full: fuller, a look-up often runs
// on past the cache line fetched ahead for it.
size_t SlotsFor(size_t count) { return std::max<size_t>(1024, count + count * 2 / 3 + 1); }

// A key keeps its name's length in 32 bits, only as a quick test: a slot's
// name is shorter than 4 GiB, and a longer name is compared in full anyway.
uint32_t CappedLength(size_t length) {
  return static_cast<uint32_t>(std::min<size_t>(length, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

LabelTable::Key LabelTable::MakeKey(std::string_view name, uint64_t hash) {
  const size_t length = name.size();
  const char* bytes = name.data();
  return Key{name,
             TagOf(hash),
             CappedLength(length),
             {LoadUpTo8(bytes, std::min<size_t>(length, 8)),
              length > 8 ? LoadUpTo8(bytes + 8, std::min<size_t>(length - 8, 8)) : 0}};
}

bool LabelTable::Holds(const Slot& slot, const Key& key) const {
  if (slot.hash_tag != key.hash_tag || slot.name_length != key.capped_length ||
      slot.head[0] != key.head[0] || slot.head[1] != key.head[1]) {
    return false;
  }
  if (key.name.size() <= kInlineName) return true;
  return NameOf(slot) == key.name;
}

size_t LabelTable::FindSlot(const Key& key, uint64_t hash) const {
  for (size_t slot = HomeSlot(hash, slot_count_);; slot = NextSlot(slot, slot_count_)) {
    const Slot& held = slots_[slot];
    if (held.name_plus_one == 0 || Holds(held, key)) return slot;
  }
}

void LabelTable::Reserve(size_t count) {
  if (count > std::numeric_limits<uint32_t>::max() / 4) return;  // grow as needed instead
  // Room for names of a typical length, so that the arena is not copied as
  // it grows; in a large arena, pages of the room never used are never
  // touched.
  names_.Reserve(names_.size() + count * kTypicalNameRoom);
  const size_t slot_count = SlotsFor(count);
  if (slot_count > slot_count_) Rehash(slot_count);
}

void LabelTable::Rehash(size_t slot_count) {
  if (slot_count > std::numeric_limits<uint32_t>::max())
    throw std::length_error("label table full");
  LargeBlock block(slot_count * sizeof(Slot));  // zero-filled: every slot empty
  auto* slots = static_cast<Slot*>(block.data());
  for (size_t i = 0; i < slot_count_; ++i) {
    const Slot& held = slots_[i];
    if (held.name_plus_one == 0) continue;
    size_t slot = HomeSlot(HashLabelName(NameOf(held)), slot_count);
    while (slots[slot].name_plus_one != 0) slot = NextSlot(slot, slot_count);
    slots[slot] = held;
  }
  slot_block_ = std::move(block);
  slots_ = slots;
  slot_count_ = slot_count;
}

LabelTable::Query LabelTable::MakeQuery(std::string_view name) {
  Query query;
  query.hash_ = HashLabelName(name);
  query.key_ = MakeKey(name, query.hash_);
  return query;
}

Status LabelTable::InsertLabel(std::string_view name, int32_t instruction_index) {
  return InsertLabel(MakeQuery(name), instruction_index);
}

LabelTable::Query LabelTable::PrepareInsert(std::string_view name) const {
  const Query query = MakeQuery(name);
  if (slot_count_ != 0) FetchAround(HomeSlot(query.hash_, slot_count_), true);
  return query;
}

LabelTable::HeldQuery LabelTable::HoldQuery(std::string_view name) {
  const Query query = MakeQuery(name);
  return HeldQuery{query.hash_, {query.key_.head[0], query.key_.head[1]}};
}

// Nothing is read again from the name: the tag and length follow from the
// hash and the name's size.
LabelTable::Query LabelTable::TakeQuery(const HeldQuery& held, std::string_view name) {
  Query query;
  query.hash_ = held.hash;
  query.key_ = Key{name, TagOf(held.hash), CappedLength(name.size()), {held.head[0], held.head[1]}};
  return query;
}

void LabelTable::PrefetchInsert(const HeldQuery& held) const {
  if (slot_count_ != 0) FetchAround(HomeSlot(held.hash, slot_count_), true);
}

Status LabelTable::InsertLabel(const Query& query, int32_t instruction_index) {
  if ((count_ + 1) * 4 > slot_count_ * 3) Rehash(SlotsFor(2 * count_));
  const Key& key = query.key_;
  Slot& slot = slots_[FindSlot(key, query.hash_)];
  if (slot.name_plus_one != 0) return Status::kDuplicateLabel;
  // The name's place must fit the slot's 32 bits, its 1 added.
  if (key.name.size() >= kMostNameBytes - names_.size()) {
    throw std::length_error("label table full");
  }
  slot.name_plus_one = static_cast<uint32_t>(names_.size() + 1);
  names_.Append(key.name.data(), key.name.size());
  ++count_;
  slot.hash_tag = key.hash_tag;
  slot.name_length = static_cast<uint32_t>(key.name.size());
  slot.instruction_index = instruction_index;
  slot.head[0] = key.head[0];
  slot.head[1] = key.head[1];
  return Status::kSuccess;
}

Status LabelTable::FindLabel(std::string_view name, int32_t& instruction_index) const {
  const uint64_t hash = HashLabelName(name);
  return FindPrepared(MakeKey(name, hash), hash, instruction_index);
}

// The home slot's cache line and the next: a probe that finds its home taken
// goes on into it. A prefetch never faults, past the table's end included.
void LabelTable::FetchAround(size_t home, bool for_writing) const {
  const char* line = reinterpret_cast<const char*>(&slots_[home]);
  if (for_writing) {
    __builtin_prefetch(line, 1);
    __builtin_prefetch(line + 64, 1);
  } else {
    __builtin_prefetch(line);
    __builtin_prefetch(line + 64);
  }
}

LabelTable::Query LabelTable::PrepareFind(std::string_view name) const {
  const Query query = MakeQuery(name);
  if (slot_count_ != 0) FetchAround(HomeSlot(query.hash_, slot_count_), false);
  return query;
}

void LabelTable::Prefetch(std::string_view name) const { static_cast<void>(PrepareFind(name)); }

Status LabelTable::FindLabel(const Query& query, int32_t& instruction_index) const {
  return FindPrepared(query.key_, query.hash_, instruction_index);
}

Status LabelTable::FindPrepared(const Key& key, uint64_t hash, int32_t& instruction_index) const {
  if (count_ == 0) return Status::kLabelNotFound;
  const Slot& held = slots_[FindSlot(key, hash)];
  if (held.name_plus_one == 0) return Status::kLabelNotFound;
  instruction_index = held.instruction_index;
  return Status::kSuccess;
}

void LabelTable::Clear() {
  names_.Release();
  count_ = 0;
  slot_block_ = LargeBlock();
  slots_ = nullptr;
  slot_count_ = 0;
}

Status CreateLabelTable(LabelTable& table) {
  table.Clear();
  return Status::kSuccess;
}

}  // namespace kiv::assembly

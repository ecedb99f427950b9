// The records of the intermediate text, decoded once by pass 1 so that pass 2
// walks numbers instead of reading the text a second time.
//
// One 64-bit entry per record, in text order:
//  - an instruction: tag 0, the head's low 16 bits (all that either pass
//    uses) at bits 47-32, the body at bits 31-0; a spawni is followed by one
//    more entry holding its second value in bits 31-0;
//  - a data section: one header entry, tagged open or closed (by an
//    end-of-data record), with its pair count at bits 47-0, followed by the
//    pairs, one entry each, the first word at bits 63-32.
// Pairs are read only through their header, so their full 64 bits carry data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/instruction_word.h"
#include "common/large_array.h"
#include "common/large_block.h"

namespace kiv::assembler {

namespace record_entry {

inline constexpr int kTagShift = 48;
inline constexpr uint64_t kPayloadMask = (uint64_t{1} << kTagShift) - 1;
inline constexpr uint64_t kInstruction = 0;
inline constexpr uint64_t kOpenSection = 1;
inline constexpr uint64_t kClosedSection = 2;

constexpr uint64_t Tag(uint64_t entry) { return entry >> kTagShift; }
constexpr uint32_t Head(uint64_t entry) { return static_cast<uint32_t>(entry >> 32) & 0xffffu; }
constexpr uint32_t Body(uint64_t entry) { return static_cast<uint32_t>(entry); }
constexpr uint64_t PairCount(uint64_t entry) { return entry & kPayloadMask; }
constexpr uint32_t FirstWord(uint64_t entry) { return static_cast<uint32_t>(entry >> 32); }
constexpr uint32_t SecondWord(uint64_t entry) { return static_cast<uint32_t>(entry); }

constexpr uint64_t Instruction(uint32_t head, uint32_t body) {
  return (uint64_t{head & 0xffffu} << 32) | body;
}
constexpr uint64_t Pair(uint32_t first_word, uint32_t second_word) {
  return (uint64_t{first_word} << 32) | second_word;
}

}  // namespace record_entry

class RecordList {
 public:
  // Room for the entries of a text of `text_size` bytes. Every entry stands
  // for at least three bytes of it and a separator ("0 0", a pair "0 0", the
  // marker, a spawni's two lines), so the list never has to grow; reserved
  // pages that are never written cost no memory. Where that room would not
  // make a mapped block it would be heap memory cleared whole, several times
  // what a usual text fills, so a smaller text's list grows as it fills.
  void ReserveForText(size_t text_size) {
    const size_t room = entries_.size() + text_size / 4 + 1;
    if (room * sizeof(uint64_t) >= kMappedBlockBytes) entries_.Reserve(room);
  }

  void AddInstruction(uint32_t head, uint32_t body) {
    entries_.PushBack(record_entry::Instruction(head, body));
    ++instruction_count_;
  }
  void AddSpawni(uint32_t head, uint32_t first, uint32_t second) {
    AddInstruction(head, first);
    entries_.PushBack(second);
  }
  void OpenSection() {
    section_ = entries_.size();
    entries_.PushBack(record_entry::kOpenSection << record_entry::kTagShift);
    ++section_count_;
  }
  // Only between OpenSection and CloseSection.
  void AddPair(uint32_t first_word, uint32_t second_word) {
    entries_.PushBack(record_entry::Pair(first_word, second_word));
    ++entries_[section_];
    ++pair_count_;
  }
  void CloseSection() {
    entries_[section_] = (record_entry::kClosedSection << record_entry::kTagShift) |
                         record_entry::PairCount(entries_[section_]);
  }

  std::span<const uint64_t> entries() const { return entries_.span(); }
  // For sizing the outputs: instructions (a spawni counts once), data
  // sections and data pairs.
  size_t instruction_count() const { return instruction_count_; }
  size_t section_count() const { return section_count_; }
  size_t pair_count() const { return pair_count_; }

 private:
  LargeArray<uint64_t> entries_;
  size_t section_ = 0;  // the header of the section being read
  size_t instruction_count_ = 0;
  size_t section_count_ = 0;
  size_t pair_count_ = 0;
};

}  // namespace kiv::assembler

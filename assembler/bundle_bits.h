// A bundle as one 128-bit number, bit 0 the least significant: the slot
// count field in bits 1-0, and slot k (1 to 3) holding one 42-bit
// instruction word, head * 2^32 + body, at bits 2 + 42(k-1) up.
#pragma once

#include <cstdint>

#include "common/instruction_word.h"

namespace kiv::assembler {

__extension__ typedef unsigned __int128 BundleBits;

inline constexpr uint32_t kSlotWidth = 42;
inline constexpr uint64_t kSlotMask = (uint64_t{1} << kSlotWidth) - 1;

constexpr uint32_t SlotShift(uint32_t slot) { return 2 + kSlotWidth * (slot - 1); }

// The sum of two bundles taken as four 32-bit words, each wrapping on its
// own. Bundles are built word by word: where a head wider than its 10 bits
// reaches into the next field the parts add up, a carry moves on within a
// word, and one out of the top of a word is lost. Within each word the low
// 31 bits are added (their carry lands in bit 31, never beyond), then the
// top bits are added without carry.
constexpr BundleBits AddWordByWord(BundleBits a, BundleBits b) {
  constexpr BundleBits kTopBits = (BundleBits{0x8000000080000000u} << 64) | 0x8000000080000000u;
  return ((a & ~kTopBits) + (b & ~kTopBits)) ^ ((a ^ b) & kTopBits);
}

// `bundle` with one more instruction in `slot`: only the low 16 bits of
// `head` count. The count field goes up by one, except for a join in slot 1,
// whose bundle counts no instruction. Slot 1 must be filled first, into an
// empty bundle.
constexpr BundleBits PlaceSlot(BundleBits bundle, uint32_t slot, uint32_t head, uint32_t body) {
  const uint64_t word = (uint64_t{head & 0xffffu} << 32) | body;
  const BundleBits placed = BundleBits{word} << SlotShift(slot);
  // The count field holds at most 2 before this, and nothing else lies in
  // bits 1-0: adding to it never carries beyond them.
  const bool counted = !(slot == 1 && OpcodeOfHead(head) == opcode::kJoin);
  bundle += counted;
  // Where no bit is set in both, the sum is the union, with no carry at all:
  // always so when every head fits its 10 bits.
  return (bundle & placed) == 0 ? bundle | placed : AddWordByWord(bundle, placed);
}

// A spawni's bundle: no slots and a count of 0, its first word at bits 33-2
// and its second at bits 67-36.
constexpr BundleBits SpawniBundle(uint32_t first, uint32_t second) {
  return (BundleBits{first} << 2) | (BundleBits{second} << 36);
}

constexpr uint64_t SlotWord(BundleBits bundle, uint32_t slot) {
  return static_cast<uint64_t>(bundle >> SlotShift(slot)) & kSlotMask;
}
constexpr uint32_t CountField(BundleBits bundle) { return static_cast<uint32_t>(bundle) & 3u; }

}  // namespace kiv::assembler

#include "kiv/bundle.h"

#include "common/instruction_word.h"

namespace kiv::tool {
namespace {

constexpr uint64_t kJoinWord = uint64_t{opcode::kJoin} << 34;

Bundle CountlessBundle(Unit unit) {
  Bundle bundle;
  bundle.count = 1;
  if (unit == static_cast<Unit>(kJoinWord) << 2) {
    // Also spawni 0 251, whose bundle is the same 16 bytes.
    bundle.kind = BundleKind::kJoin;
    bundle.words[0] = kJoinWord;
    return bundle;
  }
  const bool free_bits_clear = ((unit >> 34) & 3) == 0 && (unit >> 68) == 0;
  if (!free_bits_clear) return bundle;
  bundle.kind = BundleKind::kSpawni;
  bundle.spawni_first = static_cast<uint32_t>(unit >> 2);
  bundle.spawni_second = static_cast<uint32_t>(unit >> 36);
  return bundle;
}

}  // namespace

Bundle DecodeBundle(Unit unit) {
  const int count = SlotCountField(unit);
  if (count == 0) return CountlessBundle(unit);
  Bundle bundle;
  bundle.count = count;
  for (int slot = 1; slot <= 3; ++slot) {
    const uint64_t word = SlotWord(unit, slot);
    if (slot > count && word != 0) return bundle;  // padding is always zero
    bundle.words[slot - 1] = word;
  }
  bundle.kind = BundleKind::kSlots;
  return bundle;
}

}  // namespace kiv::tool

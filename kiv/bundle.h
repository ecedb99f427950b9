// One 16-byte unit read as a bundle: the slot count field and the slots it
// fills, or one of the two bundles that are alone and hold no count: `join`,
// and the two-word `spawni` bundle.
#pragma once

#include <array>
#include <cstdint>

#include "kiv/image.h"

namespace kiv::tool {

enum class BundleKind : uint8_t {
  kSlots,   // `count` instruction words in slots 1..count, the rest padding
  kJoin,    // a join alone in slot 1, slot count field 0
  kSpawni,  // spawni's two values in bits 33-2 and 67-36, slot count field 0
  kMalformed,
};

struct Bundle {
  BundleKind kind = BundleKind::kMalformed;
  int count = 0;                    // instructions held (join and spawni: 1)
  std::array<uint64_t, 3> words{};  // the 42-bit words of slots 1 to 3
  uint32_t spawni_first = 0;
  uint32_t spawni_second = 0;
};

inline constexpr uint64_t kWordMask = (uint64_t{1} << 42) - 1;

// The 42-bit word in slot 1, 2 or 3.
inline uint64_t SlotWord(Unit unit, int slot) {
  return static_cast<uint64_t>(unit >> (2 + 42 * (slot - 1))) & kWordMask;
}
inline int SlotCountField(Unit unit) { return static_cast<int>(unit & 3); }

// Malformed when a slot past the count is not zero, or a count-0 unit is
// neither a join nor a spawni bundle (bits 35-34 and 127-68 zero).
Bundle DecodeBundle(Unit unit);

}  // namespace kiv::tool

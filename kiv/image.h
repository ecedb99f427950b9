// A bundle image read back: its 16-byte units (bundles or data lines) and,
// when it was read from a bundle listing, which of the two each unit is.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kiv::tool {

// One 16-byte unit as a 128-bit number: image byte k holds bits 8k+7..8k.
__extension__ typedef unsigned __int128 Unit;

enum class UnitKind : uint8_t { kUnknown, kBundle, kData };

// A data pair as the records write it: first word in bits 63-32, second in
// bits 31-0. In the image its bytes run from the least significant up.
using DataPair = uint64_t;

inline constexpr DataPair kFillerPair = 0x1111111111111111ull;

struct Image {
  std::vector<Unit> units;
  std::vector<UnitKind> kinds;  // one per unit; all kUnknown from a binary image
  // A data section left open at the end of the program ends in half a unit.
  std::optional<DataPair> trailing_pair;
};

// The pair in the low (half 0) or high (half 1) eight bytes of a unit.
inline DataPair PairOf(Unit unit, int half) { return static_cast<DataPair>(unit >> (64 * half)); }
inline uint32_t FirstWord(DataPair pair) { return static_cast<uint32_t>(pair >> 32); }
inline uint32_t SecondWord(DataPair pair) { return static_cast<uint32_t>(pair); }

// kivBinary.txt: units, an optional half unit, then the bytes ff ff ff ff.
// Returns false with a reason when the bytes are not shaped so.
bool ReadBinaryImage(std::string_view bytes, Image& image, std::string& error);

// kivBundle.txt: one line per unit, bundle lines (three 11-digit slots and
// the count digit) and data lines (four 8-digit words in image order).
bool ReadListing(std::string_view text, Image& image, std::string& error);

}  // namespace kiv::tool

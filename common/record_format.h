// The fixed values and field widths of the intermediate object text, named
// once for the record writer, the record reader and the back end's decoder.
//
// Outside data mode a record is an instruction, "head body" in hexadecimal,
// or the data-section marker. In data mode each record is one data pair of
// two 8-digit words written as a single 16-digit token, until the
// end-of-data record.
#pragma once

#include <cstdint>
#include <string_view>

namespace kiv::record_format {

// A head whose low 16 bits are these opens a data section.
inline constexpr uint32_t kMarkerHeadBits = 0xffff;
inline constexpr uint32_t kDataMarker = 0xfffe;
inline constexpr std::string_view kDataMarkerText = "fffe";

constexpr bool IsDataMarker(uint32_t head) { return (head & kMarkerHeadBits) == kDataMarker; }

// A pair's words: 8 digits each, one 16-digit token together.
inline constexpr int kWordDigits = 8;
inline constexpr int kPairDigits = 2 * kWordDigits;

// A pair whose first word is all ones ends the data section.
inline constexpr uint32_t kEndOfDataWord = 0xffffffff;
inline constexpr std::string_view kEndOfDataText = "ffffffffffffffff";
static_assert(kEndOfDataText.size() == kPairDigits);

// The pair that completes the last data line of a section with an odd
// number of pairs.
inline constexpr uint32_t kFillerFirstWord = 0;
inline constexpr uint32_t kFillerSecondWord = 0;

// Numbers outside data mode are at most 32 bits: up to 8 significant digits.
inline constexpr int kNumberDigits = 8;

// The head written on both lines of a spawni record; readers skip it.
inline constexpr std::string_view kSpawniHeadText = "3f0";

}  // namespace kiv::record_format

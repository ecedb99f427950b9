#include "assembler/data_sections.h"

#include <algorithm>

namespace kiv::assembler {

void DataSections::Add(uint32_t start, uint32_t end) {
  if (end < start || (!sections_.empty() && start < sections_.back().end)) in_order_ = false;
  sections_.push_back(Section{start, end});
}

void DataSections::Finish() {
  inside_.clear();
  if (!in_order_ || sections_.empty()) return;
  inside_.assign(sections_.back().end / 64 + 1, 0);
  for (const Section& section : sections_) {
    // The bits from start + 1 up to end - 1, a word at a time.
    for (uint64_t index = uint64_t{section.start} + 1; index < section.end;) {
      const uint64_t bit = index % 64;
      const uint64_t count = std::min<uint64_t>(64 - bit, section.end - index);
      const uint64_t run = count == 64 ? ~uint64_t{0} : ((uint64_t{1} << count) - 1) << bit;
      inside_[index / 64] |= run;
      index += count;
    }
  }
}

bool DataSections::StrictlyInside(uint32_t index) const {
  if (!in_order_) return StrictlyInsideBySearch(index);
  const uint64_t word = index / 64;
  return word < inside_.size() && ((inside_[word] >> (index % 64)) & 1u) != 0;
}

bool DataSections::StrictlyInsideBySearch(uint32_t index) const {
  // Only the last section starting at or below the index can hold it.
  const auto after = std::upper_bound(
      sections_.begin(), sections_.end(), index,
      [](uint32_t value, const Section& section) { return value < section.start; });
  if (after == sections_.begin()) return false;
  const Section& section = *std::prev(after);
  return index > section.start && index < section.end;
}

}  // namespace kiv::assembler

// The data sections of a program by instruction index, asked of every jump
// and branch target whether it lies strictly inside one.
#pragma once

#include <cstdint>
#include <vector>

namespace kiv::assembler {

class DataSections {
 public:
  // From the marker's index to the index after the end-of-data record (or the
  // last index, when the section runs to the end of the text). Sections are
  // added in text order.
  void Add(uint32_t start, uint32_t end);

  // Call after the last Add and before StrictlyInside.
  void Finish();

  // Whether start < index < end for a section: pass 2 compares boundaries only
  // with the index it reaches, and inside a data section it skips indices at
  // the end-of-data record; a target there would never be met and would hold
  // back every boundary after it.
  bool StrictlyInside(uint32_t index) const;

 private:
  struct Section {
    uint32_t start;
    uint32_t end;
  };
  bool StrictlyInsideBySearch(uint32_t index) const;

  std::vector<Section> sections_;
  // One bit per index below the last end, set inside a section: a constant-time
  // answer. Indices that wrapped past 2^32 (a text of many gigabytes) leave
  // the sections out of order, and then the sections are searched as they are.
  std::vector<uint64_t> inside_;
  bool in_order_ = true;
};

}  // namespace kiv::assembler

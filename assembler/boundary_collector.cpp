#include "assembler/boundary_collector.h"

namespace kiv::assembler {

bool BoundaryCollector::Finish() {
  // A section left open runs to the end of the text.
  if (in_section_) sections_.Add(section_start_, counter_.index());
  sections_.Finish();
  for (const uint32_t target : table_.targets()) {
    if (sections_.StrictlyInside(target)) return false;
  }
  return true;
}

}  // namespace kiv::assembler

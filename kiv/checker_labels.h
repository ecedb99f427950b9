// The label definitions of a normalised source as the label pass sees them:
// every colon outside double quotes ends one, and its name runs from the
// first character after the line start or the previous colon that is neither
// a blank nor a tab.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "assembly/label_table.h"
#include "kiv/checker_report.h"

namespace kiv::tool {

struct LabelDefinition {
  std::string_view name;  // into the normalised text; may be empty or end in blanks
  size_t name_offset;
  size_t colon_offset;
  bool first;  // false for a second definition of the name, which has no effect
  // The encoding pass's index where the label stands: that of the statement
  // after its colon (set by the statement walk).
  uint32_t stands_at = 0;
  // The index the label pass entered it with, when made from the pass's list.
  uint32_t entered_at = 0;
};

// In source order.
std::vector<LabelDefinition> ScanLabelDefinitions(std::string_view formatted);

// The definition whose colon is at `colon`, its name read back to the line
// start or to `previous_colon_end`, the offset after the colon before it.
LabelDefinition DefinitionAt(std::string_view formatted, size_t colon, size_t previous_colon_end);

// A duplicate is an error at its second definition, with a note at the first.
// `labels` is the label pass's table of the same text.
void CheckDuplicateLabels(std::span<LabelDefinition> definitions,
                          const assembly::LabelTable& labels, Report& report);

}  // namespace kiv::tool

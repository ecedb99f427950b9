#include "kiv/checker_labels.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "assembly/byte_set_bits.h"
#include "common/large_buffer.h"

namespace kiv::tool {

std::vector<LabelDefinition> ScanLabelDefinitions(std::string_view formatted) {
  std::vector<LabelDefinition> definitions;
  // Room for a label every sixteen bytes, more than most sources hold:
  // counting the colons first would read the whole text once more, and room
  // reserved but never written costs nothing.
  ReserveLarge(definitions, formatted.size() / 16 + 16);
  // Quotes and colons are rare: the scan jumps between them, and finds the
  // line start of a name only when a colon needs it.
  assembly::ByteSetFinder<'"', ':'> specials(formatted);
  bool in_quote = false;  // carries over line ends, as in the label pass
  size_t previous_colon_end = 0;
  for (size_t i = specials.Next(0); i < formatted.size(); i = specials.Next(i + 1)) {
    if (formatted[i] == '"') {
      in_quote = !in_quote;
      continue;
    }
    if (in_quote) continue;
    definitions.push_back(DefinitionAt(formatted, i, previous_colon_end));
    previous_colon_end = i + 1;
  }
  return definitions;
}

LabelDefinition DefinitionAt(std::string_view formatted, size_t colon, size_t previous_colon_end) {
  // Back from the colon to its line start, or to the previous colon: only
  // the name and the blanks before it are looked at, never the lines
  // between two labels.
  size_t first = colon;
  while (first > previous_colon_end && formatted[first - 1] != '\n') --first;
  while (first < colon && (formatted[first] == ' ' || formatted[first] == '\t')) ++first;
  return LabelDefinition{formatted.substr(first, colon - first), first, colon, true, 0};
}

void CheckDuplicateLabels(std::span<LabelDefinition> definitions,
                          const assembly::LabelTable& labels, Report& report) {
  // The label pass kept one entry per name: without duplicates there is
  // nothing to look for.
  if (labels.size() == definitions.size()) return;
  std::unordered_map<std::string_view, size_t> first_of;
  first_of.reserve(definitions.size());
  for (size_t i = 0; i < definitions.size(); ++i) {
    LabelDefinition& definition = definitions[i];
    const auto [it, inserted] = first_of.try_emplace(definition.name, i);
    if (inserted) continue;
    definition.first = false;
    const LabelDefinition& first = definitions[it->second];
    const size_t length = std::max<size_t>(definition.name.size(), 1);
    report.Error(
        definition.name_offset, length,
        "duplicate label " + Quoted(definition.name) + ": the first definition stays in force");
    report.Note(first.name_offset, std::max<size_t>(first.name.size(), 1), "first defined here");
  }
}

}  // namespace kiv::tool

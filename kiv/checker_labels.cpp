#include "kiv/checker_labels.h"

#include <string>
#include <unordered_map>

namespace kiv::tool {

std::vector<LabelDefinition> ScanLabelDefinitions(std::string_view formatted) {
  std::vector<LabelDefinition> definitions;
  bool in_quote = false;  // carries over line ends, as in the label pass
  size_t name_from = 0;   // the line start, or just after the previous colon
  for (size_t i = 0; i < formatted.size(); ++i) {
    const char c = formatted[i];
    if (c != '\n' && c != '"' && c != ':') continue;
    if (c == '\n') {
      name_from = i + 1;
    } else if (c == '"') {
      in_quote = !in_quote;
    } else if (!in_quote) {
      size_t first = name_from;
      while (first < i && (formatted[first] == ' ' || formatted[first] == '\t')) ++first;
      definitions.push_back(LabelDefinition{formatted.substr(first, i - first), first, i, true});
      name_from = i + 1;
    }
  }
  return definitions;
}

void CheckDuplicateLabels(std::vector<LabelDefinition>& definitions,
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

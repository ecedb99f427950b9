#include "assembly/label_table.h"

#include <algorithm>

namespace kiv::assembly {

Status LabelTable::InsertLabel(std::string_view name, int32_t instruction_index) {
  const auto [it, inserted] = labels_.try_emplace(std::string(name), instruction_index);
  return inserted ? Status::kSuccess : Status::kDuplicateLabel;
}

Status LabelTable::FindLabel(std::string_view name, int32_t& instruction_index) const {
  const auto it = labels_.find(name);
  if (it == labels_.end()) return Status::kLabelNotFound;
  instruction_index = it->second;
  return Status::kSuccess;
}

std::vector<std::pair<std::string, int32_t>> LabelTable::SortedEntries() const {
  std::vector<std::pair<std::string, int32_t>> entries(labels_.begin(), labels_.end());
  // std::string compares as unsigned bytes, and a prefix sorts first.
  std::sort(entries.begin(), entries.end());
  return entries;
}

Status CreateLabelTable(LabelTable& table) {
  table.Clear();
  return Status::kSuccess;
}

}  // namespace kiv::assembly

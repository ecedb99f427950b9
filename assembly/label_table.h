// Maps every label of the source to its instruction index. Names are
// case-sensitive byte strings of any length (the empty name included).
// Look-ups are hashed; the ascending order of names is available on demand.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "assembly/status.h"

namespace kiv::assembly {

class LabelTable {
 public:
  // kSuccess, or kDuplicateLabel when the name exists (the table is unchanged
  // and the first definition keeps its index).
  Status InsertLabel(std::string_view name, int32_t instruction_index);
  // kSuccess with the index stored in `instruction_index`, or kLabelNotFound
  // with `instruction_index` untouched.
  Status FindLabel(std::string_view name, int32_t& instruction_index) const;

  size_t size() const { return labels_.size(); }
  void Clear() { labels_.clear(); }
  // Entries in ascending byte-wise order of their names.
  std::vector<std::pair<std::string, int32_t>> SortedEntries() const;

 private:
  struct Hash {
    using is_transparent = void;
    size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, int32_t, Hash, std::equal_to<>> labels_;
};

// Empties the table before the label pass; always kSuccess.
Status CreateLabelTable(LabelTable& table);

}  // namespace kiv::assembly

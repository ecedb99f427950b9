// The label pass's list of label definitions, read by a statement walk as it
// comes near each, to place every label at the walk's index. The walk may
// start while the pass still runs on another thread and lists them, far
// ahead of it. Of each entry the walk reads only what placing needs, its
// colon and the index the pass entered it with, and the name the pass read,
// compared with the scan's reading while the text around it is in the cache
// from the walk; the definitions themselves, names and all, are made from
// the list only where a check needs them (MakeDefinitions).
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "assembly/label_pass.h"
#include "common/large_array.h"
#include "kiv/checker_facts.h"
#include "kiv/checker_labels.h"

namespace kiv::tool {

// A name the pass reads from a line start, or from just after the colon
// before it (`previous_colon_end`), is the one the scan reads: most names.
inline bool ReadAsScanned(std::string_view formatted, size_t name, size_t previous_colon_end) {
  return name == previous_colon_end || formatted[name - 1] == '\n';
}

class DefinitionFeed {
 public:
  // From the pass's list while it runs: `defined` is its list, of which
  // `listed` entries are final; `pass_ended` turns true after the pass has
  // told its last count (or has stopped early, when the rest never comes).
  DefinitionFeed(std::string_view formatted, const std::vector<assembly::DefinedLabel>& defined,
                 const std::atomic<size_t>& listed, const std::atomic<bool>& pass_ended);
  // From a whole list, the `from`th entry on.
  DefinitionFeed(std::string_view formatted, std::span<const assembly::DefinedLabel> defined,
                 size_t from);

  // The list's index of known()'s first entry.
  size_t from() const { return from_; }
  // The entries known to be final, from the `from()`th on.
  std::span<const assembly::DefinedLabel> known() const {
    const assembly::DefinedLabel* const entries =
        growing_ != nullptr ? growing_->data() : whole_.data();
    return {entries + from_, known_ - from_};
  }
  // Waits until the pass has listed more than known() holds: false when no
  // more will come.
  bool WaitForMore();

  // Told each entry the walk places, in order from the first: notes whether
  // the pass read its name where the scan reads it, which it does not after
  // a .word's number on a later line.
  void Placed(const assembly::DefinedLabel& entry) {
    if (!ReadAlike(entry)) CompareName(entry);
    previous_colon_end_ = entry.colon_offset + 1;
  }
  bool names_as_listed() const { return names_as_listed_; }

 private:
  bool ReadAlike(const assembly::DefinedLabel& entry) const {
    return ReadAsScanned(formatted_, entry.name_offset, previous_colon_end_);
  }
  void CompareName(const assembly::DefinedLabel& entry);

  std::string_view formatted_;
  const std::vector<assembly::DefinedLabel>* growing_ = nullptr;  // while the pass runs
  const std::atomic<size_t>* listed_ = nullptr;
  const std::atomic<bool>* pass_ended_ = nullptr;
  std::span<const assembly::DefinedLabel> whole_;  // or all at once
  size_t from_ = 0;                                // the list's index of the first known
  size_t known_ = 0;                               // entries of the list known to be final
  size_t previous_colon_end_ = 0;
  bool names_as_listed_ = true;
};

// The definition of the list's `i`th entry, as a scan of the text reads it
// (back from its colon, where the pass read its name otherwise), standing
// at the index the pass entered it with.
LabelDefinition ListedDefinition(std::string_view formatted,
                                 std::span<const assembly::DefinedLabel> defined, size_t i);

// The definitions of the list's entries from the `from`th on, each standing
// where `counted_apart` says, else at the index the pass entered it with.
LargeArray<LabelDefinition> MakeDefinitions(std::string_view formatted,
                                            std::span<const assembly::DefinedLabel> defined,
                                            size_t from = 0,
                                            std::span<const CountedApart> counted_apart = {});

// Only those of `counted_apart`, in its order.
std::vector<LabelDefinition> CountedApartDefinitions(
    std::string_view formatted, std::span<const assembly::DefinedLabel> defined,
    std::span<const CountedApart> counted_apart);

}  // namespace kiv::tool

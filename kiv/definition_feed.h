// The label definitions for a statement walk, made from the label pass's
// list of them (their colons) as the walk comes near each: the text around
// a label is then on its way to the cache for the walk anyway, where making
// them all first would wait for a read of the whole text, or for a cache
// miss a label. The walk may even start while the label pass still runs on
// another thread and lists them, far ahead of it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "assembly/label_pass.h"
#include "common/large_array.h"
#include "kiv/checker_labels.h"

namespace kiv::tool {

class DefinitionFeed {
 public:
  // From the pass's list while it runs: `defined` is its list, of which
  // `listed` entries are final; `pass_ended` turns true after the pass has
  // told its last count (or has stopped early, when the rest never comes).
  DefinitionFeed(std::string_view formatted, const std::vector<assembly::DefinedLabel>& defined,
                 const std::atomic<size_t>& listed, const std::atomic<bool>& pass_ended);
  // From a whole list, the `from`th entry on; room is made for `most` at
  // first (more are made room for as they come).
  DefinitionFeed(std::string_view formatted, std::span<const assembly::DefinedLabel> defined,
                 size_t from, size_t most = SIZE_MAX);

  // Those made so far, in source order.
  LargeArray<LabelDefinition>& definitions() { return made_; }
  bool all_made() const { return all_made_; }
  // Whether each name made so far starts where the pass's own reading of it
  // does: the pass reads a name from after a .word's number on a later line.
  bool names_as_listed() const { return names_as_listed_; }

  // Makes definitions until one has its colon at or after `offset`, or all
  // are made; waits for the pass when it has not listed so far yet.
  void MakeBefore(size_t offset);

 private:
  // Whether the pass has listed more than have been made; waits for it.
  bool WaitForMore();

  std::string_view formatted_;
  const std::vector<assembly::DefinedLabel>* growing_ = nullptr;  // while the pass runs
  const std::atomic<size_t>* listed_ = nullptr;
  const std::atomic<bool>* pass_ended_ = nullptr;
  std::span<const assembly::DefinedLabel> whole_;  // or all at once
  size_t from_ = 0;                                // the list's index of the first made
  size_t known_ = 0;                               // entries of the list known to be final
  size_t previous_colon_end_ = 0;
  LargeArray<LabelDefinition> made_;  // on huge pages from its first byte
  bool all_made_ = false;
  bool names_as_listed_ = true;
};

}  // namespace kiv::tool
